// SPDX-License-Identifier: GPL-3.0-or-later
// The names of the file list: the listed files of a SiteTree, each shown as
// its path relative to the folder. Names are kept as the bytes on disk, by
// the tree; the text shown is made on demand (invalid UTF-8 shows a
// replacement character, control characters an escape such as \n), so a
// list of any length costs the model nothing.
#pragma once

#include <QAbstractListModel>
#include <string>
#include <vector>

namespace sheafpad {

class SiteTree;

class FileListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit FileListModel(const SiteTree& tree, QObject* parent = nullptr);

    // The listed paths, relative to the folder, in list order.
    std::vector<std::string> Names() const;
    std::string NameAt(int row) const;

    // Around a change of the tree: a reset clears the selection; a change of
    // some folders keeps every row that stays (its selection, the current
    // row) where its file now stands.
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    void BeginFolderChange();
    void EndFolderChange();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const SiteTree& tree_;
    QModelIndexList kept_;            // the persistent rows during a folder change
    std::vector<std::string> keptAt_; // the path of each
};

} // namespace sheafpad
