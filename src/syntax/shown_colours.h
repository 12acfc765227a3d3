// SPDX-License-Identifier: GPL-3.0-or-later
// The colours shown of a text that keeps changing while the colour worker
// works on older versions of it: each edit moves the colours at once, and
// each result, found in an older revision, is moved to the present one by
// the text's history before it is taken in.
#pragma once

#include "syntax/colour_store.h"
#include "syntax/colour_worker.h"

#include <cstdint>
#include <vector>

namespace sheafpad::syntax {

class ShownColours {
public:
    // A new text of length characters, as of revision, none coloured yet.
    void Reset(size_t length, uint64_t revision);
    // The text was changed by change, which made revision.
    void Edited(const TextChange& change, uint64_t revision);
    // The worker was told what is shown now (ColourWorker::Show): colours
    // are complete only once it has coloured that.
    void Showing() {
        ++shows_;
        complete_ = shownComplete_ = false;
    }

    struct Taken {
        std::vector<UnitRange> changed; // where the colours shown changed
        bool any = false;               // a result of the present text came
        bool tooCostly = false;         // the text stays plain
    };
    // history: the text's, which moves each result to the present revision.
    Taken Take(std::vector<ColourWorker::Result> results, const TextHistory& history);

    const ColourStore& Store() const { return store_; }
    // Whether every colour wanted is shown and final (none moved along an
    // edit since).
    bool Complete() const { return complete_; }
    // Whether every colour of what is shown is.
    bool ShownComplete() const { return shownComplete_; }

private:
    ColourStore store_;
    uint64_t start_ = 0, revision_ = 0;
    uint64_t shows_ = 0;
    bool complete_ = false, shownComplete_ = false;
};

} // namespace sheafpad::syntax
