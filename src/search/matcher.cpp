// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/matcher.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace sheafpad::search {

namespace {

// The literal as a pattern: every ASCII character that is not a letter or
// digit gets a backslash, which PCRE2 always reads as that character itself.
std::string Escaped(std::string_view literal) {
    std::string out;
    for (char c : literal) {
        const unsigned char u = (unsigned char)c;
        if (u < 0x80 && !std::isalnum(u)) {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    return out;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x80; });
}

// Letters with a partner outside ASCII when case is ignored: the Kelvin sign
// (k) and the long s.
bool FoldsWide(char c) {
    return c == 'k' || c == 'K' || c == 's' || c == 'S';
}

// UTF-8 text as Latin-1 bytes; nullopt when a character is above U+00FF.
std::optional<std::string> AsLatin1(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = (unsigned char)utf8[i];
        if (c < 0x80) {
            out.push_back(char(c));
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            out.push_back(char(((c & 0x03) << 6) | ((unsigned char)utf8[++i] & 0x3F)));
        } else {
            return std::nullopt;
        }
    }
    return out;
}

// The longest piece of text for which pred holds at every byte.
template <typename Pred> std::string LongestRun(std::string_view text, Pred pred) {
    size_t best = 0, bestLength = 0;
    for (size_t i = 0; i < text.size();) {
        size_t j = i;
        while (j < text.size() && pred(text[j])) {
            ++j;
        }
        if (j - i > bestLength) {
            best = i;
            bestLength = j - i;
        }
        i = j + 1;
    }
    return std::string(text.substr(best, bestLength));
}

// What a file's bytes must hold for a literal to be found in its text. Line
// breaks differ between the bytes and the text: the piece holds none.
Prefilter LiteralPrefilter(const std::string& literal, bool matchCase) {
    std::vector<LiteralFinder> prefilter;
    if (matchCase) {
        const std::string piece = LongestRun(literal, [](char c) { return c != '\n'; });
        if (!piece.empty()) {
            prefilter.emplace_back(piece, false);
            if (!IsAscii(piece)) {
                if (std::optional<std::string> latin1 = AsLatin1(piece)) {
                    prefilter.emplace_back(*latin1, false);
                }
            }
        }
    } else {
        const std::string piece = LongestRun(
            literal, [](char c) { return (unsigned char)c < 0x80 && c != '\n' && !FoldsWide(c); });
        if (!piece.empty()) {
            prefilter.emplace_back(piece, true);
        }
    }
    return prefilter.empty() ? Prefilter() : Prefilter{std::move(prefilter)};
}

} // namespace

Matcher::~Matcher() = default;

std::string LineBreaksAsLf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::shared_ptr<const Matcher> Matcher::Compile(const SearchOptions& options, std::string* error) {
    if (options.find.empty()) {
        *error = "Type the text to find";
        return nullptr;
    }
    if (options.regex) {
        return MakePcreMatcher(options, options.find, {}, error);
    }
    const std::string literal = LineBreaksAsLf(options.find);
    Prefilter prefilter = LiteralPrefilter(literal, options.matchCase);
    // A byte search finds exactly what the pane's search finds unless words
    // must stand alone, a line break is looked for, or case folding reaches
    // beyond ASCII.
    const bool lineBreak = literal.find('\n') != std::string::npos;
    const bool asciiFoldExact =
        IsAscii(literal) && std::none_of(literal.begin(), literal.end(), FoldsWide);
    if (!options.wholeWords && !lineBreak && (options.matchCase || asciiFoldExact)) {
        return MakeLiteralMatcher(options, std::move(prefilter));
    }
    return MakePcreMatcher(options, Escaped(literal), std::move(prefilter), error);
}

bool Matcher::MayMatch(std::string_view bytes) const {
    return std::all_of(prefilter_.begin(), prefilter_.end(), [&](const auto& group) {
        return std::any_of(group.begin(), group.end(), [&](const LiteralFinder& finder) {
            return finder.Find(bytes) != std::string_view::npos;
        });
    });
}

} // namespace sheafpad::search
