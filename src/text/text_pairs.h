// SPDX-License-Identifier: GPL-3.0-or-later
// Pairs in a text that the view shows together: a bracket and its partner,
// a page's start tag and its end tag.
//
// The search for a partner reads at most kPairScan characters either way, so
// that a caret in a long minified line costs the same as anywhere else; a
// partner farther away is not found. Characters for which skip() is true
// (inside strings and comments, as the syntax colours tell) take no part,
// unless the bracket at the caret is itself such a character: then only
// those do.
#pragma once

#include "text/text_buffer.h"
#include "text/text_history.h"

#include <functional>
#include <optional>

namespace sheafpad {

constexpr size_t kPairScan = size_t(1) << 18;

// The two ends of a pair: each a range of the text.
struct TextPair {
    TextRange first, second;
    bool operator==(const TextPair&) const = default;
};

using SkipFn = std::function<bool(size_t pos)>;

// The bracket ((, [, {, or their partners) just after pos, else just before
// it, and its partner; nullopt when there is no bracket there or no partner.
// Both ranges are one character; second is the partner (none when unmatched).
std::optional<TextPair> MatchBracket(const TextBuffer& text, size_t pos, const SkipFn& skip);

// The start or end tag whose name or brackets pos is in or beside (from its
// "<" to just after its ">"), and the element's other tag: the ranges are
// each tag's "<name" or "</name". Void elements (br, img, ...) and
// self-closing tags have no partner. skip() marks text that holds no tags
// (comments, scripts' strings).
std::optional<TextPair> MatchTag(const TextBuffer& text, size_t pos, const SkipFn& skip);

} // namespace sheafpad
