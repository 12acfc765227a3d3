// SPDX-License-Identifier: GPL-3.0-or-later
// Renaming or moving a file or a folder with the links to it: asked and
// planned by the RenameController, recorded and written as Replace All is
// (SearchController::Commit, off the window's thread).
#include "app/form1.h"

#include "app/busy_pointer.h"
#include "app/file_notes_text.h"
#include "app/links_controller.h"
#include "app/outside_changes.h"
#include "app/rename_controller.h"
#include "app/search_controller.h"
#include "base/errors.h"
#include "files/file_list.h"
#include "platform/entry_names.h"
#include "platform/file_io.h"
#include "search/file_edit.h"
#include "search/replace_record.h"
#include "widgets/directory_edit.h"
#include "widgets/error_display.h"
#include "widgets/file_list_model.h"
#include "widgets/rich_edit.h"
#include "widgets/search_results.h"
#include "widgets/search_window.h"
#include "widgets/site_list.h"
#include "widgets/utf8_text.h"

#include <QAction>
#include <QListView>

namespace sheafpad {

namespace {} // namespace

void TForm1::ConnectRename() {
    RenameController::Window window;
    window.folder = [this] { return dirEdit->Text(); };
    window.index = [this]() -> const links::LinkIndex& {
        links_->Refresh();
        return links_->Index();
    };
    window.saveIfChanged = [this] { SaveIfChanged(); };
    window.moved = [this](const std::string& from, const std::string& to) {
        // The open file keeps its place under the new name, also in a moved folder.
        if (LoadedFName == from || LoadedFName.starts_with(from + "/")) {
            LoadedFName = to + LoadedFName.substr(from.size());
            Outside()->Remember(LoadedFName, platform::FileIdentityOf(LoadedFName), false);
        }
    };
    window.commit = [this](std::vector<search::FileEdit> edits,
                           const std::vector<search::RecordedRename>& renames,
                           std::vector<search::FileNote>& notes) {
        search_->Commit(this, tr("Updating the links in %1\u2026").arg(Files(edits.size())),
                        std::move(edits), renames, notes);
    };
    renamer_ = new RenameController(std::move(window), this);
    // F2 in the pane renames the file it shows, as F2 in the list renames
    // the selected one.
    auto* renameCurrent = new QAction(this);
    renameCurrent->setShortcut(Qt::Key_F2);
    renameCurrent->setShortcutContext(Qt::WidgetShortcut);
    Memo1->addAction(renameCurrent);
    connect(renameCurrent, &QAction::triggered, this, [this] {
        ErrorDisplay::Guard([this] {
            if (!PaneHoldsLoadedFile) {
                return;
            }
            for (const std::string& name : filesModel->Names()) {
                if (platform::AbsolutePath(JoinPath(dirEdit->Text(), name)) == LoadedFName) {
                    Rename(name, false);
                    return;
                }
            }
        });
    });
}

void TForm1::RenameClick() {
    if (const std::optional<std::string> selected = SelectedName()) {
        Rename(*selected, false);
    }
}

void TForm1::RenameFolderClick() {
    if (const std::optional<std::string> selected = SelectedName()) {
        if (const size_t slash = selected->rfind('/'); slash != std::string::npos) {
            Rename(selected->substr(0, slash), true);
        }
    }
}

void TForm1::Rename(const std::string& name, bool folder) {
    const std::optional<RenameController::Outcome> done =
        folder ? renamer_->RenameFolder(name) : renamer_->Rename(name);
    if (!done) {
        return;
    }
    const QString oldName = FromUtf8(done->oldName), newName = FromUtf8(done->newName);
    site_->CatchUp(); // the list has the new names at once
    RefreshFileList();
    SelectListedName(LoadedFName);
    if (SearchWindow* window = search_->Window()) {
        window->SetUndoAvailable(true);
        window->SetResultsUsed();
        window->SetOutcome(tr("Renamed \"%1\" to \"%2\".").arg(oldName, newName) +
                           NotesText(done->notes));
    }
    if (!done->notes.empty()) {
        ErrorDisplay::Show(
            tr("Renamed \"%1\" to \"%2\", but some links were not updated:").arg(oldName, newName) +
            NotesText(done->notes));
    }
}

} // namespace sheafpad
