// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace sheafpad::search {

namespace {

// A word character as the pane's whole-word search has it: a letter, a
// digit or another number, or '_'.
constexpr const char* kNotWordBefore = "(?<![\\p{L}\\p{N}_])";
constexpr const char* kNotWordAfter = "(?![\\p{L}\\p{N}_])";

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

// The longest run of plain ASCII characters that every match of pattern
// holds, or "" when none is sure. Conservative: only runs at the pattern's
// top level count, and a pattern with alternatives, inline options or any
// escape that takes arguments gives none.
std::string RequiredLiteral(std::string_view pattern, bool caseless) {
    if (pattern.find("(?") != std::string_view::npos) {
        return {};
    }
    std::string best, run;
    int depth = 0;
    auto end = [&] {
        if (run.size() > best.size()) {
            best = run;
        }
        run.clear();
    };
    auto plain = [&](unsigned char c) {
        return c >= 0x20 && c < 0x7F && !(caseless && FoldsWide(char(c)));
    };
    for (size_t i = 0; i < pattern.size(); ++i) {
        const unsigned char c = (unsigned char)pattern[i];
        if (c == '|' && depth == 0) {
            return {};
        }
        if (c == '*' || c == '?' || c == '{') {
            if (c == '{') { // only a well-formed count: {n}, {n,} or {n,m}
                const size_t close = pattern.find('}', i);
                if (close == std::string_view::npos || close == i + 1 ||
                    pattern.substr(i + 1, close - i - 1).find_first_not_of("0123456789,") !=
                        std::string_view::npos) {
                    return {};
                }
                i = close;
            }
            // The atom before may be absent: it leaves the run.
            if (!run.empty()) {
                run.pop_back();
            }
            end();
            continue;
        }
        if (c == '+') {
            end(); // the atom before stays, but what follows is not next to it
            continue;
        }
        if (c == '[') {
            end();
            size_t j = i + 1;
            j += j < pattern.size() && pattern[j] == '^' ? 1 : 0;
            j += j < pattern.size() && pattern[j] == ']' ? 1 : 0;
            for (; j < pattern.size() && pattern[j] != ']'; ++j) {
                if (pattern[j] == '\\') {
                    ++j;
                } else if (pattern[j] == '[') {
                    return {}; // [:alpha:] and the like
                }
            }
            i = j;
            continue;
        }
        if (c == '\\') {
            if (i + 1 == pattern.size()) {
                return {};
            }
            const unsigned char next = (unsigned char)pattern[++i];
            if (std::isalnum(next)) {
                // A class or an assertion without arguments; any other
                // escape (\x, \p, \k, \Q, a group number...) stops the search.
                if (std::strchr("dDwWsSbBnthHvVRAzZG", next) == nullptr) {
                    return {};
                }
                end();
            } else if (depth == 0 && plain(next)) {
                run.push_back(char(next));
            } else {
                end();
            }
            continue;
        }
        if (c == '(' || c == ')') {
            depth += c == '(' ? 1 : -1;
            end();
            continue;
        }
        if (depth == 0 && plain(c) && c != '.' && c != '^' && c != '$') {
            run.push_back(char(c));
        } else {
            end();
        }
    }
    end();
    return best;
}

// How far one match call looks for the start of a match: a few
// milliseconds of work, between which a stop is seen.
constexpr size_t kStretch = 1 << 20;

bool Stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load(std::memory_order_relaxed);
}

size_t CharLength(std::string_view text, size_t at) {
    const unsigned char c = (unsigned char)text[at];
    const size_t length = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    return std::min(length, text.size() - at);
}

std::string ErrorText(int code) {
    PCRE2_UCHAR buffer[256];
    pcre2_get_error_message(code, buffer, sizeof buffer);
    return reinterpret_cast<const char*>(buffer);
}

bool IsLimit(int code) {
    return code == PCRE2_ERROR_MATCHLIMIT || code == PCRE2_ERROR_DEPTHLIMIT ||
           code == PCRE2_ERROR_HEAPLIMIT || code == PCRE2_ERROR_JIT_STACKLIMIT;
}

// Where a search from offset that hit a limit got stuck: the first start at
// which an attempt of its own hits it too. A match attempt's cost is
// counted over all its starts, so this is looked for a start at a time, a
// bounded number of them; offset when none is found.
size_t CostlyStart(const pcre2_code* code, std::string_view text, size_t offset,
                   pcre2_match_data* match, pcre2_match_context* context) {
    constexpr size_t kTries = 1024;
    const auto* subject = reinterpret_cast<PCRE2_SPTR>(text.data());
    for (size_t at = offset, tries = 0; at < text.size() && tries < kTries; ++tries) {
        const int rc = pcre2_match(code, subject, text.size(), at,
                                   PCRE2_ANCHORED | PCRE2_NO_UTF_CHECK, match, context);
        if (IsLimit(rc)) {
            return at;
        }
        if (rc >= 0) {
            break;
        }
        at += CharLength(text, at);
    }
    return offset;
}

// Why a match failed, in the user's terms: a pattern that takes too long is
// said to be so, with the line where it gave up.
std::string MatchFailure(int code, std::string_view text, size_t at) {
    if (IsLimit(code)) {
        const size_t line =
            size_t(std::count(text.begin(), text.begin() + ptrdiff_t(at), '\n')) + 1;
        return "the pattern is too costly to match: it gave up at line " + std::to_string(line) +
               " of this file (a pattern with fewer nested repeats may work)";
    }
    return "the regular expression cannot be matched in this file: " + ErrorText(code);
}

pcre2_code* CompileOrExplain(const std::string& pattern, uint32_t flags, std::string* error) {
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_LF);
    int code = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* compiled = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()),
                                         pattern.size(), flags, &code, &offset, context);
    pcre2_compile_context_free(context);
    if (compiled == nullptr && error != nullptr) {
        if (code == PCRE2_ERROR_BACKSLASH_C_CALLER_DISABLED && offset >= 2) {
            offset -= 2; // told after the \C: the place is where it starts
        }
        // The place in characters, as the user counts them.
        const std::string_view before = std::string_view(pattern).substr(0, offset);
        const size_t chars = size_t(std::count_if(before.begin(), before.end(), [](char c) {
            return ((unsigned char)c & 0xC0) != 0x80;
        }));
        // \C matches one byte, which can leave half a character behind.
        const std::string reason = code == PCRE2_ERROR_BACKSLASH_C_CALLER_DISABLED
                                       ? "\\C (a single byte) is not allowed, since it can split "
                                         "a character; use . for any one character"
                                       : ErrorText(code);
        *error = "The regular expression is not valid: " + reason + " (at character " +
                 std::to_string(chars + 1) + ")";
    }
    return compiled;
}

} // namespace

struct MatchScratch::Data {
    pcre2_match_data* match = pcre2_match_data_create(128, nullptr);
    pcre2_jit_stack* stack = pcre2_jit_stack_create(32 * 1024, 8 * 1024 * 1024, nullptr);
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    Data() { pcre2_jit_stack_assign(context, nullptr, stack); }
    ~Data() {
        pcre2_match_context_free(context);
        pcre2_jit_stack_free(stack);
        pcre2_match_data_free(match);
    }
};

MatchScratch::MatchScratch() : data_(std::make_unique<Data>()) {}
MatchScratch::~MatchScratch() = default;

Matcher::~Matcher() {
    pcre2_code_free(static_cast<pcre2_code*>(code_));
}

std::shared_ptr<const Matcher> Matcher::Compile(const SearchOptions& options, std::string* error) {
    if (options.find.empty()) {
        *error = "Type the text to find";
        return nullptr;
    }
    std::shared_ptr<Matcher> matcher(new Matcher);
    matcher->options_ = options;
    std::string pattern = options.find;
    if (!options.regex) {
        const std::string literal = LineBreaksAsLf(options.find);
        const bool lineBreak = literal.find('\n') != std::string::npos;
        const bool asciiFoldExact =
            IsAscii(literal) && std::none_of(literal.begin(), literal.end(), FoldsWide);
        if (!options.wholeWords && !lineBreak && (options.matchCase || asciiFoldExact)) {
            matcher->exact_.emplace(literal, !options.matchCase);
        }
        // Line breaks differ between the bytes and the text: the filter
        // looks for a piece without any.
        if (options.matchCase) {
            const std::string piece = LongestRun(literal, [](char c) { return c != '\n'; });
            matcher->prefilter_.emplace_back(piece, false);
            if (!IsAscii(piece)) {
                if (std::optional<std::string> latin1 = AsLatin1(piece)) {
                    matcher->prefilter_.emplace_back(*latin1, false);
                }
            }
        } else {
            const std::string piece = LongestRun(literal, [](char c) {
                return (unsigned char)c < 0x80 && c != '\n' && !FoldsWide(c);
            });
            if (!piece.empty()) {
                matcher->prefilter_.emplace_back(piece, true);
            }
        }
        matcher->prefilterNone_ = matcher->prefilter_.empty();
        if (matcher->exact_) {
            return matcher;
        }
        pattern = Escaped(literal);
    } else {
        const std::string piece = RequiredLiteral(options.find, !options.matchCase);
        if (piece.size() >= 2) {
            matcher->prefilter_.emplace_back(piece, !options.matchCase);
        }
        matcher->prefilterNone_ = matcher->prefilter_.empty();
    }
    // \w, \d, \b and the POSIX classes know every script's letters and
    // digits, as Whole words does; \C would match half a character.
    const uint32_t flags = PCRE2_UTF | PCRE2_UCP | PCRE2_NEVER_BACKSLASH_C | PCRE2_MULTILINE |
                           PCRE2_USE_OFFSET_LIMIT | (options.matchCase ? 0 : PCRE2_CASELESS);
    pcre2_code* code = CompileOrExplain(pattern, flags, error);
    if (code != nullptr && options.wholeWords) {
        pcre2_code_free(code);
        code = CompileOrExplain(kNotWordBefore + ("(?:" + pattern + ")") + kNotWordAfter, flags,
                                error);
    }
    if (code == nullptr) {
        return nullptr;
    }
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE); // without it PCRE2 interprets
    matcher->code_ = code;
    return matcher;
}

bool Matcher::MayMatch(std::string_view bytes) const {
    if (prefilterNone_) {
        return true;
    }
    return std::any_of(prefilter_.begin(), prefilter_.end(), [&](const LiteralFinder& finder) {
        return finder.Find(bytes) != std::string_view::npos;
    });
}

bool Matcher::ForEachLiteral(std::string_view text, const std::function<bool(const Found&)>& found,
                             const std::atomic<bool>* stop) const {
    for (size_t at = 0; (at = exact_->Find(text, at)) != std::string_view::npos;) {
        const size_t end = at + exact_->size();
        const size_t groups[2] = {at, end};
        if (!found(Found{at, end, groups, 1}) || Stopped(stop)) {
            break;
        }
        at = end;
    }
    return true;
}

bool Matcher::ForEach(std::string_view text, MatchScratch& scratch,
                      const std::function<bool(const Found&)>& found, std::string* error,
                      const std::atomic<bool>* stop) const {
    if (exact_) {
        return ForEachLiteral(text, found, stop);
    }
    auto* code = static_cast<const pcre2_code*>(code_);
    MatchScratch::Data& data = *scratch.data_;
    const auto* subject = reinterpret_cast<PCRE2_SPTR>(text.data());
    uint32_t options = 0;
    for (size_t offset = 0; offset <= text.size();) {
        if (Stopped(stop)) {
            return true;
        }
        // Where no match comes for long, the search goes a stretch at a
        // time (a match may still run past it), so that a stop is seen soon.
        size_t stretchEnd = text.size();
        if (options == 0 && text.size() - offset > kStretch) {
            stretchEnd = offset + kStretch;
            while (stretchEnd < text.size() && ((unsigned char)text[stretchEnd] & 0xC0) == 0x80) {
                ++stretchEnd; // a stretch ends before a character
            }
        }
        pcre2_set_offset_limit(data.context,
                               stretchEnd < text.size() ? stretchEnd - 1 : PCRE2_UNSET);
        const int rc = pcre2_match(code, subject, text.size(), offset, options | PCRE2_NO_UTF_CHECK,
                                   data.match, data.context);
        if (rc == PCRE2_ERROR_NOMATCH) {
            if (stretchEnd < text.size()) {
                offset = stretchEnd; // nothing starts in this stretch
                continue;
            }
            if (options == 0 || offset == text.size()) {
                break;
            }
            // Nothing but the empty match here: go on one character later.
            offset += CharLength(text, offset);
            options = 0;
            continue;
        }
        if (rc < 0) {
            const size_t at =
                IsLimit(rc) ? CostlyStart(code, text, offset, data.match, data.context) : offset;
            *error = MatchFailure(rc, text, at);
            return false;
        }
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.match);
        const size_t start = std::min(ovector[0], ovector[1]); // \K may put the start after the end
        if (!found(Found{start, ovector[1], ovector, size_t(rc)})) {
            break;
        }
        // After an empty match, the next one must not be empty at the same place.
        options = ovector[1] == start ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
        offset = ovector[1];
    }
    return true;
}

std::string Matcher::Expand(std::string_view text, const Found& match) const {
    const std::string& replace = options_.replace;
    if (!options_.regex) {
        return LineBreaksAsLf(replace);
    }
    auto* code = static_cast<const pcre2_code*>(code_);
    uint32_t captures = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &captures);
    auto group = [&](size_t n, std::string& out) {
        if (n < match.groupCount && match.groups[2 * n] != PCRE2_UNSET) {
            out.append(
                text.substr(match.groups[2 * n], match.groups[2 * n + 1] - match.groups[2 * n]));
        }
    };
    // One or two digits at i: two where that group exists. Returns the count read.
    auto number = [&](size_t i, size_t* n) -> size_t {
        if (i >= replace.size() || !std::isdigit((unsigned char)replace[i])) {
            return 0;
        }
        *n = size_t(replace[i] - '0');
        if (i + 1 < replace.size() && std::isdigit((unsigned char)replace[i + 1])) {
            const size_t two = *n * 10 + size_t(replace[i + 1] - '0');
            if (two <= captures) {
                *n = two;
                return 2;
            }
        }
        return 1;
    };
    std::string out;
    for (size_t i = 0; i < replace.size(); ++i) {
        const char c = replace[i];
        size_t n = 0;
        if ((c == '$' || c == '\\') && i + 1 < replace.size()) {
            if (const size_t digits = number(i + 1, &n)) {
                group(n, out);
                i += digits;
                continue;
            }
            const char next = replace[i + 1];
            if (c == '$' && next == '{') {
                const size_t close = replace.find('}', i + 2);
                if (close != std::string::npos) {
                    const std::string name = replace.substr(i + 2, close - i - 2);
                    const int byName = pcre2_substring_number_from_name(
                        code, reinterpret_cast<PCRE2_SPTR>(name.c_str()));
                    if (number(i + 2, &n) == name.size() && !name.empty()) {
                        group(n, out);
                    } else if (byName >= 0) {
                        group(size_t(byName), out);
                    }
                    i = close;
                    continue;
                }
            }
            if ((c == '$' && next == '$') || (c == '\\' && next == '\\')) {
                out.push_back(c);
                ++i;
                continue;
            }
            if (c == '\\' && (next == 'n' || next == 't')) {
                out.push_back(next == 'n' ? '\n' : '\t');
                ++i;
                continue;
            }
        }
        out.push_back(c);
    }
    return LineBreaksAsLf(out);
}

} // namespace sheafpad::search
