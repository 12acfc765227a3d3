// SPDX-License-Identifier: GPL-3.0-or-later
// The editor pane on large files, each measured against its bare reference in
// the same run:
//   loading a file        vs  QPlainTextEdit::setPlainText of the same decoded text
//   saving 10 MB          vs  one write() plus fsync() of the same bytes
//   a find that fails     vs  QString::indexOf over the same text, case-insensitive
//                             (repeated, and the first one after an edit)
//   peak memory, 50 MB    vs  a bare QPlainTextEdit holding it (separate processes)
// and the load of a typical 100 KB page. Ratios are printed after the run.
// In a shown pane, with a minified script of one 1 MB or 5 MB line:
//   opening it until it is painted, a typed key until it is painted, and the
//   CPU share that the focused, idle pane takes with its caret blinking;
// and a letter or Enter typed into 50 MB of short lines, until painted; and
// the Check report of 4,000 and 16,000 names written into the shown pane.
// The files go to $SHEAFPAD_BENCH_DIR (default /var/tmp).
#include "bench_shown.h"
#include "bench_util.h"
#include "text/text_codec.h"
#include "widgets/pane_helpers.h"
#include "widgets/pane_status.h"
#include "widgets/rich_edit.h"
#include "widgets/status_line.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

namespace {

using namespace sheafpad::bench;

const char* const kAbsent = "zqxjv_absent";

const ScratchDir& BenchDir() {
    static const ScratchDir dir("pane");
    return dir;
}

// A file of size bytes, written once per run.
std::string FileOf(int64_t size) {
    const std::string path = BenchDir().file("page-" + std::to_string(size) + ".html");
    if (!std::filesystem::exists(path)) {
        const std::string text = HtmlLikeText(size - 2) + "\r\n"; // ends on a whole line
        std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));
    }
    return path;
}

// The file's text as the pane decodes it.
QString Decoded(const std::string& bytes) {
    QString text(qsizetype(sheafpad::DecodedCapacity(bytes)), Qt::Uninitialized);
    text.truncate(qsizetype(sheafpad::DecodeText(bytes, sheafpad::DetectEncoding(bytes),
                                                 reinterpret_cast<char16_t*>(text.data()))));
    return text;
}

void BM_Load_Pane(benchmark::State& state) {
    const std::string path = FileOf(state.range(0));
    sheafpad::TRichEdit pane;
    pane.resize(750, 480);
    pane.LoadTextFile(path); // every round replaces a text of the same size
    for (auto _ : state) {
        pane.LoadTextFile(path);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Load_BarePlainTextEdit(benchmark::State& state) {
    const QString text = Decoded(ReadWhole(FileOf(state.range(0))));
    QPlainTextEdit bare;
    bare.resize(750, 480);
    bare.setPlainText(text);
    for (auto _ : state) {
        bare.setPlainText(text);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Save_Pane(benchmark::State& state) {
    sheafpad::TRichEdit pane;
    pane.LoadTextFile(FileOf(state.range(0)));
    const std::string out = BenchDir().file("saved.html");
    for (auto _ : state) {
        pane.SaveTextFile(out);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Save_WriteFsync(benchmark::State& state) {
    const std::string bytes = ReadWhole(FileOf(state.range(0)));
    const std::string out = BenchDir().file("written.html");
    for (auto _ : state) {
        if (!WriteFsync(out, bytes)) {
            state.SkipWithError("write failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_FindNothing_Pane(benchmark::State& state) {
    sheafpad::TRichEdit pane;
    pane.LoadTextFile(FileOf(state.range(0)));
    const QString needle = QString::fromLatin1(kAbsent);
    for (auto _ : state) {
        benchmark::DoNotOptimize(pane.FindForward(needle, 0, pane.LinesTextLength()));
    }
}

// The first search after an edit, which takes the text from the document anew.
void BM_FindNothing_PaneAfterEdit(benchmark::State& state) {
    sheafpad::TRichEdit pane;
    pane.LoadTextFile(FileOf(state.range(0)));
    const QString needle = QString::fromLatin1(kAbsent);
    for (auto _ : state) {
        state.PauseTiming();
        pane.ReplaceSelection("x");
        state.ResumeTiming();
        benchmark::DoNotOptimize(pane.FindForward(needle, 0, pane.LinesTextLength()));
    }
}

void BM_FindNothing_IndexOf(benchmark::State& state) {
    const QString text = Decoded(ReadWhole(FileOf(state.range(0))));
    const QString needle = QString::fromLatin1(kAbsent);
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.indexOf(needle, 0, Qt::CaseInsensitive));
    }
}

// A minified script: one line of size bytes, no line break.
std::string OneLineFile(int64_t size) {
    const std::string path = BenchDir().file("min-" + std::to_string(size) + ".js");
    if (!std::filesystem::exists(path)) {
        const char* const parts[] = {"function(a,b){return a+b}",
                                     "var x=",
                                     "if(e){",
                                     "}else{",
                                     "for(var i=0;i<n;i++){",
                                     "document.getElementById(\"m\")",
                                     ".push(",
                                     ");",
                                     "\"str\"",
                                     "[1,2,3]",
                                     "null"};
        std::mt19937 random(2);
        std::string text;
        while (int64_t(text.size()) < size) {
            text += parts[random() % std::size(parts)];
        }
        text.resize(size_t(size));
        std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));
    }
    return path;
}

// The helpers that the window gives the pane and that follow its caret:
// the status line's fields and the pairs at the caret.
struct PaneHelpers {
    explicit PaneHelpers(sheafpad::TRichEdit& pane) : status(&pane, &line), pairs(&pane, nullptr) {}
    sheafpad::StatusLine line;
    sheafpad::PaneStatus status;
    sheafpad::PairHighlighter pairs;
};

void BM_OpenShown_OneLine(benchmark::State& state) {
    const std::string path = OneLineFile(state.range(0));
    sheafpad::TRichEdit pane;
    const PaneHelpers helpers(pane);
    ShowFocused(pane);
    for (auto _ : state) {
        state.PauseTiming();
        pane.ClearText();
        Paint(pane);
        state.ResumeTiming();
        pane.LoadTextFile(path);
        Paint(pane);
    }
}

// The one-line file of length shown in the focused, editable pane, the caret
// in the middle of the line, everything painted.
void OpenShownAtMiddle(sheafpad::TRichEdit& pane, int64_t length) {
    ShowFocused(pane);
    pane.LoadTextFile(OneLineFile(length));
    pane.SetReadOnly(false);
    pane.SetSelectionStart(length / 2);
    Paint(pane);
}

// One letter typed in the middle of the line, handled and painted.
void BM_KeyShown_OneLine(benchmark::State& state) {
    sheafpad::TRichEdit pane;
    const PaneHelpers helpers(pane);
    OpenShownAtMiddle(pane, state.range(0));
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(&pane, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(&pane, &release);
        Paint(pane);
    }
}

// A key typed in the middle of a file of many short lines (range(0) bytes):
// a letter (range(1) == 0), which changes one line, or Enter, which adds one.
void BM_KeyShown_ManyLines(benchmark::State& state) {
    sheafpad::TRichEdit pane;
    const PaneHelpers helpers(pane);
    ShowFocused(pane);
    pane.LoadTextFile(FileOf(state.range(0)));
    pane.SetReadOnly(false);
    pane.SetSelectionStart(pane.Length() / 2);
    Paint(pane);
    const bool enter = state.range(1) != 0;
    const Qt::Key key = enter ? Qt::Key_Return : Qt::Key_A;
    const QString text = enter ? QStringLiteral("\r") : QStringLiteral("a");
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(&pane, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(&pane, &release);
        Paint(pane);
    }
}

// The Check report of range(0) unused names written into the shown pane, as
// the program writes it (a line at a time), until painted. Goal: 16,000
// names in at most 0.2 s.
void BM_CheckReportShown(benchmark::State& state) {
    sheafpad::TRichEdit pane;
    ShowFocused(pane);
    const int names = int(state.range(0));
    for (auto _ : state) {
        pane.ClearText();
        pane.AppendLine(QStringLiteral("Files that are not used by another file: "));
        pane.AppendLine(QStringLiteral(" "));
        for (int i = 0; i < names; ++i) {
            pane.AppendLine(QStringLiteral("images/photo-%1.jpg").arg(i, 5, 10, QChar('0')));
        }
        Paint(pane);
    }
}

// The focused pane left alone for three seconds, its caret blinking: the
// share of one core it takes (counter cpu_percent; the goal is under 1).
// bench/peers/run.sh measures the same in the real program under Xvfb.
void BM_IdleShown_OneLine(benchmark::State& state) {
    sheafpad::TRichEdit pane;
    const PaneHelpers helpers(pane);
    OpenShownAtMiddle(pane, state.range(0));
    double share = 0;
    for (auto _ : state) {
        share = IdleCpuShare(3000);
    }
    state.counters["cpu_percent"] = share * 100;
}

void OneLineFiles(benchmark::internal::Benchmark* b) {
    b->Arg(1 * kMegabyte)->Arg(5 * kMegabyte)->Unit(benchmark::kMillisecond)->UseRealTime();
}

// The child: the pane loading the file, or a bare QPlainTextEdit given its text.
int PeakChild(int argc, char** argv, const std::string& mode, const std::string& path) {
    QApplication app(argc, argv);
    if (mode == "pane" || mode == "pane-find") {
        sheafpad::TRichEdit pane;
        pane.LoadTextFile(path);
        if (mode == "pane-find") {
            pane.FindForward(QString::fromLatin1(kAbsent), 0, pane.LinesTextLength());
        }
        std::printf("%ld\n", PeakKilobytes());
    } else {
        QPlainTextEdit bare;
        {
            const QString text = Decoded(ReadWhole(path));
            bare.setPlainText(text);
        }
        std::printf("%ld\n", PeakKilobytes());
    }
    return 0;
}

void BM_PeakMemory(benchmark::State& state) {
    const std::string path = FileOf(state.range(0));
    long pane = 0, paneFind = 0, bare = 0;
    for (auto _ : state) {
        pane = ChildPeak("pane", path);
        paneFind = ChildPeak("pane-find", path);
        bare = ChildPeak("bare", path);
    }
    state.counters["pane_MB"] = double(pane) / 1024;
    state.counters["after_find_MB"] = double(paneFind) / 1024;
    state.counters["bare_MB"] = double(bare) / 1024;
    state.counters["ratio"] = bare > 0 ? double(pane) / double(bare) : 0;
    state.counters["ratio_after_find"] = bare > 0 ? double(paneFind) / double(bare) : 0;
}

// 10 and 50 MB, a few rounds each: a single round of a multi-second load is at
// the mercy of other processes.
void LargeFiles(benchmark::internal::Benchmark* b) {
    b->Arg(10 * kMegabyte)->Arg(50 * kMegabyte)->Repetitions(3)->ReportAggregatesOnly(true);
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Load_Pane)->Arg(100 * kKilobyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load_BarePlainTextEdit)->Arg(100 * kKilobyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load_Pane)->Apply(LargeFiles);
BENCHMARK(BM_Load_BarePlainTextEdit)->Apply(LargeFiles);
BENCHMARK(BM_Save_Pane)->Arg(10 * kMegabyte)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save_WriteFsync)->Arg(10 * kMegabyte)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindNothing_Pane)->Arg(50 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNothing_PaneAfterEdit)->Arg(50 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNothing_IndexOf)->Arg(50 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenShown_OneLine)->Apply(OneLineFiles)->Iterations(3);
BENCHMARK(BM_KeyShown_OneLine)->Apply(OneLineFiles)->Iterations(5);
BENCHMARK(BM_KeyShown_ManyLines)
    ->Args({50 * kMegabyte, 0})
    ->Args({50 * kMegabyte, 1})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckReportShown)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_IdleShown_OneLine)->Apply(OneLineFiles)->Iterations(1);
BENCHMARK(BM_PeakMemory)->Arg(50 * kMegabyte)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return sheafpad::bench::RunPaneBenchmarks(argc, argv, PeakChild, [](RatioReporter& reporter) {
        const std::string mb10 = std::to_string(10 * kMegabyte),
                          mb50 = std::to_string(50 * kMegabyte);
        reporter.PrintRatio("load 10 MB vs setPlainText", "BM_Load_Pane/" + mb10,
                            "BM_Load_BarePlainTextEdit/" + mb10, 1.3);
        reporter.PrintRatio("load 50 MB vs setPlainText", "BM_Load_Pane/" + mb50,
                            "BM_Load_BarePlainTextEdit/" + mb50, 1.3);
        reporter.PrintRatio("save 10 MB vs write+fsync", "BM_Save_Pane/" + mb10,
                            "BM_Save_WriteFsync/" + mb10, 3);
        reporter.PrintRatio("find 50 MB vs indexOf", "BM_FindNothing_Pane/" + mb50,
                            "BM_FindNothing_IndexOf/" + mb50, 2);
        reporter.PrintRatio("first find after an edit", "BM_FindNothing_PaneAfterEdit/" + mb50,
                            "BM_FindNothing_IndexOf/" + mb50, 2);
    });
}
