// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/recent_folders.h"

#include "platform/user_dirs.h"
#include "platform/working_dir.h"
#include "text/shown_text.h"
#include "widgets/directory_edit.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <algorithm>

namespace sheafpad {

namespace {

RecentFolders::ChooserHook& ChooserHookRef() {
    static RecentFolders::ChooserHook hook;
    return hook;
}

QString Shown(const std::string& bytes) {
    const std::u16string text = ShowBytes(bytes, ControlChars::Escape).text;
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

} // namespace

RecentFolders::RecentFolders(TJvDirectoryEdit* field) : QObject(field), field_(field) {
    field->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(field, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu* menu = MakeMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(field_->mapToGlobal(pos));
    });
}

void RecentFolders::SetFolders(std::vector<std::string> folders) {
    folders_.clear();
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        Remember(*it);
    }
}

void RecentFolders::Remember(const std::string& folder) {
    if (folder.empty()) {
        return;
    }
    std::erase(folders_, folder);
    folders_.insert(folders_.begin(), folder);
    if (folders_.size() > kKept) {
        folders_.resize(kKept);
    }
}

QMenu* RecentFolders::MakeMenu() {
    QMenu* menu = field_->createStandardContextMenu();
    menu->setObjectName(QStringLiteral("DirEditPopupMenu"));
    if (folders_.empty()) {
        return menu;
    }
    menu->addSeparator();
    menu->addSection(tr("Recent folders"));
    for (const std::string& folder : folders_) {
        QAction* action = menu->addAction(Shown(folder));
        action->setCheckable(true);
        action->setChecked(folder == field_->Text());
        action->setEnabled(platform::IsDirectory(folder));
        connect(action, &QAction::triggered, this, [this, folder] { Choose(folder); });
    }
    return menu;
}

void RecentFolders::SetChooserHook(ChooserHook hook) {
    ChooserHookRef() = std::move(hook);
}

void RecentFolders::ChooseFolder() {
    std::string start = field_->Text();
    if (!platform::IsDirectory(start)) {
        start = platform::IsDirectory(field_->InitialDir()) ? field_->InitialDir()
                                                            : platform::HomeDir();
    }
    std::optional<std::string> chosen;
    if (ChooserHookRef()) {
        chosen = ChooserHookRef()(start);
    } else {
        const QString folder = QFileDialog::getExistingDirectory(
            field_->window(), tr("Open Folder"),
            QFile::decodeName(QByteArray(start.data(), qsizetype(start.size()))));
        if (!folder.isEmpty()) {
            const QByteArray bytes = QFile::encodeName(folder);
            chosen = std::string(bytes.constData(), size_t(bytes.size()));
        }
    }
    if (chosen && !chosen->empty()) {
        Choose(*chosen);
    }
}

void RecentFolders::Choose(const std::string& folder) {
    // As the field's own dialog leaves it: the start folder, then the text.
    field_->SetInitialDir(folder);
    field_->SetText(folder);
    field_->setFocus();
}

} // namespace sheafpad
