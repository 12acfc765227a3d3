// SPDX-License-Identifier: GPL-3.0-or-later
// The results of a search in files: a tree of the files with their match
// counts (or why a file was skipped), under each its matching lines, the
// match drawn highlighted.
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
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString ShownName(const std::string& path) const;

    std::string root_; // see SetShownFrom
    std::vector<search::FileResult> results_;
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
