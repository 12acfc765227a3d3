// SPDX-License-Identifier: GPL-3.0-or-later
// A page's links kept current edit by edit, and the links kept on disk
// between runs.
#include "links/link_cache.h"
#include "links/link_index.h"
#include "links/link_tracker.h"
#include "syntax/grammars_or_skip.h"
#include "test_util.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

namespace sheafpad::links {
namespace {

// After random edits, some of several keys before one parse, the links kept
// current are those a full read of the same trees finds, places included.
TEST(LinkTracker, EditedPageKeepsWhatAFullReadFinds) {
    SKIP_WITHOUT_GRAMMARS();
    const std::u16string page =
        u"<!DOCTYPE html><html><head>\n<link rel=stylesheet href=\"css/site.css?v=2\">\n"
        u"<meta http-equiv=Refresh content=\"5; URL=next.html\">\n"
        u"<style>@import \"print.css\"; body { background: url(img/bg.png) }</style>\n"
        u"<script type=module>import a from './a.js'; new Worker(\"w.js\");</script>\n"
        u"</head><body><a href=one.html>1</a> <a href='two.html#x'>2</a>\n"
        u"<img src=\u00e9t\u00e9.png srcset=\"s1.png 1x,\n s2.png 2x\" style=\"background: "
        u"url(b.png)\">\n<p>text <a href=\"three.html\">3</a></p><!-- <a href=c.html> -->\n";
    // Pieces that make, break and join tags, values and lines.
    const std::u16string pieces[] = {u"<a href=\"x.html\">",
                                     u"\"",
                                     u">",
                                     u"<",
                                     u"\n",
                                     u" ",
                                     u"é",
                                     u"url(y.png)",
                                     u"<script>import \"z.js\"</script>",
                                     u"src=q.png ",
                                     u"<!--",
                                     u"-->",
                                     u"\U0001F600"};
    TextBuffer buffer(page);
    syntax::SyntaxParser parser(syntax::Language::Html, false);
    LinkScanner scanner;
    LinkTracker tracker;
    TextSnapshot text = buffer.Snapshot();
    ASSERT_EQ(parser.Parse(text), syntax::ParseOutcome::Parsed);
    tracker.Update(scanner, parser, SnapshotText(text));
    ASSERT_TRUE(tracker.Known());
    std::mt19937 random(28);
    size_t reused = 0, links = 0;
    for (int round = 0; round < 400; ++round) {
        for (int keys = std::uniform_int_distribution(1, 3)(random); keys > 0; --keys) {
            const size_t pos = std::uniform_int_distribution<size_t>(0, buffer.Length())(random);
            const size_t removed =
                std::min(buffer.Length() - pos, size_t(random() % 3 == 0 ? random() % 12 : 0));
            const std::u16string& inserted = pieces[random() % std::size(pieces)];
            const std::u16string_view added =
                removed > 0 && random() % 2 ? std::u16string_view() : inserted;
            buffer.Remove(pos, removed);
            buffer.Insert(pos, added);
            const syntax::SyntaxEdit edit =
                syntax::MakeSyntaxEdit(buffer, text, TextChange{pos, removed, added.size()});
            parser.Edit(edit);
            tracker.Edit(edit);
            text = buffer.Snapshot();
        }
        ASSERT_EQ(parser.Parse(text), syntax::ParseOutcome::Parsed);
        reused += parser.Reused() ? 1 : 0;
        tracker.Update(scanner, parser, SnapshotText(text));
        const std::vector<RawLink> full = scanner.ScanTrees(parser.Trees(), SnapshotText(text));
        ASSERT_EQ(tracker.Links(), full) << "after round " << round;
        links += full.size();
    }
    EXPECT_GT(reused, 300u) << "the parses reused the trees, so the links were kept, not read";
    EXPECT_GT(links, 400u * 3) << "the edits left links to keep";
}

// The links of a run before are used for the files unchanged since, and
// only for them; a damaged cache is not used; it is this user's alone.
TEST(LinkCacheTest, UsedOnlyForUnchangedFiles) {
    SKIP_WITHOUT_GRAMMARS();
    const test::TempDir site, state;
    const std::string folder = state.file("links");
    test::WriteFileIn(site.path(), "a.html", "<a href=b.html>b</a>");
    test::WriteFileIn(site.path(), "b.html", "<img src=logo.png>");
    test::WriteFileIn(site.path(), "c.css", "p { background: url(bg.png) }");
    const std::vector<std::string> paths = {"a.html", "b.html", "c.css"};
    size_t read = 0;
    const std::optional<LinkIndex> first =
        BuildIndex(site.path(), paths, 1, nullptr, nullptr, &read);
    ASSERT_TRUE(first);
    EXPECT_EQ(read, 3u);
    ASSERT_EQ(LinkCache::Save(*first, folder), 0);
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // b.html replaced by a new file of the same size, c.css rewritten in place.
    test::WriteFileIn(site.path(), "b.new", "<img src=LOGO.png>");
    ASSERT_EQ(::rename(site.file("b.new").c_str(), site.file("b.html").c_str()), 0);
    test::WriteFileIn(site.path(), "c.css", "p { background: url(bg.gif) }");
    const LinkCache cache = LinkCache::Load(site.path(), folder);
    EXPECT_EQ(cache.Size(), 3u);
    const std::optional<LinkIndex> second =
        BuildIndex(site.path(), paths, 1, nullptr, &cache, &read);
    ASSERT_TRUE(second);
    EXPECT_EQ(read, 2u) << "a.html from the cache, the changed files read";
    EXPECT_EQ(second->Find("a.html")->scanned,
              cache.Find(first->Find("a.html")->scanned->key, syntax::Language::Html));
    EXPECT_EQ(second->Find("b.html")->scanned->links.at(0).value, "LOGO.png");
    EXPECT_EQ(second->Find("c.css")->scanned->links.at(0).value, "bg.gif");
    EXPECT_EQ(LinkCache::Load(state.path(), folder).Size(), 0u) << "another folder's";

    // A damaged byte anywhere, or a cache cut short: nothing is used.
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        files.push_back(entry.path());
    }
    ASSERT_EQ(files.size(), 1u);
    ASSERT_EQ(::stat(files[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string bytes = test::ReadFile(files[0]);
    for (size_t at = 0; at < bytes.size(); ++at) {
        std::string flipped = bytes;
        flipped[at] = char(flipped[at] ^ 0x10);
        for (const std::string& damaged : {flipped, bytes.substr(0, at)}) {
            test::WriteFile(files[0], damaged);
            ASSERT_EQ(LinkCache::Load(site.path(), folder).Size(), 0u) << "damaged at " << at;
        }
    }
    test::WriteFile(files[0], bytes);
    EXPECT_EQ(LinkCache::Load(site.path(), folder).Size(), 3u);
}

} // namespace
} // namespace sheafpad::links
