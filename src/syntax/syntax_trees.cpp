// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/syntax_trees.h"

#include "syntax/tree_memory.h"

#include <algorithm>
#include <iterator>

namespace sheafpad::syntax {

Tree::~Tree() {
    if (tree_) {
        ts_tree_delete(tree_);
    }
}

Tree::Tree(const Tree& other) : tree_(other.tree_ ? ts_tree_copy(other.tree_) : nullptr) {}

Tree& Tree::operator=(const Tree& other) {
    if (this != &other) {
        *this = Tree(other);
    }
    return *this;
}

Tree& Tree::operator=(Tree&& other) noexcept {
    std::swap(tree_, other.tree_);
    return *this;
}

namespace {

// A range's ends move as the tree's own included ranges do.
void EditRange(TSRange& range, const TSInputEdit& edit) {
    auto move = [&](uint32_t& byte) {
        if (byte >= edit.old_end_byte) {
            byte = edit.new_end_byte + (byte - edit.old_end_byte);
        } else if (byte > edit.start_byte) {
            byte = edit.start_byte;
        }
    };
    move(range.start_byte);
    move(range.end_byte);
}

} // namespace

void SyntaxTrees::Edit(const SyntaxEdit& edit) {
    const TSInputEdit input = ToInputEdit(edit);
    if (tree) {
        ts_tree_edit(tree.get(), &input);
    }
    for (EmbeddedTree& e : embedded) {
        ts_tree_edit(e.tree.get(), &input);
        for (TSRange& range : e.ranges) {
            EditRange(range, input);
        }
    }
}

std::vector<UnitRange> ChangedRanges(const SyntaxTrees& old, const SyntaxTrees& now,
                                     size_t length) {
    std::vector<UnitRange> out;
    auto addTreeRanges = [&](TSTree* before, TSTree* after) {
        uint32_t count = 0;
        TSRange* ranges = ts_tree_get_changed_ranges(before, after, &count);
        for (uint32_t i = 0; i < count; ++i) {
            out.push_back({ranges[i].start_byte / 2, (ranges[i].end_byte + 1) / 2});
        }
        FreeTreeSitterMemory(ranges);
    };
    auto addRanges = [&](const std::vector<TSRange>& ranges) {
        for (const TSRange& r : ranges) {
            out.push_back({r.start_byte / 2, (r.end_byte + 1) / 2});
        }
    };
    if (old.Empty() || now.Empty() || old.language != now.language) {
        out.push_back({0, length});
        return out;
    }
    addTreeRanges(old.tree.get(), now.tree.get());
    for (const EmbeddedTree& e : now.embedded) {
        const auto before =
            std::find_if(old.embedded.begin(), old.embedded.end(),
                         [&](const EmbeddedTree& o) { return o.language == e.language; });
        if (before == old.embedded.end()) {
            addRanges(e.ranges);
            continue;
        }
        addTreeRanges(before->tree.get(), e.tree.get());
        // Where the embedded ranges themselves moved, colours change hands.
        std::vector<TSRange> moved;
        std::set_symmetric_difference(before->ranges.begin(), before->ranges.end(),
                                      e.ranges.begin(), e.ranges.end(), std::back_inserter(moved),
                                      [](const TSRange& a, const TSRange& b) {
                                          return a.start_byte != b.start_byte
                                                     ? a.start_byte < b.start_byte
                                                     : a.end_byte < b.end_byte;
                                      });
        addRanges(moved);
    }
    for (const EmbeddedTree& o : old.embedded) {
        if (std::none_of(now.embedded.begin(), now.embedded.end(),
                         [&](const EmbeddedTree& e) { return e.language == o.language; })) {
            addRanges(o.ranges);
        }
    }
    std::sort(out.begin(), out.end(),
              [](const UnitRange& a, const UnitRange& b) { return a.start < b.start; });
    return out;
}

} // namespace sheafpad::syntax
