// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/script_scan.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace sheafpad::syntax {
namespace {

// The text of parts, and the boundaries expected after those marked.
struct Parts {
    std::u16string text;
    std::vector<size_t> boundaries;
    Parts& Add(std::u16string_view part, bool boundaryAfter) {
        text += part;
        if (boundaryAfter) {
            boundaries.push_back(text.size());
        }
        return *this;
    }
};

std::vector<size_t> Scanned(Language language, const std::u16string& text) {
    const TextBuffer buffer(text);
    ScriptScan scan(language);
    scan.Reset(text.size());
    scan.Update(buffer.Snapshot());
    return scan.Boundaries();
}

TEST(ScriptScan, BoundariesLieBetweenTopLevelItemsNeverInsideLiteralsCommentsOrBrackets) {
    Parts script;
    script.Add(u"a=1;", true)
        .Add(u"if(x)b();", false) // an else follows
        .Add(u" else c();", true)
        .Add(u"s='x;y'+\"z;\\\";w\";", true)
        .Add(u"t=`${u(';')}; ${{v:`;`}}`;", true)
        .Add(u"r=/;[/;]\\/;/g.test(s);", true) // a regular expression after '='
        .Add(u"d=e/2;", true)                  // a division after a name
        .Add(u"if(q)return/;/.test(s);", true) // a regular expression after return
        .Add(u"/* ; } */f(g,function(){h();});", true)
        .Add(u"// ;\n", false)
        .Add(u"function k(){l()}", true) // a declaration's end, a statement follows
        .Add(u"var m={n:1}", true)       // the line break ends it
        .Add(u"\n", false)
        .Add(u"try{o()}", false)
        .Add(u"catch(e){}", true)
        .Add(u"let p", false);
    EXPECT_EQ(Scanned(Language::JavaScript, script.text), script.boundaries);

    Parts sheet;
    sheet.Add(u"@import \"a;b\";", true)
        .Add(u"\n.a{color:red;background:url(x;y)}", true)
        .Add(u"\n@media x{.b{c:d}.e{f:g}}", true)
        .Add(u"\n/* } ; */ .h{content:'}'}", true)
        .Add(u"\n.i{", false);
    EXPECT_EQ(Scanned(Language::Css, sheet.text), sheet.boundaries);
}

TEST(ScriptScan, AnEditIsScannedFromALittleBeforeItAndTheRestStaysInStep) {
    std::u16string script;
    for (int i = 0; script.size() < 200'000; ++i) {
        script += u"var a" + std::u16string(1, char16_t(u'a' + i % 26)) +
                  u"=/x+\\//g.test(\"s;\")?1:`t${b}`;function f(c){if(c)return c/2;else{for(;;)"
                  u"break}}/* c; */class K{m(){return{p:[1,';']}}};";
    }
    TextBuffer buffer(script);
    ScriptScan scan(Language::JavaScript);
    scan.Reset(buffer.Length());
    scan.Update(buffer.Snapshot());
    ASSERT_GT(scan.Boundaries().size(), 1000u);
    EXPECT_EQ(scan.LastScanned(), script.size());

    // Keys of every sort, anywhere: the scan matches a fresh one after each,
    // and a letter is scanned within a few checkpoints of it.
    std::mt19937 random(11);
    const std::u16string_view keys[] = {u"x", u";", u"\"", u"'",  u"`",  u"/",  u"*", u"{",
                                        u"}", u"(", u"\\", u"\n", u"${", u"//", u"/*"};
    for (int i = 0; i < 200; ++i) {
        const size_t pos = random() % (buffer.Length() + 1);
        TextChange change{pos, 0, 0};
        if (random() % 4 == 0) {
            change.removed = std::min<size_t>(random() % 40, buffer.Length() - pos);
            buffer.Remove(pos, change.removed);
        } else {
            const std::u16string_view key = keys[random() % std::size(keys)];
            change.inserted = key.size();
            buffer.Insert(pos, key);
        }
        scan.Edit(change);
        scan.Update(buffer.Snapshot());
        const std::vector<size_t> fresh =
            Scanned(Language::JavaScript, buffer.Text(0, buffer.Length()));
        const auto differ = std::mismatch(fresh.begin(), fresh.end(), scan.Boundaries().begin(),
                                          scan.Boundaries().end());
        ASSERT_TRUE(differ.first == fresh.end() && differ.second == scan.Boundaries().end())
            << "after edit " << i << " at " << pos << " (" << change.removed << " removed, "
            << change.inserted << " inserted): fresh "
            << (differ.first == fresh.end() ? -1 : long(*differ.first)) << ", kept "
            << (differ.second == scan.Boundaries().end() ? -1 : long(*differ.second));
    }
    buffer.Load(script);
    scan.Reset(buffer.Length());
    scan.Update(buffer.Snapshot());
    const size_t at = script.size() / 2;
    buffer.Insert(at, u"x");
    scan.Edit(TextChange{at, 0, 1});
    scan.Update(buffer.Snapshot());
    EXPECT_LE(scan.LastScanned(), 3 * ScriptScan::kCheckpoint);
}

TEST(ScriptScan, AScriptThatIsOneCallOffersStatementStartsInsteadOfBoundaries) {
    std::u16string script = u"(function(){";
    while (script.size() < 100'000) {
        script += u"a=b(\"c;\");d();";
    }
    script += u"})();";
    const TextBuffer buffer(script);
    ScriptScan scan(Language::JavaScript);
    scan.Reset(buffer.Length());
    scan.Update(buffer.Snapshot());
    EXPECT_TRUE(scan.Boundaries().empty() || scan.Boundaries().front() >= script.size() - 1);
    const size_t far = 70'000;
    const size_t statement = scan.StartBefore(far);
    ASSERT_NE(statement, ScriptScan::kNone);
    EXPECT_LE(statement, far);
    EXPECT_GT(statement, far - 2 * ScriptScan::kCheckpoint);
    EXPECT_EQ(script[statement - 1], u';');
    EXPECT_TRUE(script.substr(statement, 2) == u"a=" || script.substr(statement, 2) == u"d(");
}

} // namespace
} // namespace sheafpad::syntax
