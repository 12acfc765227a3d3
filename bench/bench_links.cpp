// SPDX-License-Identifier: GPL-3.0-or-later
// The link index on real sites (Apache's and Python's manuals, installed by
// scripts/bench.sh): built with two threads, a page read again after a key,
// the check of every link; and a rename that keeps the links of a thousand
// pages against a plain write, flush and rename of those pages.
#include "bench_util.h"
#include "files/site_tree.h"
#include "links/link_check.h"
#include "links/link_index.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>
#include <vector>

namespace sheafpad {
namespace {

const FileTypes kSiteTypes({".html", ".htm", ".css", ".js", ".png", ".gif", ".jpg", ".svg"});

const std::vector<std::pair<std::string, std::string>> kRealSites = {
    {"apache2-doc", "/usr/share/doc/apache2-doc/manual"},
    {"python3-doc", "/usr/share/doc/python3.11-doc/html"}};

std::vector<std::string> Listed(const std::string& root) {
    SiteTree tree(false);
    tree.Open(root, true, kSiteTypes);
    return tree.Paths();
}

void BuildIndex(benchmark::State& state, const std::string& root) {
    const std::vector<std::string> paths = Listed(root);
    size_t files = 0, links = 0;
    for (auto _ : state) {
        const std::optional<links::LinkIndex> index = links::BuildIndex(root, paths, 2);
        files = index->Files().size();
        links = index->LinkCount();
    }
    state.counters["pages"] = double(files);
    state.counters["links"] = double(links);
}

void CheckLinks(benchmark::State& state, const std::string& root) {
    const std::vector<std::string> paths = Listed(root);
    const std::optional<links::LinkIndex> index = links::BuildIndex(root, paths, 2);
    size_t broken = 0;
    for (auto _ : state) {
        broken = links::CheckLinks(*index, paths).broken.size();
    }
    state.counters["broken"] = double(broken);
}

} // namespace
} // namespace sheafpad

int main(int argc, char** argv) {
    using namespace sheafpad;
    benchmark::Initialize(&argc, argv);
    for (const auto& [name, root] : kRealSites) {
        if (!std::filesystem::is_directory(root)) {
            continue;
        }
        benchmark::RegisterBenchmark(("BM_BuildIndex/" + name).c_str(), BuildIndex, root)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("BM_CheckLinks/" + name).c_str(), CheckLinks, root)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
