// SPDX-License-Identifier: GPL-3.0-or-later
#include "textview/accessible_text.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <climits>
#include <vector>

namespace sheafpad {

namespace {

// How far from the offset a word or sentence is looked for, each side; a
// longer one is given in parts cut at the window's edge.
constexpr qsizetype kWindow = 4096;
constexpr qsizetype kSmallWindow = 128; // tried first
constexpr qsizetype kCharWindow = 64;   // a character: a grapheme cluster

using Span = TextSpan;

// The starts of the items (words, sentences, grapheme clusters) in
// [from, to): the positions where the finder sees an item start or end, and
// both edges of the window. Never cuts a surrogate pair.
std::vector<qsizetype> ItemBounds(const AccessibleTextSource& source, qsizetype from, qsizetype to,
                                  QTextBoundaryFinder::BoundaryType type) {
    const QString text = source.Text(from, to - from);
    qsizetype lead = 0, length = text.size();
    if (from > 0 && length > 0 && text.front().isLowSurrogate()) {
        lead = 1;
        --length;
    }
    if (from + lead + length < source.Length() && length > 0 && text.back().isHighSurrogate()) {
        --length;
    }
    const qsizetype base = from + lead;
    std::vector<qsizetype> bounds{base};
    QTextBoundaryFinder finder(type, text.constData() + lead, length);
    for (qsizetype p = finder.toNextBoundary(); p > 0 && p < length; p = finder.toNextBoundary()) {
        if (finder.boundaryReasons() &
            (QTextBoundaryFinder::StartOfItem | QTextBoundaryFinder::EndOfItem)) {
            bounds.push_back(base + p);
        }
    }
    bounds.push_back(base + length);
    return bounds;
}

// Words, sentences and characters, as Qt's own text interfaces find them:
// the item at pos spans from the last bound at or before it to the next.
// reach: how far the window goes each side (twice that on the side asked).
Span FinderItem(const AccessibleTextSource& source, qsizetype pos,
                QTextBoundaryFinder::BoundaryType type, int side, qsizetype reach) {
    const qsizetype length = source.Length();
    const qsizetype from = std::max<qsizetype>(0, pos - (side < 0 ? 2 * reach : reach));
    const qsizetype to = std::min(length, pos + (side > 0 ? 2 * reach : reach));
    const std::vector<qsizetype> bounds = ItemBounds(source, from, to, type);
    // bounds[i - 1] <= pos < bounds[i]
    const size_t i = size_t(std::upper_bound(bounds.begin(), bounds.end(), pos) - bounds.begin());
    if (i == 0) {
        return {};
    }
    if (side < 0) {
        const qsizetype end = bounds[i - 1];
        if (end == 0) {
            return {};
        }
        // At the window's edge: the part before it.
        return {i >= 2 ? bounds[i - 2] : std::max<qsizetype>(0, end - reach), end};
    }
    if (i >= bounds.size()) {
        return {};
    }
    if (side > 0) {
        const qsizetype start = bounds[i];
        if (start >= length) {
            return {};
        }
        return {start, i + 1 < bounds.size() ? bounds[i + 1] : std::min(length, start + reach)};
    }
    return {bounds[i - 1], bounds[i]};
}

// Most items are short: a small window first, the wide one when the item
// reaches the small one's edge.
Span FinderItem(const AccessibleTextSource& source, qsizetype pos,
                QTextBoundaryFinder::BoundaryType type, int side) {
    const qsizetype wide = type == QTextBoundaryFinder::Grapheme ? kCharWindow : kWindow;
    const qsizetype small = std::min(wide, kSmallWindow);
    const Span span = FinderItem(source, pos, type, side, small);
    const qsizetype from = std::max<qsizetype>(0, pos - (side < 0 ? 2 * small : small));
    const qsizetype to = std::min(source.Length(), pos + (side > 0 ? 2 * small : small));
    // (a surrogate pair at an edge moves the edge by one)
    const bool cut = span.start >= 0 && ((from > 0 && span.start <= from + 1) ||
                                         (to < source.Length() && span.end >= to - 1));
    return cut ? FinderItem(source, pos, type, side, wide) : span;
}

} // namespace

int ToAccessibleOffset(qsizetype value) {
    return int(std::clamp<qsizetype>(value, INT_MIN, INT_MAX));
}

QString AccessibleTextItem(const AccessibleTextSource& source, TextSide side, int offset,
                           QAccessible::TextBoundaryType type, int* startOffset, int* endOffset) {
    *startOffset = *endOffset = -1;
    const qsizetype length = source.Length();
    const qsizetype pos = offset == -2 ? source.Caret() : offset == -1 ? length : offset;
    if (length == 0 || pos < 0 || pos > length || (side == TextSide::Before && pos == 0) ||
        (side == TextSide::After && pos == length)) {
        return QString();
    }
    const int sign = side == TextSide::Before ? -1 : side == TextSide::After ? 1 : 0;
    Span span;
    switch (type) {
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary:
        span = source.Line(pos, type == QAccessible::ParagraphBoundary, sign);
        break;
    case QAccessible::NoBoundary:
        if (side == TextSide::At) {
            span = {0, length};
        }
        break;
    case QAccessible::CharBoundary:
    case QAccessible::WordBoundary:
    case QAccessible::SentenceBoundary:
        if (side == TextSide::At && pos == length) { // no item begins at the end
            *startOffset = *endOffset = ToAccessibleOffset(length);
            return QString();
        }
        span = FinderItem(source, pos,
                          type == QAccessible::CharBoundary   ? QTextBoundaryFinder::Grapheme
                          : type == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                                              : QTextBoundaryFinder::Sentence,
                          sign);
        break;
    }
    if (span.start < 0) {
        return QString();
    }
    *startOffset = ToAccessibleOffset(span.start);
    *endOffset = ToAccessibleOffset(span.end);
    return source.Text(span.start, span.end - span.start);
}

} // namespace sheafpad
