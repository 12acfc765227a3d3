// SPDX-License-Identifier: GPL-3.0-or-later
// The file list's controller: the site's files (files/site_tree.h) listed
// for the folder, the type patterns and the subfolder switch, kept up to
// date with the disk while the program waits for the user. A burst of
// changes that other programs make is taken in at once, a moment after it
// began; only the folders it concerns are read again, and the selected row
// and the current row keep their files.
#pragma once

#include "files/site_tree.h"

#include <QObject>
#include <QTimer>
#include <optional>
#include <string>
#include <vector>

class QSocketNotifier;
class QWidget;

namespace sheafpad {

class FileListModel;

class SiteList : public QObject {
    Q_OBJECT
public:
    // watch off: no folder watches at all, as where the system refuses them.
    explicit SiteList(QObject* parent = nullptr, bool watch = true);
    ~SiteList() override;

    FileListModel* Model() const { return model_; }
    // The listed set for everything else that works on it: root, relative
    // paths, and a subscription to its changes.
    SiteTree& Tree() { return tree_; }
    const SiteTree& Tree() const { return tree_; }

    // Lists the folder (the directory text, as the field has it) with these
    // type lines anew; the selection is cleared. The same folder with the
    // same switch reads again only what no watch follows.
    void Show(const std::string& dirText, const std::vector<std::string>& typeLines);
    // Includes the subfolders or not, listing the folder anew.
    void SetSubfolders(bool on);
    bool Subfolders() const { return subfolders_; }

    // Takes in at once what the watches have seen (say, what this program
    // just renamed), keeping the selection.
    void CatchUp();
    // Reads again the folders that no watch follows; done whenever window
    // comes to the front (the user may have changed files where no watch sees).
    void RereadUnwatched();
    void RereadOnActivation(QWidget* window);

    // The full path of a listed row, and the row of a full path.
    std::string FullPath(int row) const;
    std::optional<int> RowOf(const std::string& fullPath) const;

    // How long a burst of changes is gathered before it is taken in.
    static constexpr int kSettleMs = 50;
    // Where the system gives no watch, up to this many folders are read
    // again this often instead.
    static constexpr size_t kMostPolled = 64;
    static constexpr int kPollMs = 400;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void subfoldersChanged(bool on);
    // Folders that could not be read, named once each: the message says which.
    void unreadableFolders(const QString& message);

private:
    void Listen();
    void TakeInChanges(bool (SiteTree::*take)(const std::function<void()>&));
    void ReportUnreadable();
    void PollUnwatched();

    SiteTree tree_;
    FileListModel* model_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
    QTimer settle_;
    QTimer poll_;
    QWidget* window_ = nullptr; // whose activation rereads the unwatched folders
    bool opened_ = false;
    bool subfolders_ = false;
    std::vector<std::string> typeLines_;
};

} // namespace sheafpad
