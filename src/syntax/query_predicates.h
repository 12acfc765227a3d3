// SPDX-License-Identifier: GPL-3.0-or-later
// The text conditions of a query's patterns (#eq?, #match?, #any-of? and
// their #not- forms), which tree-sitter leaves to its caller. Directives
// such as #set! and the local-variable tests hold always.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <tree_sitter/api.h>
#include <vector>

namespace sheafpad::syntax {

// The text of [pos, pos + count), in UTF-16 units.
using TextReader = std::function<std::u16string(size_t pos, size_t count)>;

class QueryPredicates {
public:
    explicit QueryPredicates(const TSQuery* query);
    ~QueryPredicates();

    bool HasAny(uint32_t pattern) const {
        return pattern < byPattern_.size() && !byPattern_[pattern].empty();
    }
    // Whether match meets its pattern's conditions, reading its nodes' text.
    bool Satisfied(const TSQueryMatch& match, const TextReader& text) const;

private:
    struct Predicate;
    std::vector<std::vector<Predicate>> byPattern_;
};

} // namespace sheafpad::syntax
