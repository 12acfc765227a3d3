// SPDX-License-Identifier: GPL-3.0-or-later
// The controls of the folder dialog: the path label, the folder list and the
// drive list. They show what the dialog gives them; opening folders and
// reading the disk is the dialog's job.
#pragma once

#include "platform/mounts.h"

#include <QComboBox>
#include <QListWidget>
#include <QWidget>
#include <string>
#include <vector>

namespace sheafpad {

// A one-line label that shows a path shortened to its width (ShortenPath)
// and keeps the full path. An ampersand is shown as itself.
class TPathLabel : public QWidget {
    Q_OBJECT
public:
    explicit TPathLabel(QWidget* parent = nullptr);

    const std::string& Path() const { return path_; }
    void SetPath(const std::string& path);
    // The text as drawn at the current width and font.
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string path_; // full path, bytes
};

// The folder list: the drive root, the folders down to the open folder, the
// open folder, then its subfolders, each with its picture and indent.
class TDirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    enum class Picture { OpenFolder, CurrentFolder, ClosedFolder };

    explicit TDirectoryListBox(QWidget* parent = nullptr);

    // Rebuilds the items for the open folder below driveRoot; subfolders in
    // the order to show. Highlights the open folder's item.
    void SetFolder(const std::string& driveRoot, const std::string& openPath,
                   const std::vector<std::string>& subfolders);

    // What a double-click on row opens: the path it stands for ("" if none).
    const std::string& PathAt(int row) const { return paths_.at(size_t(row)); }
    Picture PictureAt(int row) const { return pictures_.at(size_t(row)); }
    int IndentAt(int row) const { return indents_.at(size_t(row)); }
    int OpenRow() const { return openRow_; }

private:
    std::vector<std::string> paths_; // per row: the folder the row opens
    std::vector<Picture> pictures_;  // per row
    std::vector<int> indents_;       // per row: left edge of the picture, pixels
    int openRow_ = 0;                // row of the open folder
};

// The drive list: one item per drive, with a picture by kind.
class TDriveComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TDriveComboBox(QWidget* parent = nullptr);

    void SetDrives(std::vector<platform::Drive> drives);
    const std::vector<platform::Drive>& Drives() const { return drives_; }
    // Selects the drive that holds path, without firing the change handler.
    void SelectDriveOf(const std::string& path);

private:
    std::vector<platform::Drive> drives_;
};

// The text of a drive list item: the mount point, and the volume label in
// brackets (when there is one) or a network share's remote name, lower-cased.
std::string DriveItemText(const platform::Drive& drive);

} // namespace sheafpad
