// SPDX-License-Identifier: GPL-3.0-or-later
// The text view's layout: where the chunks of a long line start, so that its
// rows wrap as one layout of the whole line would wrap them.
#include "textview/text_view_layout.h"

#include <QTextLine>
#include <algorithm>

namespace sheafpad {

namespace {

// Chunks that edits make shorter than this are joined to the next one.
constexpr qsizetype kMinChunk = TextLayout::kChunk / 8;

} // namespace

TextLayout::Seams* TextLayout::SeamsOf(qsizetype line) const {
    const qsizetype length = LineLength(line);
    if (length <= kChunk) {
        return nullptr;
    }
    auto found = seams_.find(line);
    if (found == seams_.end()) {
        const qsizetype count = (length + kChunk - 1) / kChunk;
        Seams seams;
        seams.starts.resize(size_t(count));
        seams.checked.assign(size_t(count), 0);
        for (qsizetype chunk = 0; chunk < count; ++chunk) {
            seams.starts[size_t(chunk)] =
                wraps_ ? chunk * kChunk : ChunkStartAt(line, chunk * kChunk);
        }
        // Unwrapped, a chunk's start is never moved: rows end where chunks do.
        seams.checked.assign(size_t(count), wraps_ ? 0 : 1);
        seams.checked[0] = 1;
        seams.widths.assign(size_t(count), -1);
        found = seams_.emplace(line, std::move(seams)).first;
    }
    return &found->second;
}

qsizetype TextLayout::ChunkCount(qsizetype line) const {
    const Seams* seams = SeamsOf(line);
    return seams == nullptr ? 1 : qsizetype(seams->starts.size());
}

qsizetype TextLayout::StoredChunkOf(qsizetype line, qsizetype offset) const {
    const Seams* seams = SeamsOf(line);
    if (seams == nullptr) {
        return 0;
    }
    const auto& starts = seams->starts;
    return qsizetype(std::upper_bound(starts.begin() + 1, starts.end(), offset) - starts.begin()) -
           1;
}

qsizetype TextLayout::ChunkStartAt(qsizetype line, qsizetype offset) const {
    const size_t pos = buffer_.LineStart(size_t(line)) + size_t(offset);
    return offset > 0 && QChar::isLowSurrogate(buffer_.At(pos)) &&
                   QChar::isHighSurrogate(buffer_.At(pos - 1))
               ? offset - 1
               : offset;
}

qreal TextLayout::ChunkWidth(qsizetype line, qsizetype chunk) const {
    const Seams* seams = wraps_ ? nullptr : SeamsOf(line);
    if (seams == nullptr) {
        return wraps_ ? width_ : qreal(LineLength(line)) * estimatedCharWidth_;
    }
    if (const float width = seams->widths[size_t(chunk)]; width >= 0) {
        return width;
    }
    const qsizetype end = size_t(chunk + 1) < seams->starts.size()
                              ? seams->starts[size_t(chunk + 1)]
                              : LineLength(line);
    return qreal(end - seams->starts[size_t(chunk)]) * estimatedCharWidth_;
}

qsizetype TextLayout::ChunkStart(qsizetype line, qsizetype chunk) const {
    const Seams* seams = SeamsOf(line);
    return seams == nullptr ? 0 : seams->starts[size_t(chunk)];
}

qreal TextLayout::ChunkX(qsizetype line, qsizetype chunk) const {
    qreal x = 0;
    if (!wraps_) {
        for (qsizetype k = 0; k < chunk; ++k) {
            x += ChunkWidth(line, k);
        }
    }
    return x;
}

qsizetype TextLayout::ChunkAtX(qsizetype line, qreal x) const {
    if (wraps_) {
        return 0;
    }
    const qsizetype count = ChunkCount(line);
    qsizetype chunk = 0;
    for (qreal end = ChunkWidth(line, 0); chunk + 1 < count && x >= end;) {
        end += ChunkWidth(line, ++chunk);
    }
    return chunk;
}

void TextLayout::Check(qsizetype line, qsizetype chunk) const {
    const Seams* seams = SeamsOf(line);
    if (seams == nullptr || chunk <= 0 || seams->checked[size_t(chunk)]) {
        return;
    }
    if (const auto before = layouts_.find(Key(line, chunk - 1)); before != layouts_.end()) {
        Evict(before); // laid out while it held a composition
    }
    Layout(line, chunk - 1); // which checks the start of the chunk after it
}

qsizetype TextLayout::ChunkOf(qsizetype line, qsizetype offset) const {
    const Seams* seams = SeamsOf(line);
    if (seams == nullptr) {
        return 0;
    }
    for (;;) {
        const qsizetype chunk = StoredChunkOf(line, offset);
        Check(line, chunk); // the start only moves back, so offset stays in the chunk
        if (chunk + 1 >= qsizetype(seams->starts.size())) {
            return chunk;
        }
        Check(line, chunk + 1);
        if (offset < seams->starts[size_t(chunk + 1)]) {
            return chunk;
        }
    }
}

qsizetype TextLayout::Lookahead() const {
    return std::max<qsizetype>(256, qsizetype(3 * width_ / charWidth_));
}

void TextLayout::MoveSeam(Seams& seams, qsizetype line, qsizetype chunk, qsizetype start) const {
    seams.starts[size_t(chunk)] = start;
    seams.checked[size_t(chunk)] = 1;
    if (const auto moved = layouts_.find(Key(line, chunk)); moved != layouts_.end()) {
        Evict(moved); // laid out from where it started before
    }
}

void TextLayout::EditSeams(qsizetype line, qsizetype offset, qsizetype removed,
                           qsizetype inserted) {
    const auto found = seams_.find(line);
    if (found == seams_.end() || LineLength(line) <= kChunk) {
        if (found != seams_.end()) {
            seams_.erase(found);
        }
        DropFrom(line, 0, false);
        return;
    }
    // Starts in the removed text go; those after it move with the text.
    const Seams& old = found->second;
    const qsizetype chunk = StoredChunkOf(line, offset);
    const qsizetype delta = inserted - removed;
    Seams seams;
    std::vector<qsizetype> was; // each start's chunk before the edit, -1 for a new one
    for (size_t k = 0; k < old.starts.size(); ++k) {
        qsizetype start = old.starts[k];
        if (qsizetype(k) > chunk) {
            if (start < offset + removed) {
                continue;
            }
            start += delta;
        }
        seams.starts.push_back(start);
        seams.checked.push_back(old.checked[k]);
        seams.widths.push_back(old.widths[k]);
        was.push_back(qsizetype(k));
    }
    auto count = [&] { return qsizetype(seams.starts.size()); };
    auto end = [&](qsizetype k) {
        return k + 1 < count() ? seams.starts[size_t(k + 1)] : LineLength(line);
    };
    // The edited chunk is cut anew when it grew long, joined to the next one
    // (or the last one to the one before) when it became short.
    if (const qsizetype from = seams.starts[size_t(chunk)]; end(chunk) - from > 2 * kChunk) {
        std::vector<qsizetype> cuts;
        for (qsizetype at = from + kChunk; at < end(chunk) - kChunk / 2; at += kChunk) {
            cuts.push_back(wraps_ ? at : ChunkStartAt(line, at));
        }
        seams.starts.insert(seams.starts.begin() + chunk + 1, cuts.begin(), cuts.end());
        seams.checked.insert(seams.checked.begin() + chunk + 1, cuts.size(), wraps_ ? 0 : 1);
        seams.widths.insert(seams.widths.begin() + chunk + 1, cuts.size(), -1);
        was.insert(was.begin() + chunk + 1, cuts.size(), -1);
    } else if (end(chunk) - from < kMinChunk && count() > 1) {
        const qsizetype gone = chunk + 1 < count() ? chunk + 1 : chunk;
        seams.starts.erase(seams.starts.begin() + gone);
        seams.checked.erase(seams.checked.begin() + gone);
        seams.widths.erase(seams.widths.begin() + gone);
        was.erase(was.begin() + gone);
    }
    const qsizetype edited = std::min(chunk, count() - 1);
    // The edited chunk's layout decides where the next one starts, and the
    // chunk before it read the edited text when the edit is near its start.
    // Unwrapped, rows end where chunks do and only the edited chunk's width
    // changed.
    seams.widths[size_t(edited)] = -1;
    if (edited + 1 < count() && wraps_) {
        seams.checked[size_t(edited + 1)] = 0;
    }
    const bool nearStart = wraps_ && offset < seams.starts[size_t(edited)] + Lookahead();
    if (edited > 0 && nearStart) {
        seams.checked[size_t(edited)] = 0;
    }
    found->second = std::move(seams);
    KeepLaterChunks(line, edited, was, delta);
    for (qsizetype k = nearStart ? std::max<qsizetype>(0, edited - 1) : edited; k <= edited; ++k) {
        if (const auto entry = layouts_.find(Key(line, k)); entry != layouts_.end()) {
            Evict(entry);
        }
    }
}

void TextLayout::KeepLaterChunks(qsizetype line, qsizetype edited,
                                 const std::vector<qsizetype>& was, qsizetype delta) {
    // The chunks after the edited one hold the same text as before, from a
    // start moved by delta (the layout of each reads only its own text and
    // the next one's start): their layouts are kept under their new numbers.
    std::vector<qsizetype> now; // by the number before
    for (size_t k = size_t(edited) + 1; k < was.size(); ++k) {
        if (was[k] >= 0) {
            now.resize(std::max(now.size(), size_t(was[k]) + 1), -1);
            now[size_t(was[k])] = qsizetype(k);
        }
    }
    std::vector<std::map<quint64, CacheEntry>::node_type> kept;
    const auto last = layouts_.lower_bound(Key(line + 1, 0));
    for (auto entry = layouts_.upper_bound(Key(line, edited)); entry != last;) {
        const qsizetype before = qsizetype(entry->first & 0xFFFFFF);
        auto node = layouts_.extract(entry++);
        if (before < qsizetype(now.size()) && now[size_t(before)] >= 0) {
            node.key() = Key(line, now[size_t(before)]);
            node.mapped().laid.start += delta;
            *node.mapped().use = node.key();
            kept.push_back(std::move(node));
        } else {
            cachedChars_ -= node.mapped().laid.length;
            order_.erase(node.mapped().use);
        }
    }
    recent_ = layouts_.end();
    for (auto& node : kept) {
        layouts_.insert(std::move(node));
    }
}

} // namespace sheafpad
