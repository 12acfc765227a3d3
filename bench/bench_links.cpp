// SPDX-License-Identifier: GPL-3.0-or-later
// The link index on real sites (Apache's and Python's manuals, installed by
// scripts/bench.sh): built with two threads, a page read again after a key,
// the check of every link; and a rename that keeps the links of a thousand
// pages against a plain write, flush and rename of those pages.
#include "bench_util.h"
#include "files/site_tree.h"
#include "links/link_cache.h"
#include "links/link_check.h"
#include "links/link_index.h"
#include "links/link_move.h"
#include "links/link_tracker.h"
#include "platform/entry_names.h"
#include "search/replace_record.h"
#include "syntax/syntax_edit.h"
#include "syntax/syntax_parser.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <unordered_set>
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
    const double cpu = bench::ProcessCpuSeconds();
    for (auto _ : state) {
        const std::optional<links::LinkIndex> index = links::BuildIndex(root, paths, 2);
        files = index->Files().size();
        links = index->LinkCount();
    }
    // Both workers' time: what the build needs of two idle cores is half of it at best.
    state.counters["cpu_ms"] =
        1000 * (bench::ProcessCpuSeconds() - cpu) / double(state.iterations());
    state.counters["pages"] = double(files);
    state.counters["links"] = double(links);
}

// The floor under the build: tree-sitter's parse of every distinct page,
// style sheet and script alone, read beforehand, on two threads sharing the
// files largest first; nothing walked, resolved or kept.
void ParseOnly(benchmark::State& state, const std::string& root) {
    std::vector<std::pair<syntax::Language, std::string>> files;
    std::unordered_set<uint64_t> seen;
    for (const std::string& path : Listed(root)) {
        const std::string full = root + "/" + path;
        const platform::FileIdentity identity = platform::FileIdentityOf(full);
        if (links::HoldsLinks(path) && identity.exists && seen.insert(identity.inode).second) {
            files.emplace_back(syntax::LanguageForFileName(path), bench::ReadWhole(full));
        }
    }
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return a.second.size() > b.second.size(); });
    size_t bytes = 0;
    for (const auto& file : files) {
        bytes += file.second.size();
    }
    const double cpu = bench::ProcessCpuSeconds();
    for (auto _ : state) {
        std::atomic<size_t> next{0};
        auto work = [&] {
            std::map<syntax::Language, std::unique_ptr<syntax::SyntaxParser>> parsers;
            for (size_t i; (i = next++) < files.size();) {
                auto& parser = parsers[files[i].first];
                if (!parser) {
                    parser = std::make_unique<syntax::SyntaxParser>(files[i].first, false);
                }
                parser->ParseUtf8(files[i].second);
                parser->Drop();
            }
        };
        std::thread other(work);
        work();
        other.join();
    }
    state.counters["cpu_ms"] =
        1000 * (bench::ProcessCpuSeconds() - cpu) / double(state.iterations());
    state.counters["files"] = double(files.size());
    state.counters["MB"] = double(bytes) / 1e6;
}

// The same build when a run before kept the links on disk and no file has
// changed since: the cache read, every file looked at, none parsed.
void BuildIndexCached(benchmark::State& state, const std::string& root) {
    const std::vector<std::string> paths = Listed(root);
    links::LinkCache::Save(*links::BuildIndex(root, paths, 2)); // in the scratch state folder
    size_t read = 0, files = 0;
    for (auto _ : state) {
        const links::LinkCache cache = links::LinkCache::Load(root);
        files = links::BuildIndex(root, paths, 2, nullptr, &cache, &read)->Files().size();
    }
    state.counters["pages"] = double(files);
    state.counters["parsed"] = double(read);
}

// What the report costs once the index is built: every indexed file looked
// at again on the disk, then every link checked.
void CheckLinks(benchmark::State& state, const std::string& root) {
    const std::vector<std::string> paths = Listed(root);
    std::optional<links::LinkIndex> index = links::BuildIndex(root, paths, 2);
    links::LinkScanner scanner;
    size_t broken = 0;
    for (auto _ : state) {
        index->Refresh(scanner);
        broken = links::CheckLinks(*index, paths).broken.size();
    }
    state.counters["broken"] = double(broken);
}

// A first report from nothing, as linkchecker makes one: every file read
// and parsed, then every link checked.
void IndexAndCheck(benchmark::State& state, const std::string& root) {
    const std::vector<std::string> paths = Listed(root);
    size_t broken = 0;
    const double cpu = bench::ProcessCpuSeconds();
    for (auto _ : state) {
        broken = links::CheckLinks(*links::BuildIndex(root, paths, 2), paths).broken.size();
    }
    state.counters["cpu_ms"] =
        1000 * (bench::ProcessCpuSeconds() - cpu) / double(state.iterations());
    state.counters["broken"] = double(broken);
}

// A key typed in the middle of a page, as the window re-reads the page's
// links after it: the edit told to the page's trees, the parse that reuses
// them, the links read and resolved.
void KeyInPage(benchmark::State& state, const std::string& page) {
    const std::string bytes = bench::ReadWhole(page);
    std::u16string text(bytes.size(), u'\0');
    text.resize(DecodeText(bytes, TextEncoding::Utf8, text.data()));
    TextBuffer buffer(text);
    TextSnapshot before = buffer.Snapshot();
    syntax::SyntaxParser parser(syntax::Language::Html, false); // as the window parses it
    parser.Parse(before);
    links::LinkScanner scanner;
    links::LinkTracker tracker;
    tracker.Update(scanner, parser, links::SnapshotText(before));
    links::LinkIndex index("/");
    const size_t middle = buffer.Length() / 2;
    bool insert = true;
    size_t found = 0;
    for (auto _ : state) {
        if (insert) {
            buffer.Insert(middle, u"x");
        } else {
            buffer.Remove(middle, 1);
        }
        const TextChange change{middle, insert ? 0u : 1u, insert ? 1u : 0u};
        insert = !insert;
        const syntax::SyntaxEdit edit = syntax::MakeSyntaxEdit(buffer, before, change);
        parser.Edit(edit);
        tracker.Edit(edit);
        before = buffer.Snapshot();
        parser.Parse(before);
        tracker.Update(scanner, parser, links::SnapshotText(before));
        auto scanned = std::make_shared<links::ScannedFile>();
        scanned->links = tracker.Links();
        found = scanned->links.size();
        index.Set("library/page.html", std::move(scanned));
    }
    state.counters["links"] = double(found);
    state.counters["KiB"] = double(bytes.size()) / 1024;
}

// A site of pages that all link to one page, each with some text around.
constexpr int kLinkingPages = 1000;
struct LinkedSite {
    LinkedSite() : dir("links") {
        const std::string text(4000, 'w');
        for (int i = 0; i < kLinkingPages; ++i) {
            const std::string name = "p" + std::to_string(i) + ".html";
            bench::WriteFsync(dir.file(name), "<p>" + text +
                                                  "</p><a href=\"target.html#top\">t</a>"
                                                  "<a href=\"p0.html\">first</a>\n");
            paths.push_back(name);
        }
        bench::WriteFsync(dir.file("target.html"), "<h1 id=top>Target</h1>");
        paths.push_back("target.html");
    }
    bench::ScratchDir dir;
    std::vector<std::string> paths;
};

// The rename as the window makes it once asked: the index looked at again,
// the edits planned, the file renamed, the record written and every page
// written crash-safely. Put back between runs.
void BM_RenameLinkedFile(benchmark::State& state) {
    LinkedSite site;
    const std::string root = site.dir.file("");
    links::LinkIndex index = *links::BuildIndex(root, site.paths, 2);
    links::LinkScanner scanner;
    bool forth = true;
    for (auto _ : state) {
        const std::string from = forth ? "target.html" : "moved.html";
        const std::string to = forth ? "moved.html" : "target.html";
        forth = !forth;
        index.Refresh(scanner);
        links::MovePlan plan = links::PlanMove(index, {from, to});
        platform::RenameWithoutReplacing(site.dir.file(from), site.dir.file(to));
        search::ApplyEdits(root, plan.edits, {{site.dir.file(from), site.dir.file(to)}}, "");
        state.counters["pages"] = double(plan.edits.size());
    }
}
BENCHMARK(BM_RenameLinkedFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);

// The reference: each of those pages written to a new file, flushed and
// renamed over the page.
void BM_WriteFsyncRenamePages(benchmark::State& state) {
    LinkedSite site;
    std::vector<std::string> pages;
    for (int i = 0; i < kLinkingPages; ++i) {
        pages.push_back(bench::ReadWhole(site.dir.file(site.paths[size_t(i)])));
    }
    for (auto _ : state) {
        for (int i = 0; i < kLinkingPages; ++i) {
            const std::string path = site.dir.file(site.paths[size_t(i)]);
            bench::WriteFsync(path + ".new", pages[size_t(i)]);
            ::rename((path + ".new").c_str(), path.c_str());
        }
    }
}
BENCHMARK(BM_WriteFsyncRenamePages)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);

// linkchecker over the site's start page, through file:// and without the
// network, as a web developer would run it.
void Linkchecker(benchmark::State& state, const std::string& root) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            bench::RunDrained({"linkchecker", "--no-status", "--no-warnings", "--threads=2", "-o",
                               "none", "file://" + root + "/index.html"}));
    }
}

} // namespace
} // namespace sheafpad

int main(int argc, char** argv) {
    using namespace sheafpad;
    // The rename's replace record goes to a scratch state folder, not the user's.
    const bench::ScratchDir state("links-state");
    ::setenv("XDG_STATE_HOME", state.file("").c_str(), 1);
    // "--report FOLDER": the Links report of a folder listed as the
    // benchmarks list it, to set beside another checker's findings.
    if (argc == 3 && std::string_view(argv[1]) == "--report") {
        const std::vector<std::string> paths = Listed(argv[2]);
        for (const std::string& line :
             links::ReportLines(links::CheckLinks(*links::BuildIndex(argv[2], paths, 2), paths))) {
            std::printf("%s\n", line.c_str());
        }
        return 0;
    }
    // "--parse-times FOLDER": each page's parse alone, one thread, slowest a byte first.
    if (argc == 3 && std::string_view(argv[1]) == "--parse-times") {
        struct Timed {
            double ms;
            size_t bytes;
            std::string path;
        };
        std::vector<Timed> times;
        std::map<syntax::Language, std::unique_ptr<syntax::SyntaxParser>> parsers;
        double total = 0;
        size_t bytes = 0;
        for (const std::string& path : Listed(argv[2])) {
            if (!links::HoldsLinks(path)) {
                continue;
            }
            const std::string text = bench::ReadWhole(std::string(argv[2]) + "/" + path);
            const syntax::Language language = syntax::LanguageForFileName(path);
            auto& parser = parsers[language];
            if (!parser) {
                parser = std::make_unique<syntax::SyntaxParser>(language, false);
            }
            const double start = bench::ProcessCpuSeconds();
            parser->ParseUtf8(text);
            parser->Drop();
            times.push_back({1000 * (bench::ProcessCpuSeconds() - start), text.size(), path});
            total += times.back().ms;
            bytes += text.size();
        }
        std::sort(times.begin(), times.end(), [](const Timed& a, const Timed& b) {
            return a.ms / double(a.bytes + 1) > b.ms / double(b.bytes + 1);
        });
        std::printf("%zu files, %.1f MB, %.0f ms: %.1f MB/s\n", times.size(), double(bytes) / 1e6,
                    total, double(bytes) / 1e3 / total);
        for (size_t i = 0; i < std::min<size_t>(times.size(), 12); ++i) {
            std::printf("%8.1f ms %9zu bytes %6.1f MB/s  %s\n", times[i].ms, times[i].bytes,
                        double(times[i].bytes) / 1e3 / times[i].ms, times[i].path.c_str());
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    for (const auto& [name, root] : kRealSites) {
        if (!std::filesystem::is_directory(root)) {
            continue;
        }
        benchmark::RegisterBenchmark(("BM_BuildIndex/" + name).c_str(), BuildIndex, root)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("BM_ParseOnly/" + name).c_str(), ParseOnly, root)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("BM_BuildIndexCached/" + name).c_str(), BuildIndexCached,
                                     root)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("BM_CheckLinks/" + name).c_str(), CheckLinks, root)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("BM_IndexAndCheck/" + name).c_str(), IndexAndCheck, root)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1);
        if (std::system("command -v linkchecker >/dev/null 2>&1") == 0) {
            benchmark::RegisterBenchmark(("BM_Linkchecker/" + name).c_str(), Linkchecker, root)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Iterations(1);
        }
    }
    // The heaviest page of Python's manual, and one of a common size.
    for (const char* page : {"library/os.html", "library/glob.html"}) {
        const std::string path = std::string("/usr/share/doc/python3.11-doc/html/") + page;
        if (std::filesystem::exists(path)) {
            benchmark::RegisterBenchmark(("BM_KeyInPage/" + std::string(page)).c_str(), KeyInPage,
                                         path)
                ->Unit(benchmark::kMillisecond);
        }
    }
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto& [name, root] : kRealSites) {
        reporter.PrintRatio("check every link of " + name + " from nothing: linkchecker vs us",
                            "BM_Linkchecker/" + name, "BM_IndexAndCheck/" + name, 20,
                            bench::RatioReporter::Goal::AtLeast);
        reporter.PrintRatio("check every link of " + name + " once indexed: linkchecker vs us",
                            "BM_Linkchecker/" + name, "BM_CheckLinks/" + name, 20,
                            bench::RatioReporter::Goal::AtLeast);
    }
    reporter.PrintRatio("rename of a file linked from 1,000 pages vs write+fsync+rename of them",
                        "BM_RenameLinkedFile", "BM_WriteFsyncRenamePages", 3);
    benchmark::Shutdown();
}
