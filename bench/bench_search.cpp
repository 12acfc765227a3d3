// SPDX-License-Identifier: GPL-3.0-or-later
// Search in files over two real documentation trees (about 2,000 files,
// 90 MB, tens of thousands of matches), against ripgrep given the same files
// in the same run (a spawned process, wall time; skipped when rg or the
// trees are not installed: scripts/bench.sh installs them). The files are in
// the page cache for both. Then Replace All over 1,000 files with one match
// each, against writing the same files with write, fsync and rename alone.
#include "bench_util.h"
#include "search/file_edit.h"
#include "search/file_search.h"
#include "search/replace_record.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <pthread.h>
#include <random>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {
using namespace sheafpad;
using namespace sheafpad::search;

constexpr size_t kMeanSize = 8000;
const char kLiteral[] = "module";
const char kRegex[] = "href=\"[^\"]*#";

// Real documentation sites from Debian's packages (scripts/bench.sh installs
// them): Python's manual and Apache's, thousands of pages of HTML, scripts
// and text in UTF-8, Latin-1 and CJK, with many matches of kLiteral.
const char* const kTreeRoots[] = {"/usr/share/doc/python3-doc/html",
                                  "/usr/share/doc/apache2-doc/manual"};

std::string Words(std::mt19937& random, size_t size, bool crlf) {
    static const char* const kWords[] = {"the",
                                         "page",
                                         "news",
                                         "photo",
                                         "index",
                                         "about",
                                         "gallery",
                                         "contact",
                                         "of",
                                         "and",
                                         "to",
                                         "article",
                                         "product",
                                         "caf\xC3\xA9",
                                         "team",
                                         "blog",
                                         "a",
                                         "with",
                                         "for",
                                         "events",
                                         "archive",
                                         "menu",
                                         "script",
                                         "style",
                                         "<p>",
                                         "</p>",
                                         "in",
                                         "summer",
                                         "winter",
                                         "report",
                                         "list",
                                         "more",
                                         "<a href=\"index.html\">",
                                         "</a>",
                                         "na\xC3\xAFve",
                                         "price",
                                         "order",
                                         "help",
                                         "link",
                                         "home"};
    std::string text, line;
    while (text.size() < size) {
        if (random() % 60 == 0) {
            line += "<div class=\"box-" + std::to_string(random() % 400) + "\"> ";
        }
        line += kWords[random() % std::size(kWords)];
        line += ' ';
        if (line.size() > 70) {
            text += line + (crlf ? "\r\n" : "\n");
            line.clear();
        }
    }
    return text;
}

struct Folder {
    std::vector<std::string> paths; // every regular file, as the file list would show them
    size_t bytes = 0;
    Folder() {
        for (const char* root : kTreeRoots) {
            std::error_code error;
            for (std::filesystem::recursive_directory_iterator it(root, error), end;
                 !error && it != end; it.increment(error)) {
                if (it->is_regular_file() && !it->is_symlink()) {
                    paths.push_back(it->path().string());
                    bytes += it->file_size();
                }
            }
        }
        std::sort(paths.begin(), paths.end());
    }
};

const Folder& TheFolder() {
    static const Folder folder;
    return folder;
}

// Processor time (user and system, all threads) of each run by benchmark:
// on a busy machine a steadier measure of the work than the wall time.
std::map<std::string, std::vector<double>>& CpuSeconds() {
    static std::map<std::string, std::vector<double>> seconds;
    return seconds;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

bool HaveRipgrep() {
    return ::access("/usr/bin/rg", X_OK) == 0;
}

bool HaveTree(benchmark::State& state) {
    if (TheFolder().paths.empty()) {
        state.SkipWithError("the documentation trees are not installed (scripts/bench.sh does it)");
        return false;
    }
    return true;
}

// Runs a whole search; returns the matches.
size_t Search(const SearchOptions& options, const char* name,
              std::chrono::microseconds* firstResults = nullptr) {
    const double cpuBefore = bench::ProcessCpuSeconds();
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    SearchJob job(TheFolder().paths, Matcher::Compile(options, &error));
    size_t matches = 0;
    bool first = true;
    while (!job.Finished()) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        for (const FileResult& result : job.Take()) {
            matches += result.matchCount;
            if (first && firstResults != nullptr) {
                *firstResults = std::chrono::duration_cast<std::chrono::microseconds>(
                    std::chrono::steady_clock::now() - start);
                first = false;
            }
        }
    }
    CpuSeconds()[name].push_back(bench::ProcessCpuSeconds() - cpuBefore);
    return matches;
}

void BM_SearchLiteral(benchmark::State& state) {
    size_t matches = 0;
    if (!HaveTree(state)) {
        return;
    }
    for (auto _ : state) {
        matches = Search(SearchOptions{.find = kLiteral, .replace = "", .matchCase = true},
                         "BM_SearchLiteral");
    }
    state.counters["matches"] = double(matches);
    state.counters["MB"] = double(TheFolder().bytes) / 1e6;
}

void BM_SearchLiteralIgnoringCase(benchmark::State& state) {
    if (!HaveTree(state)) {
        return;
    }
    for (auto _ : state) {
        Search(SearchOptions{.find = kLiteral, .replace = ""}, "BM_SearchLiteralIgnoringCase");
    }
}

void BM_SearchRegex(benchmark::State& state) {
    size_t matches = 0;
    if (!HaveTree(state)) {
        return;
    }
    for (auto _ : state) {
        matches =
            Search(SearchOptions{.find = kRegex, .replace = "", .matchCase = true, .regex = true},
                   "BM_SearchRegex");
    }
    state.counters["matches"] = double(matches);
}

void BM_FirstResults(benchmark::State& state) {
    std::chrono::microseconds first{};
    if (!HaveTree(state)) {
        return;
    }
    for (auto _ : state) {
        Search(SearchOptions{.find = kLiteral, .replace = "", .matchCase = true}, "BM_FirstResults",
               &first);
        state.SetIterationTime(double(first.count()) / 1e6);
    }
}

void Ripgrep(benchmark::State& state, const char* name, std::vector<std::string> args) {
    if (!HaveRipgrep()) {
        state.SkipWithError("rg is not installed (scripts/bench.sh installs it)");
        return;
    }
    if (!HaveTree(state)) {
        return;
    }
    args.insert(args.end(), TheFolder().paths.begin(), TheFolder().paths.end());
    size_t bytes = 0;
    for (auto _ : state) {
        double cpu = 0;
        bytes = bench::RunDrained(args, &cpu);
        CpuSeconds()[name].push_back(cpu);
    }
    state.counters["output_bytes"] = double(bytes);
}

void BM_RgFixed(benchmark::State& state) {
    Ripgrep(state, "BM_RgFixed", {"rg", "-F", "-c", kLiteral});
}
void BM_RgFixedIgnoringCase(benchmark::State& state) {
    Ripgrep(state, "BM_RgFixedIgnoringCase", {"rg", "-F", "-i", "-c", kLiteral});
}
void BM_RgRegex(benchmark::State& state) {
    Ripgrep(state, "BM_RgRegex", {"rg", "-c", kRegex});
}

// Replace All: 1,000 pages with one match each.
struct ReplaceSet {
    bench::ScratchDir dir{"replace"};
    std::vector<std::string> paths;
    std::vector<std::string> contents;
    ReplaceSet() {
        std::mt19937 random(11);
        for (int i = 0; i < 1000; ++i) {
            paths.push_back(dir.file("page-" + std::to_string(i) + ".html"));
            std::string page = Words(random, kMeanSize, i % 2);
            page.insert(page.size() / 2, " old-address ");
            contents.push_back(page);
        }
    }
    void Reset() const {
        for (size_t i = 0; i < paths.size(); ++i) {
            std::ofstream(paths[i], std::ios::binary | std::ios::trunc) << contents[i];
        }
    }
};

const ReplaceSet& TheReplaceSet() {
    static const ReplaceSet set;
    return set;
}

void BM_ReplaceAll(benchmark::State& state) {
    const ReplaceSet& set = TheReplaceSet();
    const SearchOptions options{.find = "old-address", .replace = "new-address"};
    std::string error;
    const auto matcher = Matcher::Compile(options, &error);
    MatchScratch scratch;
    for (auto _ : state) {
        state.PauseTiming();
        set.Reset();
        std::vector<platform::FileIdentity> identities;
        for (const std::string& path : set.paths) {
            identities.push_back(platform::FileIdentityOf(path));
        }
        state.ResumeTiming();
        std::vector<FileEdit> edits;
        for (size_t i = 0; i < set.paths.size(); ++i) {
            std::string reason;
            if (auto edit =
                    PlanReplace(set.paths[i], identities[i], 1, *matcher, scratch, &reason)) {
                edits.push_back(std::move(*edit));
            }
        }
        const ReplaceOutcome outcome = ApplyEdits(set.dir.file("."), edits, {}, "");
        if (outcome.files != set.paths.size()) {
            state.SkipWithError("not every file was replaced");
        }
    }
}

void BM_WriteFsyncRename(benchmark::State& state) {
    const ReplaceSet& set = TheReplaceSet();
    for (auto _ : state) {
        state.PauseTiming();
        set.Reset();
        state.ResumeTiming();
        for (size_t i = 0; i < set.paths.size(); ++i) {
            const std::string temp = set.paths[i] + ".tmp";
            if (!bench::WriteFsync(temp, set.contents[i]) ||
                ::rename(temp.c_str(), set.paths[i].c_str()) != 0) {
                state.SkipWithError("write failed");
            }
        }
    }
}

// One 33 MB page whose search takes long (a pattern tried at every place):
// a cancel at a random moment of its search (reading, decoding or
// matching), from the moment the stop is set to the moment the search of
// the file returns, in the worker's own processor time (what the code
// decides; the wall time on a busy machine adds the waits for a core) and
// in wall time. Counters: the slowest and the median of 40 cancels, in
// milliseconds (goal: under 50), how long the window's thread waits in
// SearchJob::Cancel, and, for reference, how long the whole file takes
// (what a cancel that waits for the file to end takes).
void BM_CancelLatency(benchmark::State& state) {
    bench::ScratchDir dir("cancel");
    std::mt19937 random(5);
    const std::string path = dir.file("big.htm");
    {
        std::ofstream out(path, std::ios::binary);
        out << Words(random, 33 << 20, true);
    }
    std::string error;
    const auto matcher = Matcher::Compile(
        SearchOptions{
            .find = "[a-z]{2,12}\\s+[a-z]{2,12}\\s+nowhere", .replace = "", .regex = true},
        &error);
    if (!matcher) {
        state.SkipWithError(error.c_str());
        return;
    }
    const auto ms = [](auto duration) {
        return std::chrono::duration<double, std::milli>(duration).count();
    };
    const auto cpuOf = [](clockid_t clock) {
        timespec now{};
        clock_gettime(clock, &now);
        return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
    };
    std::vector<double> cpu, wall, waits;
    double whole = 0;
    for (auto _ : state) {
        for (int round = 0; round < 41; ++round) {
            std::atomic<bool> stop{false};
            std::atomic<size_t> shownLeft{1000};
            std::chrono::steady_clock::time_point stopped, returned;
            double cpuReturned = 0;
            const auto begun = std::chrono::steady_clock::now();
            std::thread worker([&] {
                Searcher searcher(matcher);
                ResultSink sink(100, shownLeft);
                SearchFile(searcher, 0, path, sink, &stop);
                returned = std::chrono::steady_clock::now();
                cpuReturned = cpuOf(CLOCK_THREAD_CPUTIME_ID);
            });
            if (round == 0) {
                worker.join(); // the first, uncancelled: how long the file takes
                whole = ms(returned - begun);
                continue;
            }
            clockid_t clock{};
            pthread_getcpuclockid(worker.native_handle(), &clock);
            // Somewhere within the file's search.
            std::this_thread::sleep_for(
                std::chrono::microseconds(random() % std::max<uint32_t>(1, uint32_t(whole * 900))));
            const double cpuStopped = cpuOf(clock);
            stopped = std::chrono::steady_clock::now();
            stop = true;
            worker.join();
            if (returned > stopped) { // else it had ended before the stop
                cpu.push_back(cpuReturned - cpuStopped);
                wall.push_back(ms(returned - stopped));
            }
        }
        // The window's side: a job cancelled while its thread is in the file.
        for (int round = 0; round < 5; ++round) {
            SearchJob job({path}, matcher, {}, 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + 40 * round));
            const auto start = std::chrono::steady_clock::now();
            job.Cancel();
            waits.push_back(ms(std::chrono::steady_clock::now() - start));
        }
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    if (cpu.empty()) {
        state.SkipWithError("no cancel landed inside the search");
        return;
    }
    state.counters["cancels"] = double(cpu.size());
    state.counters["cpu_max_ms"] = cpu.back();
    state.counters["cpu_median_ms"] = cpu[cpu.size() / 2];
    state.counters["wall_max_ms"] = wall.back();
    state.counters["wall_median_ms"] = wall[wall.size() / 2];
    state.counters["window_wait_max_ms"] = *std::max_element(waits.begin(), waits.end());
    state.counters["whole_file_ms"] = whole;
}

BENCHMARK(BM_CancelLatency)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_SearchLiteral)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9);
BENCHMARK(BM_RgFixed)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9);
BENCHMARK(BM_SearchLiteralIgnoringCase)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(9);
BENCHMARK(BM_RgFixedIgnoringCase)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9);
BENCHMARK(BM_SearchRegex)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9);
BENCHMARK(BM_RgRegex)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9);
BENCHMARK(BM_FirstResults)->Unit(benchmark::kMillisecond)->UseManualTime()->Repetitions(9);
BENCHMARK(BM_ReplaceAll)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(BM_WriteFsyncRename)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);

} // namespace

int main(int argc, char** argv) {
    // Undo records go to a scratch state folder, never to the user's own.
    bench::ScratchDir state("state");
    const std::string statePath = state.file("");
    ::setenv("XDG_STATE_HOME", statePath.c_str(), 1);
    // Ours and ripgrep's runs take turns, so that a busy machine weighs on both alike.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    argc = int(args.size());
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    TheFolder();
    TheReplaceSet();
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("literal search / rg -F -c", "BM_SearchLiteral", "BM_RgFixed", 1);
    reporter.PrintRatio("literal, case ignored / rg -F -i -c", "BM_SearchLiteralIgnoringCase",
                        "BM_RgFixedIgnoringCase", 1);
    reporter.PrintRatio("regular expression / rg -c", "BM_SearchRegex", "BM_RgRegex", 1);
    for (const auto& [ours, theirs] :
         {std::pair{"BM_SearchLiteral", "BM_RgFixed"},
          std::pair{"BM_SearchLiteralIgnoringCase", "BM_RgFixedIgnoringCase"},
          std::pair{"BM_SearchRegex", "BM_RgRegex"}}) {
        const double a = Median(CpuSeconds()[ours]), b = Median(CpuSeconds()[theirs]);
        if (b > 0) {
            std::printf("processor time %s / %s: %.1f ms / %.1f ms = %.2f\n", ours, theirs, a * 1e3,
                        b * 1e3, a / b);
        }
    }
    reporter.PrintRatio("Replace All / write+fsync+rename", "BM_ReplaceAll", "BM_WriteFsyncRename",
                        3);
    benchmark::Shutdown();
    return 0;
}
