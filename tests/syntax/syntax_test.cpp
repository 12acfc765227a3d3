// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/colour_worker.h"
#include "syntax/grammars_or_skip.h"
#include "syntax/segmented_colours.h"
#include "syntax/shown_colours.h"
#include "syntax/syntax_highlighter.h"
#include "syntax/syntax_parser.h"
#include "syntax/tree_memory.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>

namespace sheafpad::syntax {
namespace {

const char* const kKindNames[kKindCount] = {
    "none",     "keyword",  "string",      "comment",  "number", "tag",     "attribute",
    "property", "function", "punctuation", "selector", "pseudo", "at-rule", "entity"};

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

// Where two colourings of a text first differ, for a readable failure.
std::string FirstDifference(const std::vector<ColourSpan>& a, const std::vector<ColourSpan>& b) {
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i >= a.size() || i >= b.size() || !(a[i] == b[i])) {
            auto show = [&](const std::vector<ColourSpan>& s) {
                return i < s.size()
                           ? std::to_string(s[i].start) + "+" + std::to_string(s[i].length) + " " +
                                 kKindNames[int(s[i].kind)]
                           : std::string("none");
            };
            return "span " + std::to_string(i) + ": " + show(a) + " against " + show(b);
        }
    }
    return "none";
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

TEST(SyntaxColours, SelectorsPseudoClassesAtRulesAndCharacterReferencesHaveColoursOfTheirOwn) {
    SKIP_WITHOUT_GRAMMARS();
    const std::u16string sheet = u"@media screen { .menu #top a:hover::before { color: red; } }\n"
                                 u"@font-face { font-family: x; }\n";
    const TextBuffer css(sheet);
    EXPECT_EQ(Render(FreshSpans(Language::Css, css.Snapshot()), sheet), "at-rule @media\n"
                                                                        "selector .menu\n"
                                                                        "selector #top\n"
                                                                        "tag a\n"
                                                                        "pseudo :hover::before\n"
                                                                        "property color\n"
                                                                        "punctuation :\n"
                                                                        "at-rule @font-face\n"
                                                                        "property font-family\n"
                                                                        "punctuation :\n");
    const std::u16string page = u"<p title=\"a &amp; b\">Fish &amp; chips &#8364;</p>";
    const TextBuffer html(page);
    const std::string rendered = Render(FreshSpans(Language::Html, html.Snapshot()), page);
    EXPECT_NE(rendered.find("entity &amp;\n"), std::string::npos) << rendered;
    EXPECT_NE(rendered.find("entity &#8364;\n"), std::string::npos) << rendered;
}

// A text edited as the pane does it: each edit goes to the worker with the
// revision it makes, and to the colours shown.
class EditedText {
public:
    // keepTrees: how long the worker keeps the trees after an edit.
    EditedText(Language language, const std::u16string& text,
               std::chrono::milliseconds keepTrees = ColourWorker::kKeepTrees,
               TextRange showing = ColourWorker::kAll)
        : language_(language), buffer_(text), worker_([this] { Ready(); }, keepTrees) {
        shown.Reset(buffer_.Length(), buffer_.Revision());
        worker_.Start(language, buffer_.Snapshot(), buffer_.Revision(), showing);
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
    void Show(TextRange range) {
        worker_.Show(range);
        shown.Showing();
    }

    // Waits until the colours shown are final for the newest revision;
    // changed then holds where they changed since the last wait. Fails at
    // once when no colours come or the text would cost too much.
    [[nodiscard]] testing::AssertionResult WaitForColours() {
        changed.clear();
        while (!shown.Complete()) {
            std::unique_lock lock(mutex_);
            if (!wake_.wait_for(lock, std::chrono::seconds(30), [&] { return ready_; })) {
                return testing::AssertionFailure()
                       << "no colours for revision " << buffer_.Revision();
            }
            ready_ = false;
            lock.unlock();
            const ShownColours::Taken taken = shown.Take(worker_.Take(), buffer_.History());
            if (taken.tooCostly) {
                return testing::AssertionFailure() << "the text was judged too costly to colour";
            }
            changed.insert(changed.end(), taken.changed.begin(), taken.changed.end());
        }
        return testing::AssertionSuccess();
    }

    size_t Length() const { return buffer_.Length(); }
    std::vector<ColourSpan> ShownSpans(size_t from = 0, size_t to = size_t(-1)) const {
        return shown.Store().Spans(from, std::min(to, buffer_.Length()));
    }
    std::vector<ColourSpan> FreshSpans(size_t from = 0, size_t to = size_t(-1)) const {
        const std::vector<ColourSpan> all = syntax::FreshSpans(language_, buffer_.Snapshot());
        std::vector<ColourSpan> part;
        for (ColourSpan span : all) {
            const size_t end = std::min(span.start + span.length, to);
            span.start = std::max(span.start, from);
            if (span.start < end) {
                span.length = end - span.start;
                part.push_back(span);
            }
        }
        return part;
    }

    // Whether the text, at rest, frees its trees within a few seconds.
    bool TreesFreed() {
        for (int i = 0; i < 100 && worker_.TreesFreed() == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return worker_.TreesFreed() > 0;
    }

    ShownColours shown;
    std::vector<UnitRange> changed;

private:
    void Edited(const TextSnapshot& before, const TextChange& change) {
        const SyntaxEdit edit = MakeSyntaxEdit(buffer_, before, change);
        shown.Edited(change, buffer_.Revision());
        worker_.Edited(edit, buffer_.Snapshot(), buffer_.Revision());
    }
    void Ready() {
        std::lock_guard lock(mutex_);
        ready_ = true;
        wake_.notify_all();
    }

    Language language_;
    TextBuffer buffer_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool ready_ = false;
    ColourWorker worker_; // last: stopped before the rest goes
};

// Edits parsed incrementally on the kept trees, or (GetParam() true) on a
// text that rested and freed them.
class WorkerEdits : public testing::TestWithParam<bool> {};

TEST_P(WorkerEdits, FarReachingOrTypedFollowAsAFreshParseWould) {
    SKIP_WITHOUT_GRAMMARS();
    using std::chrono::milliseconds;
    EditedText page(Language::Html, kPage + u"<!-- end -->\n",
                    GetParam() ? milliseconds(0) : ColourWorker::kKeepTrees);
    ASSERT_TRUE(page.WaitForColours());
    const std::vector<ColourSpan> original = page.ShownSpans();
    EXPECT_EQ(original, page.FreshSpans());
    if (GetParam()) {
        ASSERT_TRUE(page.TreesFreed()) << "the text rested and kept its trees";
    }

    // Opening a comment at the top makes everything up to the "-->" at the
    // end a comment; the screen is told to repaint all that changed.
    page.Insert(0, u"<!--");
    const std::vector<ColourSpan> stale = page.ShownSpans(); // old colours, moved along
    ASSERT_TRUE(page.WaitForColours());
    EXPECT_EQ(page.ShownSpans(), page.FreshSpans());
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
    ASSERT_TRUE(page.WaitForColours());
    EXPECT_EQ(page.ShownSpans(), original);

    // Typing in the script, a line break and its removal included, then
    // edits made faster than the worker parses.
    const size_t at = kPage.find(u"42");
    for (std::u16string_view key : {u" ", u"\n", u"x", u"+"}) {
        page.Insert(at, key);
    }
    page.Remove(at + 2, 1); // the line feed: the keys went in before one another
    ASSERT_TRUE(page.WaitForColours());
    EXPECT_EQ(page.ShownSpans(), page.FreshSpans());
    for (int i = 0; i < 30; ++i) {
        page.Insert(at, i % 3 == 0 ? u"\n" : u"y");
    }
    ASSERT_TRUE(page.WaitForColours());
    EXPECT_EQ(page.ShownSpans(), page.FreshSpans());
}

TEST(SyntaxColours, APageTypedIntoAnEmptyFileIsColoured) {
    SKIP_WITHOUT_GRAMMARS();
    EditedText page(Language::Html, u"");
    ASSERT_TRUE(page.WaitForColours());
    for (const char16_t c : std::u16string_view(u"<p class=\"a\">x</p>")) {
        page.Insert(page.Length(), std::u16string(1, c));
    }
    ASSERT_TRUE(page.WaitForColours());
    EXPECT_FALSE(page.ShownSpans().empty());
    EXPECT_EQ(FirstDifference(page.ShownSpans(), page.FreshSpans()), "none");
}

INSTANTIATE_TEST_SUITE_P(SyntaxColours, WorkerEdits, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Rested" : "Kept"; });

TEST(SyntaxColours, AScriptTooBigToKeepItsTreeIsColouredAsAWholeParseWould) {
    SKIP_WITHOUT_GRAMMARS();
    // Statements of every sort, on one line as a minified script has them,
    // past the length whose tree the worker keeps.
    std::u16string script;
    for (int i = 0; script.size() <= ColourWorker::kMostKeptTree + 40'000; ++i) {
        script += u"var a" + std::u16string(1, char16_t(u'a' + i % 26)) +
                  u"=/x+\\//g.test(\"s\")?1e3:`t${b}`;function f(c){if(c)return c/2;"
                  u"else{for(;;)break}}/* c */class K extends f{m(){return{p:[1,'q']}}};";
    }
    EditedText big(Language::JavaScript, script);
    ASSERT_TRUE(big.WaitForColours());
    const std::vector<ColourSpan> original = big.ShownSpans();
    EXPECT_EQ(FirstDifference(original, big.FreshSpans()), "none");

    // A comment opened at the top reaches the first "*/"; typed in the
    // middle, a string's quote changes what follows it, and an unclosed
    // template string all the rest.
    big.Insert(0, u"/*");
    ASSERT_TRUE(big.WaitForColours());
    EXPECT_EQ(FirstDifference(big.ShownSpans(), big.FreshSpans()), "none");
    big.Remove(0, 2);
    ASSERT_TRUE(big.WaitForColours());
    EXPECT_EQ(FirstDifference(big.ShownSpans(), original), "none");
    const size_t middle = script.find(u"var", script.size() / 2);
    for (std::u16string_view key : {u"x", u"(", u"\"", u";", u"`"}) {
        big.Insert(middle, key);
        ASSERT_TRUE(big.WaitForColours());
        EXPECT_EQ(FirstDifference(big.ShownSpans(), big.FreshSpans()), "none")
            << "after typing " << std::string(key.begin(), key.end());
    }
}

TEST(SyntaxColours, ABigScriptIsParsedOnlyAroundWhatIsWantedAndAKeyThereParsesLittleMore) {
    SKIP_WITHOUT_GRAMMARS();
    std::u16string script;
    while (script.size() < 600'000) {
        script += u"function f(a){return a.map(x=>x*2)};var s=\"t\";if(s)g();else h();";
    }
    TextBuffer buffer(script);
    SegmentedColours colours(Language::JavaScript);
    colours.Reset(buffer.Length());
    const ParseLimits limits = ColourWorker::LimitsFor(SegmentedColours::kMostLead);
    std::vector<Kind> kinds(script.size() + 16, Kind::None);
    auto step = [&](TextRange window) {
        std::vector<ColourPatch> patches;
        if (colours.Step(buffer.Snapshot(), window, window, nullptr, limits, patches) !=
            ParseOutcome::Parsed) {
            return false;
        }
        for (const ColourPatch& p : patches) {
            std::copy(p.kinds.begin(), p.kinds.end(), kinds.begin() + long(p.from));
        }
        return true;
    };
    auto freshKinds = [&](TextRange window) {
        std::vector<Kind> fresh(window.end - window.start, Kind::None);
        for (const ColourSpan& span : FreshSpans(Language::JavaScript, buffer.Snapshot())) {
            for (size_t i = span.start; i < span.start + span.length; ++i) {
                if (i >= window.start && i < window.end) {
                    fresh[i - window.start] = span.kind;
                }
            }
        }
        return std::vector<Kind>(fresh);
    };
    // A window far down the text: little more than it is parsed, and its
    // colours are those of a whole parse; the start stays uncoloured.
    const size_t far = script.size() * 3 / 4;
    const TextRange window{far, far + 4000};
    size_t parsed = 0;
    while (!colours.Done(window)) {
        ASSERT_TRUE(step(window));
        parsed += colours.LastParsed();
    }
    EXPECT_LT(parsed, 64'000u);
    EXPECT_EQ(std::vector<Kind>(kinds.begin() + long(far), kinds.begin() + long(window.end)),
              freshKinds(window));
    EXPECT_FALSE(colours.Done(TextRange{0, 100}));

    // A letter before a statement makes it an error until the next key; a
    // line break, a sign: each parses a little, incrementally. A string's
    // quote changes all that follows. The window's colours stay those of a
    // whole parse.
    const std::u16string_view keys[] = {u"a", u"\n", u"+", u"\""};
    for (size_t i = 0; i < std::size(keys); ++i) {
        const size_t at = script.find(u"function", far + 1000 * i);
        const TextSnapshot before = buffer.Snapshot();
        buffer.Insert(at, keys[i]);
        colours.Edit(MakeSyntaxEdit(buffer, before, TextChange{at, 0, keys[i].size()}));
        kinds.insert(kinds.begin() + long(at), keys[i].size(), Kind::None);
        ASSERT_TRUE(step(window));
        if (keys[i] != u"\"") {
            EXPECT_LT(colours.LastParsed(), 16'384u) << "key " << i;
        }
        while (!colours.Done(window)) {
            ASSERT_TRUE(step(window));
        }
        EXPECT_EQ(std::vector<Kind>(kinds.begin() + long(far), kinds.begin() + long(window.end)),
                  freshKinds(window))
            << "after key " << i;
    }
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
