// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/translations.h"

#include "base/user_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <atomic>

namespace sheafpad {
namespace {

// Built in by the build (lrelease), under this resource folder.
const QString kCatalogues = QStringLiteral(":/i18n");

std::atomic<const Translations*> inUse{nullptr};

std::string CoreText(const char* context, const char* english, int n) {
    // The translations are read-only once loaded: any thread may ask.
    const Translations* translations = inUse.load();
    return translations != nullptr ? translations->Translate(context, english, n).toStdString()
                                   : std::string(english);
}

} // namespace

Translations::Translations(const QLocale& locale) {
    haveEnglish_ = english_.load(QStringLiteral("sheafpad_en"), kCatalogues);
    // English needs no catalogue of its own beyond the counted texts, which
    // are always there, so an English locale finds nothing more here.
    haveProgram_ =
        locale.language() != QLocale::English &&
        program_.load(locale, QStringLiteral("sheafpad"), QStringLiteral("_"), kCatalogues) &&
        program_.language() != QStringLiteral("en");
    haveQt_ = qt_.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

Translations::~Translations() {
    if (inUse.load() == this) {
        inUse.store(before_);
        SetTextTranslator(before_ != nullptr ? &CoreText : nullptr);
    }
    if (inApplication_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::removeTranslator(&qt_);
        QCoreApplication::removeTranslator(&program_);
        QCoreApplication::removeTranslator(&english_);
    }
}

void Translations::Install() {
    if (inUse.load() != this) {
        before_ = inUse.exchange(this);
    }
    SetTextTranslator(&CoreText);
    if (inApplication_ || QCoreApplication::instance() == nullptr) {
        return;
    }
    inApplication_ = true;
    // The last installed is asked first: the user's language before English.
    if (haveEnglish_) {
        QCoreApplication::installTranslator(&english_);
    }
    if (haveProgram_) {
        QCoreApplication::installTranslator(&program_);
    }
    if (haveQt_) {
        QCoreApplication::installTranslator(&qt_);
    }
}

QString Translations::Translate(const char* context, const char* english, int n) const {
    QString text = haveProgram_ ? program_.translate(context, english, nullptr, n) : QString();
    if (text.isEmpty() && haveEnglish_ && n >= 0) {
        text = english_.translate(context, english, nullptr, n);
    }
    if (text.isEmpty()) {
        text = QString::fromUtf8(english);
    }
    return n >= 0 ? text.replace(QStringLiteral("%n"), QString::number(n)) : text;
}

QStringList Translations::EveryLanguage(const char* context, const char* english) {
    QStringList texts{QString::fromUtf8(english)};
    const QStringList names = QDir(kCatalogues).entryList({QStringLiteral("sheafpad_*.qm")});
    for (const QString& name : names) {
        QTranslator catalogue;
        if (catalogue.load(name, kCatalogues)) {
            const QString text = catalogue.translate(context, english);
            if (!text.isEmpty() && !texts.contains(text)) {
                texts.push_back(text);
            }
        }
    }
    return texts;
}

} // namespace sheafpad
