// SPDX-License-Identifier: GPL-3.0-or-later
// Finding a fixed string of bytes fast: candidates are found sixteen bytes at
// a time by the needle's first and last bytes together, then checked.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sheafpad::search {

class LiteralFinder {
public:
    // asciiCaseless: the letters A to Z match a to z; every other byte
    // matches only itself.
    LiteralFinder(std::string needle, bool asciiCaseless);

    // The first occurrence in hay that starts at or after from, or npos. An
    // empty needle finds nothing.
    size_t Find(std::string_view hay, size_t from = 0) const;
    size_t size() const { return needle_.size(); }

private:
    bool EqualAt(const char* at) const;
    size_t FindWide(const char* h, size_t& i, size_t lastStart) const;

    std::string needle_; // lower-cased where caseless
    std::string masks_;  // per needle byte: 0x20 where it is a letter and caseless, else 0
};

} // namespace sheafpad::search
