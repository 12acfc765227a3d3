// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/query_predicates.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <algorithm>
#include <pcre2.h>
#include <string_view>

namespace sheafpad::syntax {

namespace {

// A node's text is compared as UTF-8, like the query's own strings; only
// its start counts, which is all the conditions of highlight queries look at.
constexpr size_t kMostUnits = 1024;

std::string Utf8(const std::u16string& units) {
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD; // half a pair: no character of UTF-8
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// A #match? pattern, compiled once with PCRE2's just-in-time compiler (a
// test takes a tenth of what std::regex takes, and runs for every name).
class Pattern {
public:
    explicit Pattern(const std::string& source) {
        int error = 0;
        PCRE2_SIZE offset = 0;
        code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(), PCRE2_UTF,
                              &error, &offset, nullptr);
        if (code_) {
            pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE); // without it, matched as compiled
        }
    }
    ~Pattern() { pcre2_code_free(code_); }
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    // An unreadable pattern matches nothing.
    bool Found(const std::string& text) const {
        if (!code_) {
            return false;
        }
        // Each thread its own match data: the queries are shared.
        struct Data {
            pcre2_match_data* data = pcre2_match_data_create(1, nullptr);
            ~Data() { pcre2_match_data_free(data); }
        };
        thread_local Data match;
        return pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0,
                           match.data, nullptr) >= 0;
    }

private:
    pcre2_code* code_ = nullptr;
};

} // namespace

struct QueryPredicates::Predicate {
    enum class Test { Eq, Match, AnyOf } test = Test::Eq;
    bool negated = false;
    uint32_t capture = 0;
    int64_t otherCapture = -1; // #eq? @a @b
    std::vector<std::string> strings;
    std::shared_ptr<const Pattern> pattern;
};

QueryPredicates::QueryPredicates(const TSQuery* query) {
    const uint32_t patterns = ts_query_pattern_count(query);
    byPattern_.resize(patterns);
    for (uint32_t p = 0; p < patterns; ++p) {
        uint32_t count = 0;
        const TSQueryPredicateStep* steps = ts_query_predicates_for_pattern(query, p, &count);
        // Each predicate: its name, its arguments, then a Done step.
        for (uint32_t s = 0; s < count;) {
            uint32_t end = s;
            while (end < count && steps[end].type != TSQueryPredicateStepTypeDone) {
                ++end;
            }
            auto string = [&](uint32_t step) {
                uint32_t length = 0;
                const char* value =
                    ts_query_string_value_for_id(query, steps[step].value_id, &length);
                return std::string(value, length);
            };
            const std::string name =
                steps[s].type == TSQueryPredicateStepTypeString ? string(s) : std::string();
            Predicate predicate;
            predicate.negated = name.starts_with("not-");
            const std::string_view test = std::string_view(name).substr(predicate.negated ? 4 : 0);
            const bool known = test == "eq?" || test == "match?" || test == "any-of?";
            if (known && end > s + 2 && steps[s + 1].type == TSQueryPredicateStepTypeCapture) {
                predicate.test = test == "eq?"      ? Predicate::Test::Eq
                                 : test == "match?" ? Predicate::Test::Match
                                                    : Predicate::Test::AnyOf;
                predicate.capture = steps[s + 1].value_id;
                for (uint32_t a = s + 2; a < end; ++a) {
                    if (steps[a].type == TSQueryPredicateStepTypeCapture) {
                        predicate.otherCapture = steps[a].value_id;
                    } else {
                        predicate.strings.push_back(string(a));
                    }
                }
                if (predicate.test == Predicate::Test::Match && !predicate.strings.empty()) {
                    predicate.pattern = std::make_shared<const Pattern>(predicate.strings[0]);
                }
                byPattern_[p].push_back(std::move(predicate));
            }
            s = end + 1;
        }
    }
}

QueryPredicates::~QueryPredicates() = default;

bool QueryPredicates::Satisfied(const TSQueryMatch& match, const TextReader& text) const {
    if (!HasAny(match.pattern_index)) {
        return true;
    }
    auto textOf = [&](uint32_t capture, std::string& out) {
        for (uint16_t i = 0; i < match.capture_count; ++i) {
            if (match.captures[i].index == capture) {
                const TSNode node = match.captures[i].node;
                const size_t start = ts_node_start_byte(node) / 2;
                const size_t count = ts_node_end_byte(node) / 2 - start;
                out = Utf8(text(start, std::min(count, kMostUnits)));
                return true;
            }
        }
        return false;
    };
    for (const Predicate& p : byPattern_[match.pattern_index]) {
        std::string value, other;
        if (!textOf(p.capture, value)) {
            continue;
        }
        bool holds = false;
        switch (p.test) {
        case Predicate::Test::Eq:
            holds = p.otherCapture >= 0 ? textOf(uint32_t(p.otherCapture), other) && value == other
                                        : !p.strings.empty() && value == p.strings[0];
            break;
        case Predicate::Test::Match:
            holds = p.pattern && p.pattern->Found(value);
            break;
        case Predicate::Test::AnyOf:
            holds = std::find(p.strings.begin(), p.strings.end(), value) != p.strings.end();
            break;
        }
        if (holds == p.negated) {
            return false;
        }
    }
    return true;
}

} // namespace sheafpad::syntax
