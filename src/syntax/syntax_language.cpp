// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/syntax_language.h"

#include "syntax/built_in_parts.h"
#include "syntax/grammar.h"

#include <algorithm>
#include <array>
#include <string>

namespace sheafpad::syntax {

#ifdef SHEAFPAD_HAVE_GRAMMARS
const TSLanguage* HtmlGrammar();
const TSLanguage* CssGrammar();
const TSLanguage* JavaScriptGrammar();
extern const char* const kHtmlHighlights;
extern const char* const kHtmlInjections;
extern const char* const kCssHighlights;
extern const char* const kJavaScriptHighlights;
#endif

Language LanguageForFileName(std::string_view name) {
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return Language::Plain;
    }
    std::string extension(name.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : char(c); });
    struct Named {
        std::string_view extension;
        Language language;
    };
    static constexpr std::array<Named, 8> kByExtension{{
        {"htm", Language::Html},
        {"html", Language::Html},
        {"xhtml", Language::Html},
        {"css", Language::Css},
        {"js", Language::JavaScript},
        {"mjs", Language::JavaScript},
        {"cjs", Language::JavaScript},
        {"json", Language::JavaScript},
    }};
    for (const Named& named : kByExtension) {
        if (named.extension == extension) {
            return named.language;
        }
    }
    return Language::Plain;
}

#ifndef SHEAFPAD_HAVE_GRAMMARS
std::span<const BuiltInPart> BuiltInParts() {
    return {};
}

std::string_view MitPermissionNotice() {
    return {};
}
#endif

std::string_view GrammarsMissing() {
#ifdef SHEAFPAD_HAVE_GRAMMARS
    return {};
#else
    return SHEAFPAD_GRAMMARS_MISSING;
#endif
}

const TSLanguage* GrammarOf(Language language) {
#ifdef SHEAFPAD_HAVE_GRAMMARS
    switch (language) {
    case Language::Html:
        return HtmlGrammar();
    case Language::Css:
        return CssGrammar();
    case Language::JavaScript:
        return JavaScriptGrammar();
    case Language::Plain:
        break;
    }
#else
    (void)language;
#endif
    return nullptr;
}

const char* HighlightsOf(Language language) {
#ifdef SHEAFPAD_HAVE_GRAMMARS
    switch (language) {
    case Language::Html:
        return kHtmlHighlights;
    case Language::Css:
        return kCssHighlights;
    case Language::JavaScript:
        return kJavaScriptHighlights;
    case Language::Plain:
        break;
    }
#else
    (void)language;
#endif
    return "";
}

const char* InjectionsOf(Language language) {
#ifdef SHEAFPAD_HAVE_GRAMMARS
    // The script grammar's own injections (regular expressions, JSDoc,
    // templates) name grammars the program does not have.
    if (language == Language::Html) {
        return kHtmlInjections;
    }
#else
    (void)language;
#endif
    return "";
}

Language LanguageNamed(std::string_view name) {
    if (name == "javascript") {
        return Language::JavaScript;
    }
    if (name == "css") {
        return Language::Css;
    }
    return Language::Plain;
}

} // namespace sheafpad::syntax
