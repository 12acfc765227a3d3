// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/colour_store.h"

#include <algorithm>

namespace sheafpad::syntax {

void ColourStore::Reset(size_t length) {
    std::vector<Kind>().swap(kinds_);
    uncoloured_ = length;
    gapStart_ = gapEnd_ = 0;
}

void ColourStore::MoveGap(size_t pos) {
    if (pos < gapStart_) {
        std::move_backward(kinds_.begin() + long(pos), kinds_.begin() + long(gapStart_),
                           kinds_.begin() + long(gapEnd_));
    } else {
        std::move(kinds_.begin() + long(gapEnd_), kinds_.begin() + long(gapEnd_ + pos - gapStart_),
                  kinds_.begin() + long(gapStart_));
    }
    gapEnd_ = pos + (gapEnd_ - gapStart_);
    gapStart_ = pos;
}

void ColourStore::Edit(const TextChange& change) {
    if (kinds_.empty()) {
        const size_t removed =
            std::min(change.removed, uncoloured_ - std::min(change.pos, uncoloured_));
        uncoloured_ = uncoloured_ - removed + change.inserted;
        return;
    }
    const size_t pos = std::min(change.pos, Length());
    const size_t removed = std::min(change.removed, Length() - pos);
    const Kind before = pos > 0 ? At(pos - 1) : Kind::None;
    const Kind after = pos + removed < Length() ? At(pos + removed) : Kind::None;
    MoveGap(pos);
    gapEnd_ += removed;
    if (gapEnd_ - gapStart_ < change.inserted) {
        // A new gap, with room for some typing.
        const size_t gap = change.inserted + Length() / 64 + 4096;
        std::vector<Kind> grown(Length() + gap);
        std::copy(kinds_.begin(), kinds_.begin() + long(gapStart_), grown.begin());
        std::copy(kinds_.begin() + long(gapEnd_), kinds_.end(),
                  grown.begin() + long(gapStart_ + gap));
        gapEnd_ = gapStart_ + gap;
        kinds_.swap(grown);
    }
    std::fill_n(kinds_.begin() + long(gapStart_), change.inserted,
                before == after ? before : Kind::None);
    gapStart_ += change.inserted;
}

UnitRange ColourStore::Apply(size_t at, const Kind* kinds, size_t count) {
    if (kinds_.empty() && uncoloured_ > 0 && count > 0) {
        kinds_.assign(uncoloured_, Kind::None);
        gapStart_ = gapEnd_ = uncoloured_;
    }
    UnitRange changed{0, 0};
    const size_t end = std::min(at + count, Length());
    bool any = false;
    for (size_t pos = at; pos < end; ++pos) {
        const Kind kind = kinds[pos - at];
        Kind& stored = kinds_[pos < gapStart_ ? pos : pos + gapEnd_ - gapStart_];
        if (stored != kind) {
            stored = kind;
            changed.start = any ? changed.start : pos;
            changed.end = pos + 1;
            any = true;
        }
    }
    return changed;
}

std::vector<ColourSpan> ColourStore::Spans(size_t from, size_t to) const {
    std::vector<ColourSpan> spans;
    if (kinds_.empty()) {
        return spans;
    }
    to = std::min(to, Length());
    for (size_t pos = from; pos < to;) {
        const Kind kind = At(pos);
        size_t end = pos + 1;
        while (end < to && At(end) == kind) {
            ++end;
        }
        if (kind != Kind::None) {
            spans.push_back(ColourSpan{pos, end - pos, kind});
        }
        pos = end;
    }
    return spans;
}

} // namespace sheafpad::syntax
