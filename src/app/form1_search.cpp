// SPDX-License-Identifier: GPL-3.0-or-later
// Search in files: the search window, the keys and the file list's context
// menu that open it, and opening a result in the pane.
#include "app/form1.h"

#include "app/search_controller.h"
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
#include <QTimer>

namespace sheafpad {

namespace {

const QKeySequence kSearchKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_F);
const QKeySequence kReplaceKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_H);
const QKeySequence kReplaceInFileKeys(Qt::CTRL | Qt::Key_H);

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
    auto* replaceInFile = new QAction(this);
    replaceInFile->setShortcut(kReplaceInFileKeys);
    for (QAction* action : {SearchInFiles1, replaceInFiles, replaceInFile}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        const auto scope = action == replaceInFile ? SearchWindow::Scope::OpenFile
                                                   : SearchWindow::Scope::ListedFiles;
        connect(action, &QAction::triggered, this,
                [this, scope] { ErrorDisplay::Guard([&] { search_->Show(scope); }); });
    }
    MakeSearch();
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

SearchWindow* TForm1::SearchFiles() const {
    return search_->Window();
}

void TForm1::MakeSearch() {
    SearchController::Host host;
    host.window = this;
    host.pane = Memo1;
    host.listedPaths = [this] { return ListedPaths(); };
    host.folder = [this] {
        return platform::AbsolutePath(JoinPath(dirEdit->Text(), "")); // as ListedPaths joins them
    };
    host.openFile = [this] { return PaneHoldsLoadedFile ? LoadedFName : std::string(); };
    host.saveIfChanged = [this] { SaveIfChanged(); };
    host.ask = [this](const QString& question, bool defaultYes) {
        return AskQuestion(question, defaultYes);
    };
    host.openListed = [this](const std::string& path) { OpenListed(path); };
    host.reloadOpenFile = [this] {
        LoadCurrentFile();
        ClearChanged();
    };
    host.renamedBack = [this](const std::string& from, const std::string& to) {
        if (!from.empty() && (LoadedFName == to || LoadedFName.starts_with(to + "/"))) {
            // The open file goes back to its name, also in a folder moved back.
            LoadedFName = from + LoadedFName.substr(to.size());
        }
        RefreshFileList();
        SelectListedName(LoadedFName);
    };
    search_ = new SearchController(std::move(host), this);
    connect(&search_->Runner(), &EditRunner::Ended, this, [this] {
        if (closeAfterRun_) {
            closeAfterRun_ = false;
            QTimer::singleShot(0, this, &QWidget::close); // once the caller has finished
        }
    });
}

void TForm1::OpenListed(const std::string& path) {
    // The normal click path: the list's selection, which writes back the
    // file being left and opens this one.
    const std::vector<std::string>& names = filesModel->Names();
    const auto listed = std::find_if(names.begin(), names.end(), [&](const std::string& name) {
        return platform::AbsolutePath(JoinPath(dirEdit->Text(), name)) == path;
    });
    if (listed == names.end()) {
        throw Error("\"" + path + "\" is no longer listed");
    }
    const QModelIndex index = filesModel->index(int(listed - names.begin()));
    if (filesLB->selectionModel()->isSelected(index)) {
        filesLBClick(); // selected already, but not open (a failed open): try again
    } else {
        filesLB->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    }
    filesLB->scrollTo(index);
}

} // namespace sheafpad
