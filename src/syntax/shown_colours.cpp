// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/shown_colours.h"

namespace sheafpad::syntax {

void ShownColours::Reset(size_t length, uint64_t revision) {
    store_.Reset(length);
    start_ = revision_ = revision;
    shows_ = 0;
    complete_ = shownComplete_ = false;
}

void ShownColours::Edited(const TextChange& change, uint64_t revision) {
    store_.Edit(change);
    revision_ = revision;
    complete_ = shownComplete_ = false;
}

ShownColours::Taken ShownColours::Take(std::vector<ColourWorker::Result> results,
                                       const TextHistory& history) {
    Taken taken;
    for (const ColourWorker::Result& result : results) {
        if (result.version < start_) {
            continue; // of a text that is gone
        }
        if (result.tooCostly) {
            taken.tooCostly = true;
            return taken;
        }
        // What an edit since has not removed goes where it is now; a result
        // too old to be moved is dropped (its colours come again).
        bool moved = true;
        for (const ColourPatch& patch : result.patches) {
            moved =
                moved && history.ForEachKeptPart(TextRange{patch.from, patch.End()}, result.version,
                                                 [&](size_t offset, size_t now, size_t length) {
                                                     const UnitRange changed = store_.Apply(
                                                         now, patch.kinds.data() + offset, length);
                                                     if (!changed.Empty()) {
                                                         taken.changed.push_back(changed);
                                                     }
                                                 });
        }
        const bool current = moved && result.version == revision_ && result.shows == shows_;
        complete_ = current && result.complete;
        shownComplete_ = current && (result.complete || result.shownComplete);
        taken.any = true;
    }
    return taken;
}

} // namespace sheafpad::syntax
