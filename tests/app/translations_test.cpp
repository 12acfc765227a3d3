// SPDX-License-Identifier: GPL-3.0-or-later
// The program in German and French, English as written under an English or C
// locale, and catalogues that leave no text untranslated.
#include "app/command_line.h"
#include "app/intro_text.h"
#include "base/errors.h"
#include "form_fixture.h"
#include "widgets/rename_dialog.h"
#include "widgets/rich_edit.h"
#include "widgets/translations.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <set>

namespace sheafpad {
namespace {

// The language is in use before the window is made, as at start.
struct InLanguage {
    explicit InLanguage(const char* name) : translations(QLocale(QString::fromLatin1(name))) {
        translations.Install();
    }
    Translations translations;
};

// Each text of the left panel shows whole: the layout's sizes are small.
void ExpectButtonsShowTheirTexts(const TForm1& form) {
    for (const QAbstractButton* button : form.Panel2->findChildren<QAbstractButton*>()) {
        if (qobject_cast<const QCheckBox*>(button) != nullptr) {
            EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();
            continue;
        }
        const QString shown = QString(button->text()).remove(QChar('&'));
        for (const QAbstractButton* other : form.Panel2->findChildren<QAbstractButton*>()) {
            EXPECT_TRUE(other == button || !other->geometry().intersects(button->geometry()))
                << shown.toStdString() << " covers " << other->text().toStdString();
        }
        EXPECT_LE(button->fontMetrics().horizontalAdvance(shown) + 4, button->width())
            << shown.toStdString();
    }
}

class GermanWindow : protected InLanguage, public test::FormFixture {
protected:
    GermanWindow() : InLanguage("de_DE") {}
};

TEST_F(GermanWindow, ButtonsQuestionsMessagesAndTheIntroductionReadGerman) {
    ASSERT_TRUE(translations.HaveProgramTexts());
    EXPECT_EQ(form.CheckButton->text(), "Prüfen");
    EXPECT_EQ(form.QuitButton->text(), "&Ende");
    EXPECT_EQ(form.SaveButton->text(), "Sichern");
    EXPECT_EQ(form.CancelButton->text(), "Abbrechen");
    EXPECT_EQ(form.lNeedsSave->text(), "Geändert");
    EXPECT_EQ(form.Copy1->text(), "Kopieren");
    EXPECT_EQ(form.CheckButton->toolTip(),
              "Nach Dateinamen suchen, die in keiner anderen Datei vorkommen");
    ExpectButtonsShowTheirTexts(form);
    EXPECT_LE(form.lNeedsSave->geometry().right(), form.SaveButton->x()) << "the label is covered";
    EXPECT_TRUE(form.Memo1->toPlainText().startsWith("Jeder Texteditor kann mehrere Dateien"));
    EXPECT_TRUE(form.Memo1->toPlainText().endsWith("mit dem Bearbeiten zu beginnen!\n"));

    // A question made in the window, a message made in the core, and Qt's own buttons.
    ShowActive();
    std::vector<QString> questions;
    TForm1::SetQuestionHook([&](const QString& text) {
        questions.push_back(text);
        return false;
    });
    List({{"a.htm", "one"}, {"z.htm", "z"}});
    Select("a.htm");
    ASSERT_EQ(form.LoadedFName, dir.file("a.htm"));
    test::AppendFile(dir.file("a.htm"), "\nmore");
    QTest::keyClicks(form.Memo1, "X");
    Select("z.htm");
    TForm1::SetQuestionHook(nullptr);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions[0].contains("wurde von einem anderen Programm geändert"))
        << questions[0].toStdString();
    EXPECT_TRUE(questions[0].endsWith("Mit dem hier gezeigten Text überschreiben?\n\nNein lässt "
                                      "die Datei, wie das andere Programm sie hinterließ; die "
                                      "Änderungen bleiben hier, ungespeichert."));
    EXPECT_STREQ(EFOpenError("/x/a.htm", "Grund").what(),
                 "Die Datei „/x/a.htm“ kann nicht geöffnet werden. Grund");
    QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::No)->text(), "&Nein");
    // Counted texts take the language's forms.
    EXPECT_EQ(RenameDialog::ReferencesText(1, 2), "Zu ändern: 1 Verweis in 2 Dateien.");
    EXPECT_EQ(RenameDialog::ReferencesText(3, 1), "Zu ändern: 3 Verweise in 1 Datei.");
}

// The prompt is stored as the field's text; a start in another language
// shows that language's prompt, while a text the user typed stays.
TEST_F(GermanWindow, AFindPromptStoredInAnotherLanguageShowsInGerman) {
    const QStringList prompts = Translations::EveryLanguage("sheafpad::TForm1", kFindPrompt);
    ASSERT_EQ(prompts.size(), 3) << prompts.join('|').toStdString();
    test::WriteFile(settingsDir.file("Sheafpad.ini"),
                    "[Initial]\r\nFindEdit=Texte \xc3\xa0 chercher + <Entr\xc3\xa9\x65>\r\n");
    ShowActive();
    EXPECT_EQ(form.FindEdit->text(), "Suchtext hier + <Enter>");
    form.hide();
    test::WriteFile(settingsDir.file("Sheafpad.ini"),
                    "[Initial]\r\nFindEdit=Texte \xc3\xa0 chercher\r\n");
    TForm1 again;
    again.SettingsPathOverride = settingsDir.file("Sheafpad.ini");
    again.show();
    EXPECT_EQ(again.FindEdit->text(), QString::fromUtf8("Texte \xc3\xa0 chercher"));
}

class FrenchWindow : protected InLanguage, public test::FormFixture {
protected:
    FrenchWindow() : InLanguage("fr_FR") {}
};

TEST_F(FrenchWindow, ButtonsAndTheIntroductionReadFrench) {
    ASSERT_TRUE(translations.HaveProgramTexts());
    EXPECT_EQ(form.CheckButton->text(), "Vérifier");
    EXPECT_EQ(form.QuitButton->text(), "&Quitter");
    EXPECT_EQ(form.SaveButton->text(), "Sauver");
    EXPECT_EQ(form.CancelButton->text(), "Annuler");
    ExpectButtonsShowTheirTexts(form);
    EXPECT_TRUE(form.Memo1->toPlainText().startsWith("Tout éditeur de texte sait modifier"));
    QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::No)->text(), "&Non");
    EXPECT_EQ(RenameDialog::ReferencesText(2, 1), "À changer\u00a0: 2 références dans 1 fichier.");
    EXPECT_EQ(HelpText("sheafpad").substr(0, 40), "Utilisation\u00a0: sheafpad [DOSSIER | FICHI");
}

// The introduction as written, line for line.
const char* const kIntroduction =
    "Every text editor can edit multiple files, so what's the big deal here? Allow me to explain.\n"
    "\n"
    "This program was written for hand-editing the 30 or 40 pages of a web\n"
    "site. With an ordinary editor, opening and closing the files took\n"
    "longer than the edits themselves: find the file, open it, change one\n"
    "line, save it, close it, and start again with the next one.\n"
    "\n"
    "Here is how it works:\n"
    "\n"
    "  1. Name a directory in the field at the top left.\n"
    "  2. List the file extensions you want to edit in the box above it,\n"
    "     one per line, such as TXT, HTM, HTML or JS.\n"
    "  3. Every file of that directory whose name contains one of them is\n"
    "     listed at the left.\n"
    "  4. Click on a name and the file opens here, ready to edit.\n"
    "  5. Click on another name: the file you leave is saved first, with\n"
    "     all of your changes, and the new one opens.\n"
    "\n"
    "There is no Open, no Save As and no Close. Switching files saves all\n"
    "changes automatically.\n"
    "\n"
    "A few refinements:\n"
    "\n"
    "  - A red flag shows when the file on screen has been modified and will\n"
    "    be written back when you leave it.\n"
    "  - A Cancel button drops that automatic write, in case you changed your\n"
    "    mind (the text on screen stays as it is).\n"
    "  - A Save button writes the file at once, whether changed or not.\n"
    "  - Type a word in the find field and press Enter or F3 to search\n"
    "    forward from the cursor.\n"
    "  - The Check button lists the files whose names appear in no other\n"
    "    listed file: pages and scripts that nothing links to.\n"
    "  - Double-click a name to open the file in your usual editor.\n"
    "  - The directory, the window's place and size and the find text are\n"
    "    remembered from one run to the next.\n"
    "\n"
    "Hover the cursor over the buttons to see what they do!\n"
    "Click on a file name to get started with your editing!";

TEST(EnglishTexts, StayAsWrittenUnderEnglishAndCLocales) {
    for (const char* name : {"en_US", "en_GB", "C"}) {
        SCOPED_TRACE(name);
        InLanguage english(name);
        EXPECT_FALSE(english.translations.HaveProgramTexts());
        EXPECT_EQ(IntroductionLines().join('\n'), QString::fromUtf8(kIntroduction));
        TForm1 form;
        EXPECT_EQ(form.CheckButton->text(), "Check");
        EXPECT_EQ(form.QuitButton->text(), "&Quit");
        EXPECT_EQ(form.FindEdit->text(), "Type \"find\" text here + <Enter>");
        EXPECT_EQ(RenameDialog::ReferencesText(1, 1), "1 reference in 1 file would change.");
        EXPECT_EQ(RenameDialog::ReferencesText(2, 3), "2 references in 3 files would change.");
        EXPECT_STREQ(EFCreateError("/x", "Disk full").what(),
                     "Cannot create file \"/x\". Disk full");
        EXPECT_EQ(HelpText("sheafpad").substr(0, 31), "Usage: sheafpad [FOLDER | FILE]");
    }
}

// The places (%1, %n) of a text, each once.
std::set<QString> Places(const QString& text) {
    std::set<QString> places;
    static const QRegularExpression place(QStringLiteral("%[0-9n]"));
    for (const QRegularExpressionMatch& m : place.globalMatch(text)) {
        places.insert(m.captured());
    }
    return places;
}

struct Catalogue {
    int messages = 0;
    QStringList faults; // what a translator has still to do
};

// Reads a catalogue: every text translated, with the places of its source
// (a singular form may say "one" in words instead of %n).
Catalogue Check(const QString& path) {
    Catalogue found;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        found.faults << "cannot read " + path;
        return found;
    }
    QXmlStreamReader xml(&file);
    QString source;
    bool numerus = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QStringView name = xml.name();
        if (name == u"message") {
            ++found.messages;
            numerus = xml.attributes().value("numerus") == u"yes";
        } else if (name == u"source") {
            source = xml.readElementText();
        } else if (name == u"translation") {
            const QStringView type = xml.attributes().value("type");
            if (!type.isEmpty()) {
                found.faults << type.toString() + ": " + source;
            }
            if (!numerus) {
                const QString text = xml.readElementText();
                if (text.isEmpty() || Places(text) != Places(source)) {
                    found.faults << "places or text: " + source;
                }
            }
        } else if (name == u"numerusform") {
            std::set<QString> want = Places(source);
            want.erase(QStringLiteral("%n"));
            const QString form = xml.readElementText();
            std::set<QString> have = Places(form);
            have.erase(QStringLiteral("%n"));
            if (form.isEmpty() || have != want) {
                found.faults << "plural form: " + source;
            }
        }
    }
    if (xml.hasError()) {
        found.faults << xml.errorString();
    }
    return found;
}

// lupdate reads the sources again into copies of the catalogues: a text
// added or changed since they were written comes back unfinished.
TEST(Catalogues, HoldEveryTextOfTheSourcesTranslated) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString options = QStringLiteral(SHEAFPAD_LUPDATE_OPTIONS);
    for (const char* language : {"de", "fr", "en"}) {
        SCOPED_TRACE(language);
        const QString name = QStringLiteral("sheafpad_%1.ts").arg(QLatin1String(language));
        const QString copy = temp.filePath(name);
        ASSERT_TRUE(QFile::copy(QStringLiteral(SHEAFPAD_SOURCE_DIR "/translations/") + name, copy));
        const bool english = QLatin1String(language) == QLatin1String("en");
        QStringList args = options.split(QChar('|'), Qt::SkipEmptyParts);
        if (english) {
            args << QStringLiteral("-pluralonly");
        }
        args << QStringLiteral(SHEAFPAD_SOURCE_DIR "/src") << QStringLiteral("-ts") << copy;
        QProcess lupdate;
        lupdate.start(QStringLiteral(SHEAFPAD_LUPDATE), args);
        ASSERT_TRUE(lupdate.waitForFinished(120000)) << lupdate.errorString().toStdString();
        ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();
        const Catalogue catalogue = Check(copy);
        EXPECT_GE(catalogue.messages, english ? 5 : 150) << "lupdate found the texts";
        EXPECT_TRUE(catalogue.faults.isEmpty())
            << "run the update_translations target and translate:\n"
            << catalogue.faults.join('\n').toStdString();
    }
}

} // namespace
} // namespace sheafpad
