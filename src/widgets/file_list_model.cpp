// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/file_list_model.h"

#include "files/site_tree.h"
#include "text/shown_text.h"

namespace sheafpad {

FileListModel::FileListModel(const SiteTree& tree, QObject* parent)
    : QAbstractListModel(parent), tree_(tree) {}

std::vector<std::string> FileListModel::Names() const {
    return tree_.Paths();
}

std::string FileListModel::NameAt(int row) const {
    return tree_.PathAt(size_t(row));
}

void FileListModel::BeginFolderChange() {
    emit layoutAboutToBeChanged();
    kept_ = persistentIndexList();
    keptAt_.clear();
    for (const QModelIndex& index : kept_) {
        keptAt_.push_back(index.row() < rowCount() ? NameAt(index.row()) : std::string());
    }
}

void FileListModel::EndFolderChange() {
    QModelIndexList now;
    for (const std::string& path : keptAt_) {
        const std::optional<size_t> row = tree_.RowOf(path);
        now.push_back(row ? index(int(*row)) : QModelIndex());
    }
    changePersistentIndexList(kept_, now);
    kept_.clear();
    keptAt_.clear();
    emit layoutChanged();
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(tree_.Count());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || size_t(index.row()) >= tree_.Count()) {
        return {};
    }
    // Control characters (a line break in a name) show as escapes, so that
    // every name takes one row of one height.
    const std::u16string shown = ShowBytes(NameAt(index.row()), ControlChars::Escape).text;
    return QString::fromUtf16(shown.data(), qsizetype(shown.size()));
}

} // namespace sheafpad
