// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/colour_worker.h"
#include "syntax/grammars_or_skip.h"
#include "syntax/syntax_highlighter.h"
#include "syntax/syntax_parser.h"
#include "syntax/tree_memory.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <string>

namespace sheafpad::syntax {
namespace {

const char* const kKindNames[kKindCount] = {"none",     "keyword",    "string",    "comment",
                                            "number",   "tag",        "attribute", "property",
                                            "function", "punctuation"};

// One line per span, "kind text", characters beyond ASCII as \u{hex}.
std::string Render(const std::vector<ColourSpan>& spans, const std::u16string& text) {
    std::string out;
    for (const ColourSpan& span : spans) {
        out += kKindNames[int(span.kind)];
        out += ' ';
        for (char16_t c : text.substr(span.start, span.length)) {
            char hex[16];
            snprintf(hex, sizeof hex, "\\u{%x}", unsigned(c));
            out += c < 0x80 ? std::string(1, char(c)) : std::string(hex);
        }
        out += '\n';
    }
    return out;
}

std::vector<ColourSpan> SpansOf(const SyntaxTrees& trees, const TextSnapshot& text) {
    SyntaxHighlighter highlighter;
    return highlighter.Spans(
        trees, [&](size_t pos, size_t count) { return text.Text(pos, count); }, 0, text.Length());
}

std::vector<ColourSpan> FreshSpans(Language language, const TextSnapshot& text) {
    SyntaxParser parser(language);
    EXPECT_EQ(parser.Parse(text), ParseOutcome::Parsed);
    return SpansOf(parser.Trees(), text);
}

// A page with an embedded style sheet and script, and characters beyond the
// basic plane before and inside them (positions are UTF-16 units).
const std::u16string kPage = u"<!DOCTYPE html>\n"
                             u"<p class=\"a\">Caf\u00e9 \U0001F600</p>\n"
                             u"<style>\n"
                             u"/* s */ p { margin: 0 2px; content: \"\u00e9\"; }\n"
                             u"</style>\n"
                             u"<script>\n"
                             u"// c\n"
                             u"let n = f(\"\U0001F600\", 42);\n"
                             u"</script>\n";

TEST(SyntaxColours, PageWithStyleAndScriptGetsTheGoldenColours) {
    SKIP_WITHOUT_GRAMMARS();
    const TextBuffer page(kPage);
    const std::string expected = "keyword <!DOCTYPE html\n"
                                 "punctuation >\n"
                                 "punctuation <\n"
                                 "tag p\n"
                                 "attribute class\n"
                                 "string a\n"
                                 "punctuation >\n"
                                 "punctuation </\n"
                                 "tag p\n"
                                 "punctuation >\n"
                                 "punctuation <\n"
                                 "tag style\n"
                                 "punctuation >\n"
                                 "comment /* s */\n"
                                 "tag p\n"
                                 "property margin\n"
                                 "punctuation :\n"
                                 "number 0\n"
                                 "number 2px\n"
                                 "property content\n"
                                 "punctuation :\n"
                                 "string \"\\u{e9}\"\n"
                                 "punctuation </\n"
                                 "tag style\n"
                                 "punctuation >\n"
                                 "punctuation <\n"
                                 "tag script\n"
                                 "punctuation >\n"
                                 "comment // c\n"
                                 "keyword let\n"
                                 "punctuation =\n"
                                 "function f\n"
                                 "punctuation (\n"
                                 "string \"\\u{d83d}\\u{de00}\"\n"
                                 "punctuation ,\n"
                                 "number 42\n"
                                 "punctuation );\n"
                                 "punctuation </\n"
                                 "tag script\n"
                                 "punctuation >\n";
    EXPECT_EQ(Render(FreshSpans(Language::Html, page.Snapshot()), kPage), expected);

    // A stretch of the text gets the same colours, cut at its ends.
    SyntaxParser parser(Language::Html);
    ASSERT_EQ(parser.Parse(page.Snapshot()), ParseOutcome::Parsed);
    const TextSnapshot text = page.Snapshot();
    const size_t from = kPage.find(u"argin"), to = kPage.find(u"42") + 1;
    SyntaxHighlighter highlighter;
    const auto part = highlighter.Spans(
        parser.Trees(), [&](size_t pos, size_t count) { return text.Text(pos, count); }, from, to);
    ASSERT_FALSE(part.empty());
    EXPECT_EQ(part.front(), (ColourSpan{from, 5, Kind::Property}));
    EXPECT_EQ(part.back(), (ColourSpan{to - 1, 1, Kind::Number}));
}

// Two trees agree node for node, in bytes and in (line, column).
void ExpectSameTree(TSNode a, TSNode b) {
    ASSERT_STREQ(ts_node_type(a), ts_node_type(b));
    ASSERT_EQ(ts_node_start_byte(a), ts_node_start_byte(b));
    ASSERT_EQ(ts_node_end_byte(a), ts_node_end_byte(b));
    ASSERT_EQ(ts_node_start_point(a).row, ts_node_start_point(b).row);
    ASSERT_EQ(ts_node_start_point(a).column, ts_node_start_point(b).column);
    ASSERT_EQ(ts_node_end_point(a).row, ts_node_end_point(b).row);
    ASSERT_EQ(ts_node_end_point(a).column, ts_node_end_point(b).column);
    ASSERT_EQ(ts_node_child_count(a), ts_node_child_count(b));
    for (uint32_t i = 0; i < ts_node_child_count(a); ++i) {
        ExpectSameTree(ts_node_child(a, i), ts_node_child(b, i));
    }
}

// A text edited as the pane does it: each edit goes to the worker with the
// version it makes, and to the copy of the trees that the screen shows.
class EditedText {
public:
    EditedText(Language language, const std::u16string& text)
        : language_(language), buffer_(text), worker_([this] { Ready(); }) {
        worker_.Start(language, buffer_.Snapshot(), version_);
    }

    void Insert(size_t pos, std::u16string_view text) {
        const TextSnapshot before = buffer_.Snapshot();
        buffer_.Insert(pos, text);
        Edited(before, TextChange{pos, 0, text.size()});
    }
    void Remove(size_t pos, size_t count) {
        const TextSnapshot before = buffer_.Snapshot();
        buffer_.Remove(pos, count);
        Edited(before, TextChange{pos, count, 0});
    }

    // Waits for the colours of the newest version; then the shown trees are
    // the worker's, and changed holds where colours may have changed since
    // the previous result.
    void WaitForColours() {
        std::optional<ColourWorker::Result> result;
        while (!result) {
            std::unique_lock lock(mutex_);
            ASSERT_TRUE(wake_.wait_for(lock, std::chrono::seconds(30), [&] { return ready_; }))
                << "no colours for version " << version_;
            ready_ = false;
            lock.unlock();
            // A result that a later edit made stale is not handed out.
            result = worker_.Take();
        }
        ASSERT_EQ(result->version, version_);
        ASSERT_FALSE(result->tooCostly);
        changed = ChangedRanges(shown, result->trees, buffer_.Length());
        shown = std::move(result->trees);
    }

    std::vector<ColourSpan> ShownSpans() const { return SpansOf(shown, buffer_.Snapshot()); }
    std::vector<ColourSpan> FreshSpans() const {
        return syntax::FreshSpans(language_, buffer_.Snapshot());
    }
    void ExpectSameAsFreshParse() const {
        SyntaxParser fresh(language_);
        ASSERT_EQ(fresh.Parse(buffer_.Snapshot()), ParseOutcome::Parsed);
        ExpectSameTree(ts_tree_root_node(shown.tree.get()),
                       ts_tree_root_node(fresh.Trees().tree.get()));
        EXPECT_EQ(ShownSpans(), FreshSpans());
    }

    SyntaxTrees shown;
    std::vector<UnitRange> changed;

private:
    void Edited(const TextSnapshot& before, const TextChange& change) {
        const SyntaxEdit edit = MakeSyntaxEdit(buffer_, before, change);
        shown.Edit(edit);
        worker_.Edited(edit, buffer_.Snapshot(), ++version_);
    }
    void Ready() {
        std::lock_guard lock(mutex_);
        ready_ = true;
        wake_.notify_all();
    }

    Language language_;
    TextBuffer buffer_;
    uint64_t version_ = 0;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool ready_ = false;
    ColourWorker worker_; // last: stopped before the rest goes
};

TEST(SyntaxColours, EditsFarReachingOrTypedFollowOnTheWorkerAsAFreshParseWould) {
    SKIP_WITHOUT_GRAMMARS();
    EditedText page(Language::Html, kPage + u"<!-- end -->\n");
    page.WaitForColours();
    const std::vector<ColourSpan> original = page.ShownSpans();
    EXPECT_EQ(original, page.FreshSpans());

    // Opening a comment at the top makes everything up to the "-->" at the
    // end a comment; the screen is told to repaint all that changed.
    page.Insert(0, u"<!--");
    const std::vector<ColourSpan> stale = page.ShownSpans(); // old colours, moved along
    page.WaitForColours();
    page.ExpectSameAsFreshParse();
    const std::vector<ColourSpan> commented = page.ShownSpans();
    ASSERT_FALSE(commented.empty());
    EXPECT_EQ(commented.front().kind, Kind::Comment);
    EXPECT_GT(commented.front().length, kPage.size());
    std::vector<bool> covered(kPage.size() + 20, false);
    for (const UnitRange& r : page.changed) {
        std::fill(covered.begin() + r.start, covered.begin() + std::min(r.end, covered.size()),
                  true);
    }
    auto kindsAt = [](const std::vector<ColourSpan>& spans, size_t length) {
        std::vector<Kind> kinds(length, Kind::None);
        for (const ColourSpan& s : spans) {
            std::fill(kinds.begin() + s.start, kinds.begin() + s.start + s.length, s.kind);
        }
        return kinds;
    };
    const auto before = kindsAt(stale, covered.size()), after = kindsAt(commented, covered.size());
    for (size_t pos = 4; pos < covered.size(); ++pos) {
        ASSERT_TRUE(before[pos] == after[pos] || covered[pos]) << "not repainted at " << pos;
    }

    // Closing it again restores the colours.
    page.Remove(0, 4);
    page.WaitForColours();
    EXPECT_EQ(page.ShownSpans(), original);

    // Typing in the script, a line break and its removal included, then
    // edits made faster than the worker parses.
    const size_t at = kPage.find(u"42");
    for (std::u16string_view key : {u" ", u"\n", u"x", u"+"}) {
        page.Insert(at, key);
    }
    page.Remove(at + 2, 1); // the line feed: the keys went in before one another
    page.WaitForColours();
    page.ExpectSameAsFreshParse();
    for (int i = 0; i < 30; ++i) {
        page.Insert(at, i % 3 == 0 ? u"\n" : u"y");
    }
    page.WaitForColours();
    page.ExpectSameAsFreshParse();
}

TEST(SyntaxColours, AParseBeyondItsLimitsGivesUpAndFreesItsTrees) {
    SKIP_WITHOUT_GRAMMARS();
    std::u16string script;
    while (script.size() < 200'000) {
        script += u"function f(a, b) { return [a, b, \"s\"].map(x => x * 2); }\n";
    }
    const TextBuffer text(script);
    SyntaxParser parser(Language::JavaScript);
    ASSERT_EQ(parser.Parse(text.Snapshot()), ParseOutcome::Parsed);
    const size_t parsedMemory = TreeMemory();
    EXPECT_GT(parsedMemory, script.size()) << "the counter misses tree-sitter's allocations";

    // The limits are checked between slices of the parse: a full parse of
    // this script takes several.
    ParseLimits none;
    none.treeBytes = 0;
    SyntaxParser costly(Language::JavaScript);
    EXPECT_EQ(costly.Parse(text.Snapshot(), nullptr, none), ParseOutcome::TooCostly);
    EXPECT_TRUE(costly.Trees().Empty());
    EXPECT_LE(TreeMemory(), parsedMemory + parsedMemory / 4) << "the cut-off parse kept its nodes";

    // Random letters and signs, no code at all, would take tree-sitter
    // seconds; the worker's limits stop it early, and let the script through.
    std::u16string noise;
    uint32_t seed = 3;
    while (noise.size() < script.size()) {
        seed = seed * 1103515245 + 12345;
        noise += u"abcdefghijklmnopqrstuvwxyz     ();={}"[(seed >> 16) % 37];
    }
    const TextBuffer noisy(noise);
    SyntaxParser junk(Language::JavaScript);
    EXPECT_EQ(junk.Parse(noisy.Snapshot(), nullptr, ColourWorker::LimitsFor(noise.size())),
              ParseOutcome::TooCostly);
    SyntaxParser code(Language::JavaScript);
    EXPECT_EQ(code.Parse(text.Snapshot(), nullptr, ColourWorker::LimitsFor(script.size())),
              ParseOutcome::Parsed);
}

} // namespace
} // namespace sheafpad::syntax
