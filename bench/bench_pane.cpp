// The editor pane on large files, each measured against its bare reference in
// the same run:
//   loading a file        vs  QPlainTextEdit::setPlainText of the same decoded text
//   saving 10 MB          vs  one write() plus fsync() of the same bytes
//   a find that fails     vs  QString::indexOf over the same text, case-insensitive
//                             (repeated, and the first one after an edit)
//   peak memory, 50 MB    vs  a bare QPlainTextEdit holding it (separate processes)
// and the load of a typical 100 KB page. Ratios are printed after the run.
// The files go to $SHEAFPAD_BENCH_DIR (default /var/tmp).
#include "platform/file_io.h"
#include "text/text_codec.h"
#include "widgets/rich_edit.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace {

constexpr int64_t kKilobyte = 1024;
constexpr int64_t kMegabyte = 1024 * kKilobyte;
const char* const kAbsent = "zqxjv_absent";

// Text like a hand-written page: markup, mostly ASCII, a few accented letters, CR LF.
std::string HtmlLikeText(int64_t size) {
    const char* lines[] = {
        "<p class=\"intro\">Welcome to the caf\xC3\xA9 \xE2\x80\x94 open daily.</p>\r\n",
        "  <li><a href=\"menu.html#drinks\">Drinks &amp; snacks</a></li>\r\n",
        "<div id=\"footer\">Prices in \xE2\x82\xAC, taxes included.</div>\r\n",
        "\r\n",
        "<script src=\"js/site.js\"></script>\r\n",
        "    Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod.\r\n",
    };
    std::string text;
    text.reserve(size_t(size) + 128);
    for (size_t i = 0; int64_t(text.size()) < size; ++i) {
        text += lines[i % std::size(lines)];
    }
    text.resize(size_t(size) - 2); // end on a whole line
    text += "\r\n";
    return text;
}

const std::string& BenchDir() {
    static const std::string dir = [] {
        const char* base = std::getenv("SHEAFPAD_BENCH_DIR");
        std::string pattern =
            std::string(base != nullptr ? base : "/var/tmp") + "/sheafpad-bench-pane-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        return pattern;
    }();
    return dir;
}

// A file of size bytes, written once per run.
std::string FileOf(int64_t size) {
    const std::string path = BenchDir() + "/page-" + std::to_string(size) + ".html";
    if (!std::filesystem::exists(path)) {
        const std::string text = HtmlLikeText(size);
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

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
    const QString text = Decoded(ReadAll(FileOf(state.range(0))));
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
    const std::string out = BenchDir() + "/saved.html";
    for (auto _ : state) {
        pane.SaveTextFile(out);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Save_WriteFsync(benchmark::State& state) {
    const std::string bytes = ReadAll(FileOf(state.range(0)));
    const std::string out = BenchDir() + "/written.html";
    for (auto _ : state) {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) ||
            ::fsync(fd) != 0) {
            state.SkipWithError("write failed");
        }
        ::close(fd);
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
    const QString text = Decoded(ReadAll(FileOf(state.range(0))));
    const QString needle = QString::fromLatin1(kAbsent);
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.indexOf(needle, 0, Qt::CaseInsensitive));
    }
}

// Peak resident memory of this process, in kilobytes.
long PeakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

// Runs this program as a child that opens the file one way and prints its peak.
long ChildPeak(const char* mode, const std::string& path) {
    const std::string command =
        "/proc/" + std::to_string(::getpid()) + "/exe --peak-child=" + mode + " '" + path + "'";
    FILE* child = ::popen(command.c_str(), "r");
    long peak = -1;
    if (child != nullptr && std::fscanf(child, "%ld", &peak) != 1) {
        peak = -1;
    }
    if (child != nullptr) {
        ::pclose(child);
    }
    return peak;
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
            const QString text = Decoded(ReadAll(path));
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

BENCHMARK(BM_Load_Pane)->Arg(100 * kKilobyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load_BarePlainTextEdit)->Arg(100 * kKilobyte)->Unit(benchmark::kMillisecond);
// A few rounds each: a single round of a multi-second load is at the mercy of other processes.
BENCHMARK(BM_Load_Pane)
    ->Arg(10 * kMegabyte)
    ->Arg(50 * kMegabyte)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load_BarePlainTextEdit)
    ->Arg(10 * kMegabyte)
    ->Arg(50 * kMegabyte)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save_Pane)->Arg(10 * kMegabyte)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save_WriteFsync)->Arg(10 * kMegabyte)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindNothing_Pane)->Arg(50 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNothing_PaneAfterEdit)->Arg(50 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNothing_IndexOf)->Arg(50 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakMemory)->Arg(50 * kMegabyte)->Iterations(1)->Unit(benchmark::kMillisecond);

// Keeps each run's time per name ("BM_Load_Pane/10485760") for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
                times[run.run_name.function_name + "/" + run.run_name.args] =
                    run.GetAdjustedRealTime();
            }
        }
    }
    void PrintRatio(const char* what, const std::string& ours, const std::string& reference,
                    double limit) {
        if (times.count(ours) == 0 || times.count(reference) == 0) {
            return;
        }
        const double ratio = times[ours] / times[reference];
        std::printf("%-28s %8.2f / %8.2f ms = %5.2f (at most %.1f)%s\n", what, times[ours],
                    times[reference], ratio, limit, ratio <= limit ? "" : "  EXCEEDED");
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (argc == 3 && std::string(argv[1]).rfind("--peak-child=", 0) == 0) {
        return PeakChild(argc, argv, std::string(argv[1]).substr(13), argv[2]);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const std::string mb10 = std::to_string(10 * kMegabyte), mb50 = std::to_string(50 * kMegabyte);
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
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(BenchDir(), ignored);
    return 0;
}
