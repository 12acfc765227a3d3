// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/shown_colours.h"

namespace sheafpad::syntax {

void ShownColours::Reset(size_t length, uint64_t version) {
    store_.Reset(length);
    start_ = version_ = version;
    complete_ = false;
    changes_.clear();
}

void ShownColours::Edited(const TextChange& change, uint64_t version) {
    store_.Edit(change);
    changes_.emplace_back(version, change);
    version_ = version;
    complete_ = false;
}

ShownColours::Taken ShownColours::Take(std::vector<ColourWorker::Result> results) {
    Taken taken;
    for (ColourWorker::Result& result : results) {
        if (result.version < start_) {
            continue; // of a text that is gone
        }
        if (result.tooCostly) {
            taken.tooCostly = true;
            return taken;
        }
        for (const auto& [version, change] : changes_) {
            if (version > result.version) {
                MovePatches(result.patches, change);
            }
        }
        std::erase_if(changes_, [&](const auto& c) { return c.first <= result.version; });
        for (const ColourPatch& patch : result.patches) {
            const UnitRange changed = store_.Apply(patch);
            if (changed.end > changed.start) {
                taken.changed.push_back(changed);
            }
        }
        complete_ = result.complete && result.version == version_;
        taken.any = true;
    }
    return taken;
}

} // namespace sheafpad::syntax
