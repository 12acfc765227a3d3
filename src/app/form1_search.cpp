// SPDX-License-Identifier: GPL-3.0-or-later
// Search in files: the search window, the keys and the file list's context
// menu that open it, and opening a result in the pane.
#include "app/form1.h"

#include "base/errors.h"
#include "files/file_list.h"
#include "platform/file_io.h"
#include "search/replace_record.h"
#include "widgets/directory_edit.h"
#include "widgets/error_display.h"
#include "widgets/file_list_model.h"
#include "widgets/rich_edit.h"
#include "widgets/search_window.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>

namespace sheafpad {

namespace {

const QKeySequence kSearchKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_F);
const QKeySequence kReplaceKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_H);

} // namespace

void TForm1::ConnectSearch() {
    auto guarded = [this](void (TForm1::*handler)()) {
        return [this, handler] { ErrorDisplay::Guard([&] { (this->*handler)(); }); };
    };
    SearchInFiles1 = new QAction(tr("Search in &Files\u2026"), this);
    SearchInFiles1->setObjectName(QStringLiteral("SearchInFiles1"));
    SearchInFiles1->setShortcut(kSearchKeys);
    auto* replaceInFiles = new QAction(this);
    replaceInFiles->setShortcut(kReplaceKeys);
    for (QAction* action : {SearchInFiles1, replaceInFiles}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, guarded(&TForm1::SearchInFiles));
    }
    OpenInEditor1 = new QAction(tr("&Open in Text Editor"), this);
    OpenInEditor1->setObjectName(QStringLiteral("OpenInEditor1"));
    connect(OpenInEditor1, &QAction::triggered, this, guarded(&TForm1::filesLBDblClick));
    Rename1 = new QAction(tr("&Rename\u2026"), this);
    Rename1->setObjectName(QStringLiteral("Rename1"));
    Rename1->setShortcut(Qt::Key_F2);
    Rename1->setShortcutContext(Qt::WidgetShortcut);
    filesLB->addAction(Rename1);
    connect(Rename1, &QAction::triggered, this, guarded(&TForm1::RenameClick));
    RenameFolder1 = new QAction(tr("Rename Fol&der\u2026"), this);
    RenameFolder1->setObjectName(QStringLiteral("RenameFolder1"));
    connect(RenameFolder1, &QAction::triggered, this, guarded(&TForm1::RenameFolderClick));
    ConnectRename();

    FilesPopupMenu = new QMenu(this);
    FilesPopupMenu->setObjectName(QStringLiteral("FilesPopupMenu"));
    FilesPopupMenu->addAction(SearchInFiles1);
    FilesPopupMenu->addAction(OpenInEditor1);
    FilesPopupMenu->addAction(Rename1);
    FilesPopupMenu->addAction(RenameFolder1);
    // Disabled only while the menu shows: F2 must keep working.
    connect(FilesPopupMenu, &QMenu::aboutToHide, this, [this] {
        OpenInEditor1->setEnabled(true);
        Rename1->setEnabled(true);
    });
    filesLB->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(filesLB, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ErrorDisplay::Guard([&] { filesLBContextPopup(pos); }); });
}

void TForm1::filesLBContextPopup(QPoint pos) {
    const bool named = SelectedName().has_value();
    OpenInEditor1->setEnabled(named);
    Rename1->setEnabled(named);
    // A file in a subfolder: its folder may be renamed, named in the entry.
    const std::optional<std::string> selected = SelectedName();
    const size_t slash = selected ? selected->rfind('/') : std::string::npos;
    RenameFolder1->setEnabled(slash != std::string::npos);
    RenameFolder1->setText(slash == std::string::npos
                               ? tr("Rename Fol&der\u2026")
                               : tr("Rename Fol&der \"%1\"\u2026")
                                     .arg(QString::fromUtf8(selected->substr(0, slash).c_str())));
    // At the pointer for a click; at the current row for the keyboard.
    const QRect row = filesLB->visualRect(filesLB->currentIndex());
    const QPoint at =
        filesLB->viewport()->rect().contains(pos) || !row.isValid() ? pos : row.bottomLeft();
    FilesPopupMenu->popup(filesLB->viewport()->mapToGlobal(at));
}

std::vector<std::string> TForm1::ListedPaths() const {
    std::vector<std::string> paths;
    for (const std::string& name : filesModel->Names()) {
        paths.push_back(platform::AbsolutePath(JoinPath(dirEdit->Text(), name)));
    }
    return paths;
}

void TForm1::SearchInFiles() {
    if (searchWindow_ == nullptr) {
        searchWindow_ = new SearchWindow(this);
        searchWindow_->setFont(font());
        searchWindow_->Scope = [this] { return ListedPaths(); };
        searchWindow_->ShownFrom = [this] {
            // As ListedPaths joins them.
            return platform::AbsolutePath(JoinPath(dirEdit->Text(), ""));
        };
        // What the pane shows is what is searched: the open file is written
        // back first, as when another file is chosen.
        searchWindow_->BeforeSearch = [this] { ErrorDisplay::Guard([this] { SaveIfChanged(); }); };
        searchWindow_->OpenResult = [this](const search::FileResult& file,
                                           const search::MatchLine& line) {
            ErrorDisplay::Guard([&] { OpenSearchResult(file, line); });
        };
        searchWindow_->ReplaceAllClick = [this] {
            ErrorDisplay::Guard([this] { ReplaceAllClick(); });
        };
        searchWindow_->UndoReplaceClick = [this] {
            ErrorDisplay::Guard([this] { UndoReplaceClick(); });
        };
    }
    searchWindow_->SetUndoAvailable(search::HasReplaceRecord());
    // The pane's selection when it is on one line, else the last search's text.
    const QString selected = Memo1->SelectedPlainText();
    searchWindow_->ShowWith(selected.contains(u'\n') ? QString() : selected);
}

void TForm1::OpenSearchResult(const search::FileResult& file, const search::MatchLine& line) {
    const bool open = PaneHoldsLoadedFile && LoadedFName == file.path;
    if (!open) {
        // The normal click path: the list's selection, which writes back the
        // file being left and opens this one.
        const std::vector<std::string>& names = filesModel->Names();
        const auto listed = std::find_if(names.begin(), names.end(), [&](const std::string& name) {
            return platform::AbsolutePath(JoinPath(dirEdit->Text(), name)) == file.path;
        });
        if (listed == names.end()) {
            throw Error("\"" + file.path + "\" is no longer listed");
        }
        const QModelIndex index = filesModel->index(int(listed - names.begin()));
        if (filesLB->selectionModel()->isSelected(index)) {
            filesLBClick(); // selected already, but not open (a failed open): try again
        } else {
            filesLB->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        }
        filesLB->scrollTo(index);
    }
    if (PaneHoldsLoadedFile && LoadedFName == file.path) {
        activateWindow();
        raise();
        Memo1->setFocus();
        Memo1->SetSelection(qsizetype(line.panePos), qsizetype(line.panePos + line.paneLength));
    }
}

} // namespace sheafpad
