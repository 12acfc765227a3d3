// Whole-file reading and saving, and the text codec, on typical HTML-like
// text. Saving is measured against one write() plus fsync() of the same bytes
// into the same directory, reading against one bare read(); the ratios are
// printed after the run (medians with --benchmark_repetitions). The files go
// to $SHEAFPAD_BENCH_DIR (default /var/tmp), which should be on the disk that
// real files live on.
#include "platform/file_io.h"
#include "text/text_codec.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int64_t kMegabyte = 1024 * 1024;

// Text like a hand-written page: markup, mostly ASCII, a few accented letters
// and typographic characters, CR LF line breaks.
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
    text.resize(size_t(size));
    return text;
}

const std::string& Text(int64_t megabytes) {
    static std::map<int64_t, std::string> cache;
    auto& text = cache[megabytes];
    if (text.empty()) {
        text = HtmlLikeText(megabytes * kMegabyte);
    }
    return text;
}

std::u16string Decoded(int64_t megabytes) {
    const std::string& bytes = Text(megabytes);
    std::u16string text(sheafpad::DecodedCapacity(bytes), u'\0');
    text.resize(sheafpad::DecodeText(bytes, sheafpad::DetectEncoding(bytes), text.data()));
    return text;
}

const std::string& BenchDir() {
    static const std::string dir = [] {
        const char* base = std::getenv("SHEAFPAD_BENCH_DIR");
        std::string pattern =
            std::string(base != nullptr ? base : "/var/tmp") + "/sheafpad-bench-io-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        return pattern;
    }();
    return dir;
}

void BM_WriteFileBytes(benchmark::State& state) {
    const std::string& bytes = Text(state.range(0));
    const std::string path = BenchDir() + "/page.html";
    sheafpad::platform::WriteFileBytes(path, "old"); // saving replaces an existing file
    for (auto _ : state) {
        sheafpad::platform::WriteFileBytes(path, bytes);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}

// The reference: one write() and one fsync() of the same bytes.
void BM_WriteFsync(benchmark::State& state) {
    const std::string& bytes = Text(state.range(0));
    const std::string path = BenchDir() + "/plain.html";
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) || ::fsync(fd) != 0) {
            state.SkipWithError("write failed");
        }
        ::close(fd);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}

void BM_ReadFileBytes(benchmark::State& state) {
    const std::string path = BenchDir() + "/read.html";
    sheafpad::platform::WriteFileBytes(path, Text(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(sheafpad::platform::ReadFileBytes(path));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * kMegabyte);
}

// The reference: one read() into a buffer of the file's size.
void BM_ReadBare(benchmark::State& state) {
    const std::string path = BenchDir() + "/read.html";
    sheafpad::platform::WriteFileBytes(path, Text(state.range(0)));
    for (auto _ : state) {
        std::unique_ptr<char[]> buffer(new char[size_t(state.range(0) * kMegabyte)]);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        benchmark::DoNotOptimize(::read(fd, buffer.get(), size_t(state.range(0) * kMegabyte)));
        ::close(fd);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * kMegabyte);
}

void BM_DetectEncoding(benchmark::State& state) {
    const std::string& bytes = Text(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(sheafpad::DetectEncoding(bytes));
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}

void BM_DecodeText(benchmark::State& state) {
    const std::string& bytes = Text(state.range(0));
    // The pane decodes into a string it allocated beforehand.
    std::u16string text(sheafpad::DecodedCapacity(bytes), u'\0');
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            sheafpad::DecodeText(bytes, sheafpad::TextEncoding::Utf8, text.data()));
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}

void BM_EncodeText(benchmark::State& state) {
    const std::u16string text = Decoded(state.range(0));
    for (auto _ : state) {
        std::string out;
        if (!sheafpad::EncodeText(text, sheafpad::TextEncoding::Utf8, out, nullptr)) {
            state.SkipWithError("encode failed");
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * kMegabyte);
}

BENCHMARK(BM_WriteFsync)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteFileBytes)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBare)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadFileBytes)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DetectEncoding)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeText)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeText)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

// Prints as usual and keeps each run's real time for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            // With repetitions the median stands for the benchmark.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians_.insert(run.run_name.str());
                times_[run.run_name.str()] = run.GetAdjustedRealTime();
            } else if (run.run_type == Run::RT_Iteration && !medians_.count(run.benchmark_name())) {
                times_[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // goal 0: none stated.
    void PrintRatio(const std::string& what, const std::string& reference, double goal) const {
        const auto a = times_.find(what);
        const auto b = times_.find(reference);
        if (a != times_.end() && b != times_.end() && b->second > 0) {
            std::printf("ratio %s / %s = %.2f", what.c_str(), reference.c_str(),
                        a->second / b->second);
            std::printf(goal > 0 ? " (goal: at most %.1f)\n" : "\n", goal);
        }
    }

private:
    std::map<std::string, double> times_; // real time by benchmark name
    std::set<std::string> medians_;       // names whose time is a median
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("BM_WriteFileBytes/10/real_time", "BM_WriteFsync/10/real_time", 3.0);
    reporter.PrintRatio("BM_ReadFileBytes/50/real_time", "BM_ReadBare/50/real_time", 0);
    benchmark::Shutdown();
    std::filesystem::remove_all(BenchDir());
    return 0;
}
