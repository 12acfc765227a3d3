// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/select_dir_dialog.h"

#include "base/errors.h"
#include "base/user_text.h"
#include "platform/directory.h"
#include "platform/working_dir.h"
#include "widgets/dir_list_widget.h"
#include "widgets/error_display.h"
#include "widgets/folder_paths.h"
#include "widgets/utf8_text.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cerrno>

namespace sheafpad {

namespace {

TSelectDirDlg::RunHook& CurrentRunHook() {
    static TSelectDirDlg::RunHook hook;
    return hook;
}

// The system's text for errnum, or "I/O error <n>" where it has none.
std::string FailureText(int errnum) {
    std::string text = SystemReason(errnum);
    return text.empty()
               ? FillIn(UserText("TSelectDirDlg", "I/O error %1"), {std::to_string(errnum)})
               : text;
}

template <typename T> T* Make(QWidget* parent, const char* name, const QRect& place) {
    auto* widget = new T(parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(place);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, const QRect& place,
                  QWidget* buddy) {
    auto* label = Make<QLabel>(parent, name, place);
    label->setText(caption);
    label->setBuddy(buddy);
    // Labels grow to their text, as the font may be wider than the layout's.
    label->resize(label->sizeHint().expandedTo(place.size()));
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& place) {
    auto* button = Make<QPushButton>(parent, name, place);
    button->setText(caption);
    return button;
}

// The visible subfolders and files of dir, each sorted without regard to case.
void ReadFolder(const std::string& dir, std::vector<std::string>& folders,
                std::vector<std::string>& files) {
    platform::ForEachEntry(dir, [&](std::string_view entry) {
        if (IsHiddenName(entry)) {
            return;
        }
        std::string name(entry);
        const bool isFolder = platform::IsDirectory(JoinFolder(dir, name));
        (isFolder ? folders : files).push_back(std::move(name));
    });
    std::sort(folders.begin(), folders.end(), NameLess);
    std::sort(files.begin(), files.end(), NameLess);
}

} // namespace

TSelectDirDlg::TSelectDirDlg(QWidget* parent, TSelectDirOpts /*options*/, int helpContext)
    : QDialog(parent), helpContext_(helpContext) {
    CreateControls();
    SetTabOrder();
    ConnectHandlers();
    DriveList->SetDrives(platform::ListDrives());
    OpenWorkingDirectory();
    DirList->setFocus();
}

void TSelectDirDlg::CreateControls() {
    setObjectName(QStringLiteral("SelectDirDlg"));
    setWindowTitle(tr("Select Directory"));
    setFixedSize(424, 255);
    setSizeGripEnabled(false);
    QFont small = font(); // the main window's size of type
    small.setPointSize(8);
    setFont(small);

    DirEdit = Make<QLineEdit>(this, "DirEdit", {8, 24, 313, 20});
    DirEdit->hide(); // only for typing a new folder, which this dialog does not offer
    DirLabel = Make<TPathLabel>(this, "DirLabel", {8, 24, 313, 20});
    DirList = Make<TDirectoryListBox>(this, "DirList", {8, 72, 213, 138});
    FileList = Make<QListWidget>(this, "FileList", {232, 72, 185, 93});
    DriveList = Make<TDriveComboBox>(this, "DriveList", {232, 192, 185, 19});
    DirEditLabel = MakeLabel(this, "DirEditLabel", tr("Directory &Name:"), {8, 8, 92, 13}, DirEdit);
    DirListLabel = MakeLabel(this, "DirListLabel", tr("&Directories:"), {8, 56, 66, 13}, DirList);
    FileListLabel =
        MakeLabel(this, "FileListLabel", tr("&Files: (*.*)"), {232, 56, 57, 13}, FileList);
    DriveListLabel =
        MakeLabel(this, "DriveListLabel", tr("D&rives:"), {232, 176, 41, 13}, DriveList);
    // Names for screen readers, as the labels say.
    DirList->setAccessibleName(tr("Directories"));
    FileList->setAccessibleName(tr("Files"));
    DriveList->setAccessibleName(tr("Drives"));

    // Files are shown for orientation only: grey, nothing happens on selection.
    QPalette grey = FileList->palette();
    grey.setColor(QPalette::Text, grey.color(QPalette::Disabled, QPalette::Text));
    FileList->setPalette(grey);
    FileList->setUniformItemSizes(true);

    // No network-connection dialog on this system, so no button for it.
    NetButton = MakeButton(this, "NetButton", tr("Ne&twork..."), {8, 224, 77, 27});
    NetButton->hide();
    // Without a help context the Help button is hidden and OK and Cancel
    // move one place right.
    const bool help = helpContext_ != 0;
    OKButton = MakeButton(this, "OKButton", tr("OK"), {help ? 172 : 256, 224, 77, 27});
    OKButton->setDefault(true);
    CancelButton = MakeButton(this, "CancelButton", tr("Cancel"), {help ? 256 : 340, 224, 77, 27});
    HelpButton = MakeButton(this, "HelpButton", tr("&Help"), {340, 224, 77, 27});
    HelpButton->setVisible(help);
}

void TSelectDirDlg::SetTabOrder() {
    QWidget* order[] = {DirList,  DirEdit,      DriveList, NetButton,
                        OKButton, CancelButton, FileList,  HelpButton};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
}

void TSelectDirDlg::ConnectHandlers() {
    connect(DirList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int row = DirList->row(item);
        ErrorDisplay::Guard([&] { DirListDblClick(row); });
    });
    // activated: the user's choice only, not the list's own updates.
    connect(DriveList, &QComboBox::activated, this,
            [this](int index) { ErrorDisplay::Guard([&] { DriveListChange(index); }); });
    connect(OKButton, &QPushButton::clicked, this, [this] { OKClick(); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this] { HelpButtonClick(); });
}

void TSelectDirDlg::OpenWorkingDirectory() {
    const std::string cwd = platform::WorkingDir();
    try {
        OpenFolder(cwd.empty() ? std::string("/") : cwd);
    } catch (const EInOutError&) {
        OpenFolder("/"); // the working directory was removed or cannot be entered
    }
}

void TSelectDirDlg::ApplyStartPath(const std::string& start) {
    if (start.empty() || IsNetworkPath(start)) {
        return; // the working directory stays open
    }
    const std::string cwd = platform::WorkingDir();
    const std::string folder = AbsolutePath(start, cwd.empty() ? Directory() : cwd);
    const auto& drives = DriveList->Drives();
    const int drive = platform::FindDriveOf(folder, drives);
    if (drive >= 0 && drives[size_t(drive)].mountPoint == folder) {
        // A drive root stands for that drive's current directory.
        ApplyDriveDirectory(drive);
        return;
    }
    try {
        OpenFolder(folder);
    } catch (const EInOutError&) {
        OpenWorkingDirectory();
    }
}

const std::string& TSelectDirDlg::Directory() const {
    return DirLabel->Path();
}

void TSelectDirDlg::OpenFolder(const std::string& path) {
    const std::string given = NormalizePath(path);
    const std::string previous = platform::WorkingDir();
    if (const int failure = platform::SetWorkingDir(given)) {
        throw EInOutError(FailureText(failure));
    }
    const std::string actual = platform::WorkingDir();
    if (actual.empty()) {
        platform::SetWorkingDir(previous);
        throw EInOutError(FailureText(EIO));
    }
    // The system reports links resolved; the folder keeps the form in which
    // it was given as long as that names the same folder.
    const std::string open = platform::SameFile(given, actual) ? given : actual;

    // One pass over the folder for both lists: each entry is looked at once.
    std::vector<std::string> folders;
    std::vector<std::string> files;
    ReadFolder(open, folders, files);
    const auto& drives = DriveList->Drives();
    const int drive = platform::FindDriveOf(open, drives);
    const std::string root = drive < 0 ? std::string("/") : drives[size_t(drive)].mountPoint;
    DirList->SetFolder(root, open, folders);
    DriveList->SelectDriveOf(open);
    DirLabel->SetPath(open);
    DirListChange(files);
}

void TSelectDirDlg::DirListChange(const std::vector<std::string>& files) {
    const std::string& open = Directory();
    DirLabel->update();
    FileList->clear();
    for (const std::string& name : files) {
        FileList->addItem(FromUtf8(name));
    }
    DirEdit->setText(FromUtf8(open));
    DirEdit->selectAll();
}

void TSelectDirDlg::DirListDblClick(int row) {
    if (row < 0 || row >= DirList->count() || row == DirList->OpenRow()) {
        return;
    }
    OpenFolder(DirList->PathAt(row));
}

void TSelectDirDlg::DriveListChange(int index) {
    const auto& drives = DriveList->Drives();
    if (index < 0 || size_t(index) >= drives.size()) {
        return;
    }
    try {
        OpenFolder(DriveDirectory(index));
    } catch (...) {
        // The lists keep the folder still open; so does the drive list.
        DriveList->SelectDriveOf(Directory());
        throw;
    }
}

std::string TSelectDirDlg::DriveDirectory(int drive) const {
    // The working directory is the open folder: it is the current directory
    // of the drive that holds it. Every other drive's is its root.
    const auto& drives = DriveList->Drives();
    if (platform::FindDriveOf(Directory(), drives) == drive) {
        return Directory();
    }
    return drives.at(size_t(drive)).mountPoint;
}

void TSelectDirDlg::ApplyDriveDirectory(int drive) {
    if (DriveDirectory(drive) == Directory()) {
        return; // already open
    }
    try {
        OpenFolder(DriveDirectory(drive));
    } catch (const EInOutError&) {
        OpenWorkingDirectory();
    }
}

void TSelectDirDlg::OKClick() {
    accept();
}

void TSelectDirDlg::HelpButtonClick() {
    // The program has no help file; the button is never shown in it.
}

void TSelectDirDlg::PlaceOnScreen() {
    const QScreen* screen =
        parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->geometry();
    move(area.x() + area.width() / 2 - width() / 2, area.y() + area.height() / 2 - height() / 2);
}

void TSelectDirDlg::SetRunHook(RunHook hook) {
    CurrentRunHook() = std::move(hook);
}

bool TSelectDirDlg::Run() {
    if (CurrentRunHook()) {
        setResult(QDialog::Rejected);
        CurrentRunHook()(*this);
        return result() == QDialog::Accepted;
    }
    PlaceOnScreen();
    return exec() == QDialog::Accepted;
}

bool ChooseDirectory(std::string& path, TSelectDirOpts options, int helpContext, QWidget* parent) {
    TSelectDirDlg dialog(parent, options, helpContext);
    dialog.ApplyStartPath(path);
    if (!dialog.Run()) {
        return false;
    }
    path = dialog.Directory();
    return true;
}

} // namespace sheafpad
