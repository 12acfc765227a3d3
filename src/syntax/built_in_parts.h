// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of others compiled into the program (the grammars and their
// queries), with their copyright and licence, for the About box. Their
// licence asks that the notices go with every copy.
#pragma once

#include <span>
#include <string_view>

namespace sheafpad::syntax {

struct BuiltInPart {
    std::string_view name;      // the package, "tree-sitter-html"
    std::string_view version;   // "0.23.2"
    std::string_view what;      // the language it reads, "HTML"
    std::string_view copyright; // "2014 Max Brunsfeld", as its LICENSE says
    std::string_view licence;   // SPDX identifier, "MIT"
};

// In the order of src/syntax/grammars.txt; none in a build without colours.
std::span<const BuiltInPart> BuiltInParts();

// The permission notice of the MIT licence, which the parts share (from
// "Permission is hereby granted" to its end); empty when there are no parts.
std::string_view MitPermissionNotice();

} // namespace sheafpad::syntax
