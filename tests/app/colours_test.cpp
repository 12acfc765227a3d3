// SPDX-License-Identifier: GPL-3.0-or-later
// Syntax colours in the main window: a file coloured by its name, the
// program's own texts plain, dark palettes, and the settings switch.
#include "form_fixture.h"
#include "syntax/grammars_or_skip.h"
#include "widgets/rich_edit.h"
#include "widgets/syntax_colouring.h"

#include <QSignalSpy>
#include <QTest>

namespace sheafpad {
namespace {

using syntax::Kind;

const char* const kPage = "<!DOCTYPE html>\n<p class=\"a\">Hello</p>\n"
                          "<script>\nlet n = 42; // note\n</script>\n";

class ColoursTest : public test::FormFixture {
protected:
    // Pixels of the pane shown now in the hue of kind's colour on the pane's
    // palette (a kind with a hue of its own: plain text is grey, its glyphs'
    // edges too).
    // light: only those lighter than middle grey.
    int PixelsOf(Kind kind, bool light = false) {
        QApplication::processEvents();
        const QImage shot = form.Memo1->viewport()->grab().toImage();
        const QColor colour = SyntaxColouring::ColourOf(kind, form.Memo1->palette());
        int count = 0;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const QColor pixel = shot.pixelColor(x, y);
                const int hue = std::abs(pixel.hslHue() - colour.hslHue());
                count += pixel.hslSaturationF() > 0.35 && std::min(hue, 360 - hue) <= 12 &&
                         (!light || pixel.lightnessF() > 0.55);
            }
        }
        return count;
    }
    // Opens name and waits for its colours.
    void OpenColoured(const std::string& name) {
        QSignalSpy coloured(form.Colours.get(), &SyntaxColouring::coloured);
        Select(name);
        ASSERT_TRUE(coloured.wait(20000)) << "no colours for " << name;
    }
};

TEST_F(ColoursTest, AFileIsColouredByItsNameOnLightAndDarkPalettesAndTheProgramsTextsStayPlain) {
    SKIP_WITHOUT_GRAMMARS();
    ShowActive();
    List({{"page.html", kPage}, {"page.htm.bak", kPage}});
    OpenColoured("page.html");
    EXPECT_GT(PixelsOf(Kind::Keyword), 0);
    EXPECT_GT(PixelsOf(Kind::Tag), 0);
    EXPECT_GT(PixelsOf(Kind::String), 0);

    // A dark palette gets light colours, which the text takes at once.
    QPalette dark = form.Memo1->palette();
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(220, 220, 220));
    form.Memo1->setPalette(dark);
    EXPECT_GT(SyntaxColouring::ColourOf(Kind::Keyword, dark).lightnessF(), 0.5);
    EXPECT_GT(PixelsOf(Kind::Keyword, true), 0);

    // The same text under another name, and the unused-file report, are plain.
    Select("page.htm.bak");
    EXPECT_EQ(form.Memo1->toPlainText().toStdString(), kPage);
    EXPECT_EQ(PixelsOf(Kind::Keyword) + PixelsOf(Kind::Tag), 0);
    OpenColoured("page.html");
    form.CheckButtonClick();
    EXPECT_FALSE(form.Colours->Coloured());
    EXPECT_EQ(PixelsOf(Kind::Keyword) + PixelsOf(Kind::Tag) + PixelsOf(Kind::String), 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(ColoursTest, HighlightingOffInTheSettingsLeavesEveryFilePlainAndStaysOff) {
    SKIP_WITHOUT_GRAMMARS();
    const std::string ini = settingsDir.file("Sheafpad.ini");
    test::WriteFile(ini, "[Pane]\r\nHighlighting=0\r\n");
    ShowActive();
    List({{"page.html", kPage}});
    Select("page.html");
    QTest::qWait(500); // colours come within milliseconds when on
    EXPECT_FALSE(form.Colours->Coloured());
    EXPECT_EQ(PixelsOf(Kind::Keyword) + PixelsOf(Kind::Tag), 0);
    EXPECT_TRUE(form.close());
    EXPECT_NE(test::ReadFile(ini).find("[Pane]\r\nHighlighting=0\r\n"), std::string::npos);
}

} // namespace
} // namespace sheafpad
