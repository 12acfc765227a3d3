// SPDX-License-Identifier: GPL-3.0-or-later
// The names of the file list. Names are kept as the bytes on disk; the text
// shown is made on demand (invalid UTF-8 shows a replacement character,
// control characters an escape such as \n), so relisting a huge directory costs
// one move of the name vector.
#pragma once

#include <QAbstractListModel>
#include <string>
#include <vector>

namespace sheafpad {

class FileListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void SetNames(std::vector<std::string> names);
    const std::vector<std::string>& Names() const { return names_; }
    const std::string& NameAt(int row) const { return names_.at(size_t(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<std::string> names_; // raw entry names, in the order given
};

} // namespace sheafpad
