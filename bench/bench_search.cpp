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
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
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

double ProcessCpuSeconds() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
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
    const double cpuBefore = ProcessCpuSeconds();
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
    CpuSeconds()[name].push_back(ProcessCpuSeconds() - cpuBefore);
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
        const ReplaceOutcome outcome = ApplyEdits(edits, {}, "");
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
