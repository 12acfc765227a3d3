#include "widgets/file_list_model.h"

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
    const std::string& name = names_[size_t(index.row())];
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

} // namespace sheafpad
