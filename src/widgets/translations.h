// SPDX-License-Identifier: GPL-3.0-or-later
// The texts in the user's language: Qt's own (standard buttons, the fields'
// context menus), the program's, and the English forms of counted texts
// ("1 file", "2 files"). The program's catalogues are built into the program.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTranslator>

namespace sheafpad {

class Translations {
public:
    // Loads the catalogues for locale's languages; needs no application object.
    explicit Translations(const QLocale& locale);
    // Takes out what Install() put in; the set in use before comes back.
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // Puts the translations in use: the core's texts at once, the windows'
    // and Qt's once the application object exists (so it is called again
    // after that object is made).
    void Install();

    // A text of the program in the user's language, with or without an
    // application object (the command line's texts come before it).
    // A counted text (n >= 0) takes the form for n, with n in place of %n.
    QString Translate(const char* context, const char* english, int n = -1) const;

    // The text in every language the program has, English first: to know a
    // text the program wrote in another language's session.
    static QStringList EveryLanguage(const char* context, const char* english);

    // Whether the program has a catalogue for one of the locale's languages.
    bool HaveProgramTexts() const { return haveProgram_; }
    bool HaveQtTexts() const { return haveQt_; }

private:
    QTranslator english_; // counted texts' English forms, always in use
    QTranslator program_; // the locale's language
    QTranslator qt_;      // Qt's own texts (qt6-translations-l10n)
    bool haveEnglish_ = false;
    bool haveProgram_ = false;
    bool haveQt_ = false;
    bool inApplication_ = false;
    const Translations* before_ = nullptr; // for the core's texts
};

} // namespace sheafpad
