// SPDX-License-Identifier: GPL-3.0-or-later
// The syntax trees of one text: the tree of its own language and one tree
// for each language embedded in it (the scripts and style sheets of a page),
// with the ranges of the text that language covers.
//
// A copy shares the trees' nodes (tree-sitter copies on write), so the
// parsing thread and the user-interface thread each hold their own and edit
// it without locks.
#pragma once

#include "syntax/syntax_edit.h"
#include "syntax/syntax_language.h"

#include <tree_sitter/api.h>
#include <vector>

namespace sheafpad::syntax {

// One tree, owned; copying makes a tree-sitter copy.
class Tree {
public:
    Tree() = default;
    explicit Tree(TSTree* tree) : tree_(tree) {}
    ~Tree();
    Tree(const Tree& other);
    Tree& operator=(const Tree& other);
    Tree(Tree&& other) noexcept : tree_(other.tree_) { other.tree_ = nullptr; }
    Tree& operator=(Tree&& other) noexcept;

    TSTree* get() const { return tree_; }
    explicit operator bool() const { return tree_ != nullptr; }

private:
    TSTree* tree_ = nullptr;
};

struct EmbeddedTree {
    Language language = Language::Plain;
    Tree tree;
    std::vector<TSRange> ranges; // the parts of the text in this language, in order
};

struct SyntaxTrees {
    Language language = Language::Plain;
    Tree tree;
    std::vector<EmbeddedTree> embedded;

    bool Empty() const { return !tree; }
    // Tells every tree (and the embedded ranges) of an edit of the text.
    void Edit(const SyntaxEdit& edit);
};

// The ranges of the text, in UTF-16 units, where colours may differ between
// old (edited to the new text) and now; everything when old is empty.
// Sorted, maybe overlapping.
using UnitRange = TextRange;
std::vector<UnitRange> ChangedRanges(const SyntaxTrees& old, const SyntaxTrees& now, size_t length);

} // namespace sheafpad::syntax
