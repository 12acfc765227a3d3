// SPDX-License-Identifier: GPL-3.0-or-later
// Syntax colours in a shown, focused pane, each measured with colours on
// and off in the same run:
//   opening a file until its text is painted (the same with colours on),
//   and as cpu_s the processor time of the whole process until the colours
//   wanted are found and painted (goal: at most 0.5 s more than colours off);
//   from the text painted until the colours of what is shown are (a 100 KB
//   page with a style sheet and a script: goal 50 ms; a 5 MB one-line
//   script: goal 1 s), and, as complete_ms, until all those wanted are;
//   a jump to the end (Ctrl+End) and to the middle (the scroll bar) until
//   the colours of what it shows are painted (goal 100 ms);
//   a key typed in the middle, handled and painted (painted_ms, its median
//   and its worst: goals 1.2 times colours off and 16 ms), and with colours
//   on until the colours after it are painted too, with the processor time
//   a key takes (cpu_ms: goal 2 times colours off);
//   the CPU share of the idle, coloured pane;
//   the peak memory of a process that opens the 5 MB script and colours it.
// Counters: tree_per_byte, the memory tree-sitter holds for a file per byte
// of the file once it is coloured (each allocation with its size), and
// tree_rested_per_byte, a few seconds later;
// colours_per_byte, what the colours shown take; colours_right, whether the
// colours shown (those at the top after opening, those around the caret after
// the keys) are those of a fresh parse of the whole text.
// The files go to $SHEAFPAD_BENCH_DIR (default /var/tmp).
#include "bench_shown.h"
#include "bench_util.h"
#include "platform/thread_time.h"
#include "syntax/syntax_parser.h"
#include "syntax/tree_memory.h"
#include "widgets/rich_edit.h"
#include "widgets/syntax_colouring.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <fstream>

namespace {

using namespace sheafpad::bench;
namespace bench = sheafpad::bench;
using sheafpad::SyntaxColouring;
using sheafpad::TRichEdit;
namespace syntax = sheafpad::syntax;

const ScratchDir& BenchDir() {
    static const ScratchDir dir("syntax");
    return dir;
}

// A minified script of size bytes on one line: Debian's minified jQuery
// (package libjs-jquery) over and over, as real minified code is built;
// without it, code made up in its manner.
std::string MinifiedOf(int64_t size) {
    std::string library = ReadWhole("/usr/share/javascript/jquery/jquery.min.js");
    if (library.empty()) {
        std::fprintf(stderr, "libjs-jquery is not installed: a made-up script stands in\n");
        return MinifiedScript(size);
    }
    std::replace(library.begin(), library.end(), '\n', ' ');
    std::string text;
    while (int64_t(text.size() + library.size() + 1) <= size - 4) {
        text += library + ";";
    }
    return text + "/*" + std::string(size_t(size) - text.size() - 4, ' ') + "*/";
}

// range(0): 0 the 100 KB page, 1 the 5 MB one-line script.
std::string FileOf(int64_t which) {
    const std::string path = BenchDir().file(which == 0 ? "page.html" : "min.js");
    if (!std::filesystem::exists(path)) {
        const std::string text =
            which == 0 ? PageWithCode(100 * kKilobyte) : MinifiedOf(5 * kMegabyte);
        std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));
    }
    return path;
}

// A shown, focused pane of 800 x 600 pixels with its colours, on or off.
struct Pane {
    TRichEdit pane;
    SyntaxColouring colours{&pane};
    bool coloured = false;

    explicit Pane(bool on) {
        colours.SetEnabled(on);
        QObject::connect(&colours, &SyntaxColouring::coloured, [this] { coloured = true; });
        ShowFocused(pane);
        pane.SetReadOnly(false);
    }
    void Paint() { bench::Paint(pane); }
    // As the main window opens a file.
    void Open(const std::string& path) {
        coloured = false;
        pane.LoadTextFile(path);
        colours.SetLanguage(syntax::LanguageForFileName(path));
        Paint();
    }
    // Waits for the next colours (or until the colours are complete), then
    // paints them as the pane does, the rows whose colours changed; false
    // after 60 s.
    enum class Until { Next, Shown, All };
    bool AwaitColours(bool complete = false) { return Await(complete ? Until::All : Until::Next); }
    bool Await(Until until) {
        auto done = [&] {
            return until == Until::All     ? colours.Complete()
                   : until == Until::Shown ? colours.ShownComplete()
                                           : coloured;
        };
        QElapsedTimer waited;
        waited.start();
        while (!done() && waited.elapsed() < 60000) {
            QEventLoop loop; // sleeps until the colours or the time-out come
            const auto connection =
                QObject::connect(&colours, &SyntaxColouring::coloured, &loop, &QEventLoop::quit);
            QTimer::singleShot(int(60000 - waited.elapsed()), &loop, &QEventLoop::quit);
            loop.exec();
            QObject::disconnect(connection);
        }
        const bool arrived = done();
        coloured = false;
        QCoreApplication::processEvents(); // the rows to repaint are painted
        return arrived;
    }
    // Ctrl+End, or the scroll bar dragged to the middle.
    void Jump(bool toEnd) {
        if (toEnd) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
            QApplication::sendEvent(&pane, &press);
        } else {
            pane.verticalScrollBar()->setValue(pane.verticalScrollBar()->maximum() / 2);
        }
        Paint();
    }
    void Type(char letter) {
        const QString text(QChar::fromLatin1(letter));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (letter - 'a'), Qt::NoModifier, text);
        QApplication::sendEvent(&pane, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + (letter - 'a'), Qt::NoModifier, text);
        QApplication::sendEvent(&pane, &release);
    }
    // The colours shown of [from, from + length) are those of a fresh parse.
    bool ColoursRight(qsizetype from, qsizetype length) {
        syntax::SyntaxParser fresh(colours.Language());
        const sheafpad::TextSnapshot text = pane.Snapshot();
        if (fresh.Parse(text) != syntax::ParseOutcome::Parsed) {
            return false;
        }
        syntax::SyntaxHighlighter highlighter;
        const auto spans = highlighter.Spans(
            fresh.Trees(), [&](size_t pos, size_t count) { return text.Text(pos, count); },
            size_t(from), size_t(from + length));
        std::vector<sheafpad::TextColours::Run> shown;
        colours.Colours(from, length, shown);
        if (shown.size() != spans.size()) {
            return false;
        }
        for (size_t i = 0; i < shown.size(); ++i) {
            const auto& span = spans[i];
            if (shown[i].start != qsizetype(span.start) - from ||
                shown[i].length != int(span.length) ||
                shown[i].colour != SyntaxColouring::ColourOf(span.kind, pane.palette()).rgba()) {
                return false;
            }
        }
        return true;
    }
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// range(1): colours on (1) or off (0).
void BM_Open(benchmark::State& state) {
    const std::string path = FileOf(state.range(0));
    Pane pane(state.range(1) != 0);
    // Between the runs another file is opened, as a user goes from file to
    // file: a plain one, which gives the worker nothing to do.
    const std::string other = BenchDir().file("other.txt");
    std::ofstream(other, std::ios::binary) << "plain text\n";
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        pane.Open(other);
        IdleCpuShare(200); // what the last file left is freed
        const double cpuBefore = ProcessCpuSeconds();
        state.ResumeTiming();
        pane.Open(path);
        state.PauseTiming();
        if (state.range(1) != 0 && !pane.AwaitColours(true)) { // the worker idle again
            state.SkipWithError("no colours");
            break;
        }
        cpu += ProcessCpuSeconds() - cpuBefore;
        state.ResumeTiming();
    }
    state.counters["cpu_s"] = cpu / double(state.iterations());
}

// A jump to the end and one to the middle, each until the colours of what
// it shows are painted (those around it come after).
void BM_Jump(benchmark::State& state) {
    const std::string path = FileOf(state.range(0));
    Pane pane(true);
    double worst = 0;
    int i = 0;
    for (auto _ : state) {
        if (i % 2 == 0) {
            pane.Open(path);
            if (!pane.AwaitColours(true)) {
                state.SkipWithError("no colours");
                break;
            }
        }
        const auto start = std::chrono::steady_clock::now();
        pane.Jump(i++ % 2 == 0);
        if (!pane.Await(Pane::Until::Shown)) {
            state.SkipWithError("no colours after the jump");
            break;
        }
        const double seconds = Seconds(start);
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["worst_ms"] = 1000 * worst;
}

// From the text painted until the colours of what is shown are painted, and
// until all of them are.
void BM_ColouredAfterText(benchmark::State& state) {
    const std::string path = FileOf(state.range(0));
    Pane pane(true);
    double complete = 0;
    for (auto _ : state) {
        pane.pane.ClearText();
        pane.Paint();
        pane.Open(path);
        const auto start = std::chrono::steady_clock::now();
        if (!pane.AwaitColours()) {
            state.SkipWithError("no colours");
            break;
        }
        state.SetIterationTime(Seconds(start));
        if (!pane.AwaitColours(true)) {
            state.SkipWithError("colours never complete");
            break;
        }
        complete += Seconds(start);
    }
    state.counters["complete_ms"] = 1000 * complete / double(state.iterations());
    state.counters["colours_right"] =
        pane.ColoursRight(0, std::min<qsizetype>(pane.pane.Length(), 32768)) ? 1 : 0;
    // What the trees of the file hold: against the same pane with an empty
    // text, its old trees freed.
    const size_t coloured = syntax::TreeMemory();
    const double bytes = double(std::filesystem::file_size(path));
    state.counters["colours_per_byte"] = double(pane.colours.MemoryBytes()) / bytes;
    IdleCpuShare(3500); // a text at rest keeps no trees
    const size_t rested = syntax::TreeMemory();
    pane.pane.ClearText();
    pane.Paint();
    IdleCpuShare(500); // the worker frees them meanwhile
    const double empty = double(syntax::TreeMemory());
    state.counters["tree_per_byte"] = (double(coloured) - empty) / bytes;
    state.counters["tree_rested_per_byte"] = (double(rested) - empty) / bytes;
}

// A letter typed in the middle, handled and painted, with colours on until
// all the colours of the new text are painted too.
void BM_Key(benchmark::State& state) {
    const bool on = state.range(1) != 0;
    Pane pane(on);
    pane.Open(FileOf(state.range(0)));
    if (on && !pane.AwaitColours(true)) {
        state.SkipWithError("no colours");
        return;
    }
    pane.pane.SetSelectionStart(pane.pane.Length() / 2);
    pane.Paint();
    if (on && !pane.AwaitColours(true)) { // of the middle, now shown
        state.SkipWithError("no colours");
        return;
    }
    int i = 0;
    const qint64 layoutsBefore = pane.pane.LayoutsMade();
    double painted = 0, typed = 0, events = 0, cpu = 0, uiCpu = 0;
    std::vector<double> toPaint, toPaintCpu; // wall time, and the pane's thread's
    for (auto _ : state) {
        const double cpuBefore = ProcessCpuSeconds();
        const double uiBefore = sheafpad::platform::ThreadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        pane.Type(char('a' + i++ % 26));
        typed += Seconds(start);
        const auto t1 = std::chrono::steady_clock::now();
        QCoreApplication::processEvents();
        events += Seconds(t1);
        pane.Paint();
        toPaint.push_back(Seconds(start));
        toPaintCpu.push_back(sheafpad::platform::ThreadCpuSeconds() - uiBefore);
        painted += toPaint.back();
        if (on && !pane.AwaitColours(true)) {
            state.SkipWithError("no colours");
            break;
        }
        cpu += ProcessCpuSeconds() - cpuBefore;
        uiCpu += sheafpad::platform::ThreadCpuSeconds() - uiBefore;
        state.SetIterationTime(Seconds(start));
    }
    state.counters["ui_cpu_ms"] = 1000 * uiCpu / double(state.iterations());
    std::sort(toPaint.begin(), toPaint.end());
    std::sort(toPaintCpu.begin(), toPaintCpu.end());
    if (!toPaint.empty()) {
        state.counters["painted_median_ms"] = 1000 * toPaint[toPaint.size() / 2];
        state.counters["painted_worst_ms"] = 1000 * toPaint.back();
        // The same in processor time of the pane's thread: what the key costs
        // it, whatever else the machine runs meanwhile.
        state.counters["painted_cpu_median_ms"] = 1000 * toPaintCpu[toPaintCpu.size() / 2];
        state.counters["painted_cpu_worst_ms"] = 1000 * toPaintCpu.back();
    }
    state.counters["cpu_ms"] = 1000 * cpu / double(state.iterations());
    state.counters["layouts_per_key"] =
        double(pane.pane.LayoutsMade() - layoutsBefore) / double(state.iterations());
    state.counters["painted_ms"] = 1000 * painted / double(state.iterations());
    state.counters["typed_ms"] = 1000 * typed / double(state.iterations());
    state.counters["events_ms"] = 1000 * events / double(state.iterations());
    // A paint of the whole view, in processor time of the pane's thread.
    const double paintBefore = sheafpad::platform::ThreadCpuSeconds();
    const int paints = getenv("PAINTS") ? atoi(getenv("PAINTS")) : 10;
    for (int k = 0; k < paints; ++k) {
        pane.pane.viewport()->repaint();
    }
    state.counters["view_paint_ms"] =
        1000 * (sheafpad::platform::ThreadCpuSeconds() - paintBefore) / paints;
    if (on && !getenv("NORIGHT")) {
        const qsizetype from = std::max<qsizetype>(0, pane.pane.CaretPosition() - 4096);
        state.counters["colours_right"] =
            pane.ColoursRight(from, std::min<qsizetype>(8192, pane.pane.Length() - from)) ? 1 : 0;
    }
}

// The peak memory of a process that opens the file (range(0)) with colours
// on (range(1) 1) or off, until all its colours are painted.
int PeakChild(int argc, char** argv, const std::string& mode, const std::string& path) {
    QApplication app(argc, argv);
    Pane pane(mode == "on");
    pane.Open(path);
    if (mode == "on" && !pane.AwaitColours(true)) {
        return 1;
    }
    std::printf("%ld\n", PeakKilobytes());
    return 0;
}

void BM_PeakMemory(benchmark::State& state) {
    const std::string path = FileOf(state.range(0));
    long on = 0, off = 0;
    for (auto _ : state) {
        on = ChildPeak("on", path);
        off = ChildPeak("off", path);
    }
    state.counters["on_MB"] = double(on) / 1024;
    state.counters["off_MB"] = double(off) / 1024;
    state.counters["on_per_byte"] =
        double(on - off) * 1024 / double(std::filesystem::file_size(path));
}

// The coloured pane left alone for three seconds, its caret blinking.
void BM_IdleColoured(benchmark::State& state) {
    Pane pane(true);
    pane.Open(FileOf(state.range(0)));
    pane.AwaitColours(true);
    double share = 0;
    for (auto _ : state) {
        share = IdleCpuShare(3000);
    }
    state.counters["cpu_percent"] = share * 100;
}

void OnAndOff(benchmark::internal::Benchmark* b) {
    b->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Open)->Apply(OnAndOff)->Iterations(5)->UseRealTime();
BENCHMARK(BM_ColouredAfterText)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jump)->Arg(0)->Arg(1)->Iterations(6)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Key)
    ->Apply(OnAndOff)
    ->Iterations(getenv("KEYS") ? atoi(getenv("KEYS")) : 20)
    ->UseManualTime();
BENCHMARK(BM_IdleColoured)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakMemory)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return sheafpad::bench::RunPaneBenchmarks(argc, argv, PeakChild, [](RatioReporter& reporter) {
        for (const char* which : {"0", "1"}) {
            const std::string file = std::string(which) == "0" ? "100 KB page" : "5 MB line";
            const std::string on = std::string("/") + which + "/1",
                              off = std::string("/") + which + "/0";
            reporter.PrintRatio("open " + file + ", colours on vs off", "BM_Open" + on,
                                "BM_Open" + off, 1.1);
            const auto cpuOn = reporter.Counter("BM_Open" + on, "cpu_s");
            const auto cpuOff = reporter.Counter("BM_Open" + off, "cpu_s");
            if (cpuOn && cpuOff) {
                std::printf("%-28s %8.3f s - %8.3f s = %6.3f s (goal: at most 0.5 s)%s\n",
                            ("open " + file + " CPU, on - off").c_str(), *cpuOn, *cpuOff,
                            *cpuOn - *cpuOff, *cpuOn - *cpuOff <= 0.5 ? "" : "  MISSED");
            }
            reporter.PrintCounterRatio("key in " + file + " CPU, on / off", "BM_Key" + on,
                                       "BM_Key" + off, "cpu_ms", 2);
            reporter.PrintCounterRatio("key in " + file + " to paint, on / off", "BM_Key" + on,
                                       "BM_Key" + off, "painted_median_ms", 1.2);
            reporter.PrintCounterRatio("key in " + file + " to paint, its thread's CPU",
                                       "BM_Key" + on, "BM_Key" + off, "painted_cpu_median_ms", 1.2);
            const auto worst = reporter.Counter("BM_Key" + on, "painted_worst_ms");
            if (worst) {
                std::printf("%-28s %8.2f ms (goal: under 16 ms)%s\n",
                            ("worst key in " + file).c_str(), *worst,
                            *worst < 16 ? "" : "  MISSED");
            }
            const auto jump = reporter.Counter(std::string("BM_Jump/") + which, "worst_ms");
            if (jump) {
                std::printf("%-28s %8.2f ms (goal: at most 100 ms)%s\n",
                            ("worst jump in " + file).c_str(), *jump,
                            *jump <= 100 ? "" : "  MISSED");
            }
        }
    });
}
