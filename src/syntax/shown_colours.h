// SPDX-License-Identifier: GPL-3.0-or-later
// The colours shown of a text that keeps changing while the colour worker
// works on older versions of it: each edit moves the colours at once, and
// each result, found in an older version, is moved along the edits made
// since before it is taken in.
#pragma once

#include "syntax/colour_store.h"
#include "syntax/colour_worker.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace sheafpad::syntax {

class ShownColours {
public:
    // A new text of length characters, as of version, none coloured yet.
    void Reset(size_t length, uint64_t version);
    // The text was changed by change, which made version.
    void Edited(const TextChange& change, uint64_t version);

    struct Taken {
        std::vector<UnitRange> changed; // where the colours shown changed
        bool any = false;               // a result of the present text came
        bool tooCostly = false;         // the text stays plain
    };
    Taken Take(std::vector<ColourWorker::Result> results);

    const ColourStore& Store() const { return store_; }
    // Whether every colour shown is final (none moved along an edit since).
    bool Complete() const { return complete_; }

private:
    ColourStore store_;
    uint64_t start_ = 0, version_ = 0;
    bool complete_ = false;
    // The edits since the newest version a result was of, with the version each made.
    std::vector<std::pair<uint64_t, TextChange>> changes_;
};

} // namespace sheafpad::syntax
