// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench_shown.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace sheafpad::bench {

void Paint(TRichEdit& pane) {
    QCoreApplication::processEvents();
    pane.viewport()->repaint();
}

void ShowFocused(TRichEdit& pane) {
    // SHEAFPAD_BENCH_NOWRAP=1: the same measures with rows that do not wrap.
    if (qEnvironmentVariableIntValue("SHEAFPAD_BENCH_NOWRAP") != 0) {
        pane.SetWordWrap(false);
    }
    pane.resize(800, 600);
    pane.show();
    QApplication::setActiveWindow(&pane);
    pane.setFocus();
    // Activation arrives asynchronously.
    QElapsedTimer waited;
    waited.start();
    while (!pane.hasFocus() && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        pane.activateWindow();
        pane.setFocus();
    }
    Paint(pane);
}

double IdleCpuShare(int milliseconds) {
    const double cpu = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    return (ProcessCpuSeconds() - cpu) / (double(wall.elapsed()) / 1000);
}

int RunPaneBenchmarks(int argc, char** argv, PeakChildFn peakChild,
                      const std::function<void(RatioReporter&)>& ratios) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (argc == 3 && std::string(argv[1]).rfind("--peak-child=", 0) == 0) {
        return peakChild(argc, argv, std::string(argv[1]).substr(13), argv[2]);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    ratios(reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace sheafpad::bench
