// SPDX-License-Identifier: GPL-3.0-or-later
// The "Select Directory" dialog: drives, the folders from a drive's root down
// to one open folder with that folder's subfolders, and its files. The user
// opens folders by double-click or by choosing a drive; OK returns the open
// folder. Opening a folder makes it the process's working directory, and the
// dialog leaves it there when it closes.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace sheafpad {

class TPathLabel;
class TDirectoryListBox;
class TDriveComboBox;

// Options of the dialog. Sheafpad passes none: no path edit box, no prompt,
// no folder creation. The others are accepted and have no effect.
enum TSelectDirOpt : unsigned { sdAllowCreate = 1, sdPerformCreate = 2, sdPrompt = 4 };
using TSelectDirOpts = unsigned;

class TSelectDirDlg : public QDialog {
    Q_OBJECT
public:
    // Opens at the working directory (the root if that cannot be read).
    TSelectDirDlg(QWidget* parent, TSelectDirOpts options, int helpContext);

    // Controls, by their names.
    QLabel* DirEditLabel = nullptr;
    TPathLabel* DirLabel = nullptr;
    QLineEdit* DirEdit = nullptr;
    QLabel* DirListLabel = nullptr;
    TDirectoryListBox* DirList = nullptr;
    QLabel* FileListLabel = nullptr;
    QListWidget* FileList = nullptr;
    QLabel* DriveListLabel = nullptr;
    TDriveComboBox* DriveList = nullptr;
    QPushButton* NetButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

    // Applies the start path: "" keeps the working directory; a network path
    // ("//server/share") shows the working directory; a drive root opens that
    // drive's current directory (DriveDirectory); anything else is made
    // absolute and opened, falling back to the working directory without a
    // message when it cannot be opened.
    void ApplyStartPath(const std::string& start);

    // The open folder's full path: what OK returns.
    const std::string& Directory() const;

    // Opens path (absolute) and shows it. Throws EInOutError when the folder
    // cannot be entered; the dialog then still shows the previous folder.
    void OpenFolder(const std::string& path);

    // The current directory of a drive (an index of the drive list): the
    // open folder, which is the working directory, for the drive that holds
    // it; the drive's root for every other drive.
    std::string DriveDirectory(int drive) const;

    // Handlers. Each failure is shown by the error display; the dialog stays.
    void DirListDblClick(int row);   // opens the folder the row stands for
    void DriveListChange(int index); // opens DriveDirectory(index)
    // The open folder changed: shows its path and its files (sorted).
    void DirListChange(const std::vector<std::string>& files);
    void OKClick();
    void HelpButtonClick();

    // Tests: with a hook set, Run calls it with the live dialog instead of
    // showing it modally; the hook browses and ends with accept() or reject()
    // (or leaves the result Rejected).
    using RunHook = std::function<void(TSelectDirDlg&)>;
    static void SetRunHook(RunHook hook);

    // Shows the dialog modally (or runs the hook); true when closed with OK.
    bool Run();

private:
    void CreateControls();
    void SetTabOrder();
    void ConnectHandlers();
    void PlaceOnScreen();
    void OpenWorkingDirectory();
    void ApplyDriveDirectory(int drive); // as a start path: no message on failure

    int helpContext_ = 0;
};

// Creates the dialog at path, runs it and destroys it. True on OK with path
// replaced by the chosen folder (no trailing "/" except the root "/"); false
// on Cancel with path unchanged.
bool ChooseDirectory(std::string& path, TSelectDirOpts options, int helpContext,
                     QWidget* parent = nullptr);

} // namespace sheafpad
