// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/file_list_model.h"

#include "text/shown_text.h"

namespace sheafpad {

void FileListModel::SetNames(std::vector<std::string> names) {
    beginResetModel();
    names_ = std::move(names);
    endResetModel();
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(names_.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || size_t(index.row()) >= names_.size()) {
        return {};
    }
    // Control characters (a line break in a name) show as escapes, so that
    // every name takes one row of one height.
    const std::u16string shown = ShowBytes(names_[size_t(index.row())], ControlChars::Escape).text;
    return QString::fromUtf16(shown.data(), qsizetype(shown.size()));
}

} // namespace sheafpad
