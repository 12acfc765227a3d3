// SPDX-License-Identifier: GPL-3.0-or-later
// The results of a search in files: a tree of the files with their match
// counts (or why a file was skipped), under each its matching lines, the
// match drawn highlighted. Each file and each match has a check box: a
// replace changes only the checked ones. A file's box stands for its
// matches beyond the lines shown too.
#pragma once

#include "search/file_search.h"

#include <QAbstractItemModel>
#include <QStyledItemDelegate>
#include <string>
#include <vector>

namespace sheafpad {

class SearchResultsModel : public QAbstractItemModel {
    Q_OBJECT
public:
    using QAbstractItemModel::QAbstractItemModel;

    void Clear();
    // Files below folder (a path ending in "/") are shown by their path from
    // it; others by their name.
    void SetShownFrom(std::string folder) { root_ = std::move(folder); }
    void Add(std::vector<search::FileResult> results);

    // The check boxes. Whether match (by its number in the file) of the
    // file at row is checked; whether any box is cleared; what is checked.
    bool Chosen(size_t row, size_t match) const;
    bool AnyUnchecked() const { return unchecked_ > 0; }
    size_t CheckedMatchCount() const;
    size_t CheckedIn(size_t row) const; // checked matches of the file at row
    size_t CheckedFileCount() const;
    const std::vector<search::FileResult>& Results() const { return results_; }
    size_t MatchCount() const { return matches_; }
    size_t FileCount() const { return filesWithMatches_; }
    size_t SkippedCount() const { return skipped_; }

    // The result and line (nullptr for a file's row) that index shows.
    const search::FileResult* FileAt(const QModelIndex& index) const;
    const search::MatchLine* LineAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void ChecksChanged();

public:
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // A file's boxes: its own, and which of its lines are cleared.
    struct Checks {
        bool on = true;
        std::vector<char> off; // by line, once one is cleared
        size_t offCount = 0;
        bool rest = true; // the matches beyond the lines shown
    };
    Qt::CheckState FileState(size_t row) const;
    void SetLine(size_t row, size_t line, bool on);

    QString ShownName(const std::string& path) const;

    std::string root_; // see SetShownFrom
    std::vector<search::FileResult> results_;
    std::vector<Checks> checks_;
    size_t unchecked_ = 0; // files cleared or with lines cleared
    size_t matches_ = 0, filesWithMatches_ = 0, skipped_ = 0;
};

// Draws a line's row as "number: before" + the match on a highlight + "after".
class SearchLineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace sheafpad
