// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-file reading and saving, and the text codec, on typical HTML-like
// text. Saving is measured against one write() plus fsync() of the same bytes
// into the same directory and against the save as it was before its checks
// of free space and attributes, reading against one bare read(); the ratios are
// printed after the run (medians with --benchmark_repetitions). The files go
// to $SHEAFPAD_BENCH_DIR (default /var/tmp), which should be on the disk that
// real files live on.
#include "bench_util.h"
#include "platform/file_io.h"
#include "text/text_codec.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace sheafpad::bench;

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

const ScratchDir& BenchDir() {
    static const ScratchDir dir("io");
    return dir;
}

void BM_WriteFileBytes(benchmark::State& state) {
    const std::string& bytes = Text(state.range(0));
    const std::string path = BenchDir().file("page.html");
    sheafpad::platform::WriteFileBytes(path, "old"); // saving replaces an existing file
    for (auto _ : state) {
        sheafpad::platform::WriteFileBytes(path, bytes);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}

// The save as it was before the free-space check, the unnamed file and the
// copied attributes: the steps it took for a plain file, kept here so that
// the cost of those additions is measured in the same run.
bool SaveWithNamedTemporary(const std::string& path, const std::string& bytes) {
    struct stat st, dirSt;
    char* real = ::realpath(path.c_str(), nullptr);
    const std::string target = real != nullptr ? real : path;
    std::free(real);
    const std::string dir = target.substr(0, target.rfind('/'));
    if (::lstat(path.c_str(), &st) != 0 || ::stat(path.c_str(), &st) != 0 ||
        ::stat(dir.c_str(), &dirSt) != 0 || ::access(target.c_str(), W_OK) != 0 ||
        ::access(dir.c_str(), W_OK | X_OK) != 0) {
        return false;
    }
    (void)::getxattr(target.c_str(), "system.posix_acl_access", nullptr, 0);
    std::string temp = dir + "/.page.html.XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    struct stat own;
    bool ok = fd >= 0 && ::fstat(fd, &own) == 0 && ::fchmod(fd, st.st_mode & 07777) == 0 &&
              ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok && ::rename(temp.c_str(), target.c_str()) == 0;
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::fsync(dirFd);
    ::close(dirFd);
    return ok;
}

void BM_SaveBefore(benchmark::State& state) {
    const std::string& bytes = Text(state.range(0));
    const std::string path = BenchDir().file("before.html");
    sheafpad::platform::WriteFileBytes(path, "old");
    for (auto _ : state) {
        if (!SaveWithNamedTemporary(path, bytes)) {
            state.SkipWithError("save failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}

struct Turns {
    double now = 0, before = 0; // medians in ms
} turns;

// The save against the save before, taken in turns so that both see the same
// load on the disk: the medians of each and their ratio, as counters.
void BM_SaveInTurns(benchmark::State& state) {
    const std::string& bytes = Text(state.range(0));
    const std::string now = BenchDir().file("turns-now.html");
    const std::string before = BenchDir().file("turns-before.html");
    sheafpad::platform::WriteFileBytes(now, "old");
    sheafpad::platform::WriteFileBytes(before, "old");
    std::vector<double> nowMs, beforeMs;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        const auto start = Clock::now();
        sheafpad::platform::WriteFileBytes(now, bytes);
        const auto middle = Clock::now();
        if (!SaveWithNamedTemporary(before, bytes)) {
            state.SkipWithError("save failed");
        }
        nowMs.push_back(std::chrono::duration<double, std::milli>(middle - start).count());
        beforeMs.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - middle).count());
    }
    const auto median = [](std::vector<double>& values) {
        std::sort(values.begin(), values.end());
        return values.empty() ? 0 : values[values.size() / 2];
    };
    turns.now = median(nowMs);
    turns.before = median(beforeMs);
    state.counters["now_ms"] = turns.now;
    state.counters["before_ms"] = turns.before;
    state.counters["ratio"] = turns.now / turns.before;
}

// The reference: one write() and one fsync() of the same bytes.
void BM_WriteFsync(benchmark::State& state) {
    const std::string& bytes = Text(state.range(0));
    const std::string path = BenchDir().file("plain.html");
    for (auto _ : state) {
        if (!WriteFsync(path, bytes)) {
            state.SkipWithError("write failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}

void BM_ReadFileBytes(benchmark::State& state) {
    const std::string path = BenchDir().file("read.html");
    sheafpad::platform::WriteFileBytes(path, Text(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(sheafpad::platform::ReadFileBytes(path));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * kMegabyte);
}

// The reference: one read() into a buffer of the file's size.
void BM_ReadBare(benchmark::State& state) {
    const std::string path = BenchDir().file("read.html");
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
BENCHMARK(BM_SaveBefore)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteFileBytes)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveInTurns)->Arg(10)->Iterations(40)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBare)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadFileBytes)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DetectEncoding)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeText)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeText)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("save 10 MB vs write+fsync", "BM_WriteFileBytes/10", "BM_WriteFsync/10", 3);
    reporter.PrintRatio("save 10 MB vs the save without the disk check", "BM_WriteFileBytes/10",
                        "BM_SaveBefore/10", 1.1);
    // The fairer figure: both saves taken in turns under the same load.
    if (turns.before > 0) {
        const double ratio = turns.now / turns.before;
        std::printf("save 10 MB vs the save without the disk check, in turns  %.2f ms / %.2f ms = "
                    "%.2f (goal: at most 1.1)%s\n",
                    turns.now, turns.before, ratio, ratio > 1.1 ? "  MISSED" : "");
    }
    reporter.PrintRatio("read 50 MB vs read()", "BM_ReadFileBytes/50", "BM_ReadBare/50");
    benchmark::Shutdown();
    return 0;
}
