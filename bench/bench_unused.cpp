// SPDX-License-Identifier: GPL-3.0-or-later
// The unused-file check over a generated web site of 2,000 pages of about
// 20 KB that link to one another, against two references measured in the
// same run: GNU grep -F -o -h -f NAMES over the same files (a spawned
// process, wall time), and the obvious search, name by name with
// std::string::find over each file's text. The files are in the page cache
// for all three (they were just written). Prints both ratios at the end.
#include "bench_util.h"
#include "files/file_list.h"
#include "files/unused_files.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace {
using namespace sheafpad;
using sheafpad::bench::ReadWhole;

constexpr int kFileCount = 2000;
constexpr size_t kFileSize = 20 * 1024;

// The generated site: a directory of pages and the list of their names.
struct Site {
    std::string root; // scratch directory, removed at exit
    std::string dir;
    std::string namesFile; // one name per line, for grep -f
    std::vector<std::string> names;
    std::vector<std::string> paths;

    Site();
    ~Site() { std::filesystem::remove_all(root); }
};

std::string WordFor(std::mt19937& random) {
    // Ordinary prose, with words that begin like the page names so that the
    // search keeps entering partial matches.
    static const char* const kWords[] = {
        "the",     "page",   "news",    "photo",   "index",   "about",    "gallery", "contact",
        "of",      "and",    "to",      "article", "product", "products", "team",    "blog",
        "a",       "with",   "for",     "events",  "archive", "menu",     "script",  "style",
        "picture", "is",     "in",      "summer",  "winter",  "report",   "list",    "more",
        "new",     "review", "details", "price",   "order",   "help",     "link",    "home"};
    return kWords[random() % (sizeof kWords / sizeof kWords[0])];
}

Site::Site() {
    char pattern[] = "/tmp/sheafpad-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    root = pattern;
    dir = root + "/site";
    std::filesystem::create_directory(dir);
    namesFile = root + "/NAMES";

    std::mt19937 random(2024);
    static const char* const kSections[] = {"index",   "about", "news",    "photo",   "gallery",
                                            "contact", "team",  "article", "product", "blog",
                                            "events",  "menu",  "archive", "review",  "help"};
    static const char* const kTypes[] = {".htm", ".html", ".htm", ".js", ".htm", ".css"};
    for (int i = 0; i < kFileCount; ++i) {
        names.push_back(std::string(kSections[random() % 15]) + "-" + std::to_string(i) +
                        kTypes[random() % 6]);
    }
    // One page in ten is linked from nowhere, so the check must read every file.
    const int linked = kFileCount - kFileCount / 10;
    for (int i = 0; i < kFileCount; ++i) {
        std::string page = "<html>\r\n<head><title>" + WordFor(random) + " " + std::to_string(i) +
                           "</title>\r\n<link rel=\"stylesheet\" href=\"" +
                           names[random() % linked] + "\">\r\n</head>\r\n<body>\r\n";
        std::string line;
        while (page.size() < kFileSize) {
            if (random() % 12 == 0) {
                line += "<a href=\"" + names[random() % linked] + "\">" + WordFor(random) + "</a> ";
            } else {
                line += WordFor(random) + " ";
            }
            if (line.size() > 72) {
                page += "<p>" + line + "</p>\r\n";
                line.clear();
            }
        }
        page += "</body>\r\n</html>\r\n";
        paths.push_back(JoinPath(dir, names[i]));
        std::ofstream(paths.back(), std::ios::binary) << page;
    }
    std::ofstream list(namesFile, std::ios::binary);
    for (const std::string& name : names) {
        list << name << '\n';
    }
}

const Site& TheSite() {
    static const Site site;
    return site;
}

void BM_UnusedCheck(benchmark::State& state) {
    const Site& site = TheSite();
    size_t unused = 0;
    for (auto _ : state) {
        const std::vector<std::string> result = FindUnusedFiles(site.dir, site.names);
        unused = result.size();
        benchmark::DoNotOptimize(result.data());
    }
    state.counters["unused"] = double(unused);
}

// grep -F -o -h -f NAMES <every file>, its output drained through a pipe (GNU
// grep stops at the first match when its output is /dev/null). LC_ALL=C: byte
// semantics like the check, and grep's fastest mode.
size_t RunGrep(const Site& site) {
    std::vector<std::string> args = {"grep", "-F", "-o", "-h", "-f", site.namesFile};
    args.insert(args.end(), site.paths.begin(), site.paths.end());
    return bench::RunDrained(args);
}

void BM_GrepF(benchmark::State& state) {
    const Site& site = TheSite();
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = RunGrep(site);
    }
    state.counters["output_bytes"] = double(bytes);
}

// The check done the obvious way: each file's text in full, then each name
// looked for on its own.
void BM_NameByName(benchmark::State& state) {
    const Site& site = TheSite();
    size_t unused = 0;
    for (auto _ : state) {
        std::vector<char> used(site.names.size(), 0);
        for (const std::string& path : site.paths) {
            const std::string text = CheckedText(ReadWhole(path));
            for (size_t j = 0; j < site.names.size(); ++j) {
                if (text.find(site.names[j]) != std::string::npos) {
                    used[j] = 1;
                }
            }
        }
        unused = size_t(std::count(used.begin(), used.end(), 0));
    }
    state.counters["unused"] = double(unused);
}

BENCHMARK(BM_UnusedCheck)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GrepF)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NameByName)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TheSite(); // generate before timing
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("check / grep -F", "BM_UnusedCheck", "BM_GrepF", 1);
    reporter.PrintRatio("name by name / check", "BM_NameByName", "BM_UnusedCheck", 20,
                        bench::RatioReporter::Goal::AtLeast);
    benchmark::Shutdown();
    return 0;
}
