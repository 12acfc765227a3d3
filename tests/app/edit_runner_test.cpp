// SPDX-License-Identifier: GPL-3.0-or-later
// The runner of long changes of files on its own: the window's events are
// handled while a job runs, its dialog counts files done of all, Cancel
// stops the job between files, a failure comes back to the caller, and one
// job runs at a time.
#include "app/edit_runner.h"
#include "base/errors.h"

#include <QApplication>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace sheafpad {
namespace {

using namespace std::chrono_literals;

TEST(EditRunner, TheWindowLivesWhileAJobRunsAndCancelStopsItBetweenFiles) {
    QWidget window;
    window.show();
    EditRunner runner;
    // A job of 200 files that goes on until it is cancelled: the window's
    // timer keeps firing, the dialog shows the count, and Cancel ends the
    // job at the next file.
    std::atomic<size_t> reached{0};
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(10);
    QString shown;
    QTimer::singleShot(500, &window, [&] {
        ASSERT_TRUE(runner.Running());
        QProgressDialog* dialog = runner.Dialog();
        ASSERT_TRUE(dialog != nullptr && dialog->isVisible()) << "no progress shown";
        shown = dialog->findChild<QProgressBar*>()->text();
        dialog->findChild<QPushButton*>()->click();
    });
    const bool finished = runner.Run(&window, "Working", [&](const EditRunner::Step& step) {
        for (size_t i = 0; i < 60000; ++i) {
            if (!step(std::min<size_t>(i, 199), 200)) {
                return;
            }
            reached = i + 1;
            std::this_thread::sleep_for(5ms);
        }
    });
    EXPECT_FALSE(finished) << "cancelled";
    EXPECT_GT(reached.load(), 0u);
    EXPECT_LT(reached.load(), 60000u);
    EXPECT_GT(ticks, 2) << "the window's events were not handled during the job";
    EXPECT_TRUE(shown.endsWith(" of 200 files")) << shown.toStdString();
    EXPECT_FALSE(runner.Running());
    EXPECT_EQ(runner.Dialog(), nullptr);

    // A job's failure is the caller's; the runner takes the next job.
    EXPECT_THROW(runner.Run(&window, "Failing", [](const EditRunner::Step&) { throw Error("no"); }),
                 Error);
    bool nested = false;
    EXPECT_TRUE(runner.Run(&window, "Outer",
                           [&](const EditRunner::Step&) { std::this_thread::sleep_for(50ms); }));
    // One job at a time: a Run during another is refused.
    QTimer::singleShot(0, &window, [&] {
        EXPECT_THROW(runner.Run(&window, "Inner", [](const EditRunner::Step&) {}), Error);
        nested = true;
    });
    EXPECT_TRUE(runner.Run(&window, "Outer",
                           [](const EditRunner::Step&) { std::this_thread::sleep_for(100ms); }));
    EXPECT_TRUE(nested);
}

} // namespace
} // namespace sheafpad
