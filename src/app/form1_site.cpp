// SPDX-License-Identifier: GPL-3.0-or-later
// The site's files as one list: the subfolder switch (the box, the file
// list's menu, the setting), the folders shown last and Ctrl+O, and what the
// list has to say about folders it could not read.
#include "app/form1.h"

#include "platform/working_dir.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "widgets/directory_edit.h"
#include "widgets/error_display.h"
#include "widgets/recent_folders.h"
#include "widgets/site_list.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QSignalBlocker>

namespace sheafpad {

void TForm1::ConnectSite() {
    Subfolders1 = new QAction(tr("&Include subfolders"), this);
    Subfolders1->setObjectName(QStringLiteral("Subfolders1"));
    Subfolders1->setCheckable(true);
    FilesPopupMenu->addSeparator();
    FilesPopupMenu->addAction(Subfolders1);
    // Either control sets the switch; both show it. The current file stays
    // selected where the new list has it.
    auto setSubfolders = [this](bool on) {
        ErrorDisplay::Guard([&] {
            site_->SetSubfolders(on);
            if (PaneHoldsLoadedFile) {
                SelectListedName(LoadedFName);
            }
        });
    };
    connect(SubfoldersBox, &QCheckBox::toggled, this, setSubfolders);
    connect(Subfolders1, &QAction::toggled, this, setSubfolders);
    connect(site_, &SiteList::subfoldersChanged, this, [this](bool on) {
        const QSignalBlocker box(SubfoldersBox), action(Subfolders1);
        SubfoldersBox->setChecked(on);
        Subfolders1->setChecked(on);
    });
    connect(site_, &SiteList::unreadableFolders, this,
            [](const QString& message) { ErrorDisplay::Show(message); });
    site_->RereadOnActivation(this);

    recentDirs_ = new RecentFolders(dirEdit);
    connect(dirEdit, &TJvDirectoryEdit::OnChange, this, [this] {
        if (platform::IsDirectory(dirEdit->Text())) {
            recentDirs_->Remember(dirEdit->Text());
        }
    });
    OpenFolder1 = new QAction(tr("&Open Folder\u2026"), this);
    OpenFolder1->setObjectName(QStringLiteral("OpenFolder1"));
    OpenFolder1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    OpenFolder1->setShortcutContext(Qt::WindowShortcut);
    addAction(OpenFolder1);
    connect(OpenFolder1, &QAction::triggered, this,
            [this] { ErrorDisplay::Guard([this] { recentDirs_->ChooseFolder(); }); });
}

void TForm1::SiteSettings(TIniFile& ini, bool write) {
    using namespace settings;
    auto key = [](size_t i) { return std::string(kRecentFolder) + std::to_string(i + 1); };
    if (!write) {
        site_->SetSubfolders(ini.ReadInteger(kSiteSection, kSubfolders, 0) != 0);
        std::vector<std::string> folders;
        for (size_t i = 0; i < RecentFolders::kKept; ++i) {
            if (std::string folder = ini.ReadString(kSiteSection, key(i), ""); !folder.empty()) {
                folders.push_back(std::move(folder));
            }
        }
        recentDirs_->SetFolders(std::move(folders));
        return;
    }
    ini.WriteInteger(kSiteSection, kSubfolders, site_->Subfolders() ? 1 : 0);
    // A folder whose name no line of the file can hold is not kept.
    std::vector<std::string> folders;
    for (const std::string& folder : recentDirs_->Folders()) {
        if (folder.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos) {
            folders.push_back(folder);
        }
    }
    for (size_t i = 0; i < RecentFolders::kKept; ++i) {
        if (i < folders.size()) {
            ini.WriteString(kSiteSection, key(i), folders[i]);
        } else if (!ini.ReadString(kSiteSection, key(i), "").empty()) {
            ini.WriteString(kSiteSection, key(i), ""); // an older, longer list
        }
    }
}

} // namespace sheafpad
