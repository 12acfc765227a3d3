// SPDX-License-Identifier: GPL-3.0-or-later
// Regular expressions (and literals that a byte search cannot find exactly)
// matched by PCRE2, the library QRegularExpression is built on, so that the
// syntax is the pane's.
#include "search/matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <cctype>

namespace sheafpad::search {

namespace {

// A word character as the pane's whole-word search has it: a letter, a
// digit or another number, or '_'.
constexpr const char* kNotWordBefore = "(?<![\\p{L}\\p{N}_])";
constexpr const char* kNotWordAfter = "(?![\\p{L}\\p{N}_])";

// How far one match call looks for the start of a match: a few
// milliseconds of work, between which a stop is seen.
constexpr size_t kStretch = 1 << 20;

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
    pcre2_set_offset_limit(context, PCRE2_UNSET);
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

// The code units that PCRE2 found every match must hold (the first one and
// the last fixed one), as filters on a file's bytes. Only plain ASCII
// counts: a line break or a Latin-1 byte looks other in the bytes than in
// the text, and when case is ignored k and s have partners outside ASCII.
Prefilter RequiredUnits(const pcre2_code* code, bool caseless) {
    Prefilter units;
    for (const auto& [type, unit] : {std::pair{PCRE2_INFO_FIRSTCODETYPE, PCRE2_INFO_FIRSTCODEUNIT},
                                     std::pair{PCRE2_INFO_LASTCODETYPE, PCRE2_INFO_LASTCODEUNIT}}) {
        uint32_t known = 0, value = 0;
        pcre2_pattern_info(code, type, &known);
        if (known != 1 || pcre2_pattern_info(code, unit, &value) != 0) {
            continue;
        }
        const char c = char(value);
        if (value < 0x20 || value >= 0x7F ||
            (caseless && (c == 'k' || c == 'K' || c == 's' || c == 'S'))) {
            continue;
        }
        units.push_back({LiteralFinder(std::string(1, c), caseless)});
    }
    return units;
}

class PcreMatcher final : public Matcher {
public:
    PcreMatcher(SearchOptions options, Prefilter prefilter, pcre2_code* code)
        : Matcher(std::move(options), std::move(prefilter)), code_(code) {
        pcre2_pattern_info(code_, PCRE2_INFO_CAPTURECOUNT, &captures_);
    }
    ~PcreMatcher() override { pcre2_code_free(code_); }

    bool ForEach(std::string_view text, MatchScratch& scratch, const FoundFn& found,
                 std::string* error, const std::atomic<bool>* stop) const override;
    std::string Expand(std::string_view text, const Found& match) const override;

private:
    pcre2_code* code_;
    uint32_t captures_ = 0;
};

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

std::shared_ptr<const Matcher> MakePcreMatcher(SearchOptions options, const std::string& pattern,
                                               Prefilter prefilter, std::string* error) {
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
    if (prefilter.empty()) {
        prefilter = RequiredUnits(code, !options.matchCase);
    }
    return std::make_shared<PcreMatcher>(std::move(options), std::move(prefilter), code);
}

bool PcreMatcher::ForEach(std::string_view text, MatchScratch& scratch, const FoundFn& found,
                          std::string* error, const std::atomic<bool>* stop) const {
    MatchScratch::Data& data = scratch.data();
    const auto* subject = reinterpret_cast<PCRE2_SPTR>(text.data());
    uint32_t options = 0;
    for (size_t offset = 0; offset <= text.size();) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
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
        const int rc = pcre2_match(code_, subject, text.size(), offset,
                                   options | PCRE2_NO_UTF_CHECK, data.match, data.context);
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
                IsLimit(rc) ? CostlyStart(code_, text, offset, data.match, data.context) : offset;
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

std::string PcreMatcher::Expand(std::string_view text, const Found& match) const {
    const std::string& replace = options().replace;
    if (!options().regex) {
        return LineBreaksAsLf(replace);
    }
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
            if (two <= captures_) {
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
                        code_, reinterpret_cast<PCRE2_SPTR>(name.c_str()));
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
