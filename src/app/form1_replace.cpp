// SPDX-License-Identifier: GPL-3.0-or-later
// Renaming a file with the references to it, recorded and written as
// Replace All is (see SearchController::Commit).
#include "app/form1.h"

#include "app/outside_changes.h"
#include "app/search_controller.h"
#include "base/errors.h"
#include "files/file_list.h"
#include "platform/entry_names.h"
#include "platform/file_io.h"
#include "search/file_edit.h"
#include "search/replace_record.h"
#include "widgets/directory_edit.h"
#include "widgets/error_display.h"
#include "widgets/rich_edit.h"
#include "widgets/search_results.h"
#include "widgets/search_window.h"

#include <QListView>

namespace sheafpad {

namespace {

QString FromBytes(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

QString Count(size_t n, const QString& one, const QString& many) {
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}

QString Files(size_t n) {
    return Count(n, QStringLiteral("file"), QStringLiteral("files"));
}

// "name: reason" for each note, at most a screenful.
QString NotesText(const std::vector<search::FileNote>& notes) {
    constexpr size_t kShown = 20;
    QString text;
    for (size_t i = 0; i < notes.size() && i < kShown; ++i) {
        const std::string& path = notes[i].path;
        text += QStringLiteral("\n%1: %2")
                    .arg(FromBytes(path.substr(path.rfind('/') + 1)), FromBytes(notes[i].reason));
    }
    if (notes.size() > kShown) {
        text += QStringLiteral("\n\u2026 and %1 more").arg(Files(notes.size() - kShown));
    }
    return text;
}

} // namespace

void TForm1::RenameClick() {
    const std::string* selected = SelectedName();
    if (selected == nullptr) {
        return;
    }
    const std::string oldName = *selected;
    SaveIfChanged();
    const std::optional<QString> answer =
        AskName(tr("Rename \"%1\" to:").arg(FromBytes(oldName)), FromBytes(oldName));
    if (!answer || answer->isEmpty()) {
        return;
    }
    const QByteArray newBytes = answer->toUtf8();
    const std::string newName(newBytes.constData(), size_t(newBytes.size()));
    if (newName == oldName) {
        return;
    }
    if (newName == "." || newName == ".." ||
        newName.find_first_of(std::string("/\0", 2)) != std::string::npos) {
        throw Error("\"" + newName + "\" cannot be a file name");
    }
    const std::string from = platform::AbsolutePath(JoinPath(dirEdit->Text(), oldName));
    const std::string to = platform::AbsolutePath(JoinPath(dirEdit->Text(), newName));
    if (const int error = platform::RenameWithoutReplacing(from, to)) {
        throw Error("Cannot rename \"" + oldName + "\" to \"" + newName + "\". " +
                    (error == EEXIST ? "A file of that name exists" : SystemReason(error)));
    }
    if (LoadedFName == from) {
        LoadedFName = to; // the open file keeps its place under the new name
        Outside()->Remember(to, platform::FileIdentityOf(to), false);
    }
    std::vector<search::FileEdit> edits;
    std::vector<search::FileNote> notes;
    size_t references = 0;
    for (std::string path : ListedPaths()) {
        path = path == from ? to : path;
        std::string reason;
        if (auto edit = search::PlanRename(path, oldName, newName, &reason)) {
            references += edit->Count();
            edits.push_back(std::move(*edit));
        } else if (!reason.empty()) {
            notes.push_back({path, reason});
        }
    }
    if (!edits.empty() &&
        !AskQuestion(tr("Replace %1 to \"%2\" by \"%3\" in %4?")
                         .arg(Count(references, tr("reference"), tr("references")),
                              FromBytes(oldName), FromBytes(newName), Files(edits.size())),
                     true)) {
        edits.clear();
    }
    try {
        search_->Commit(this, tr("Replacing the references in %1\u2026").arg(Files(edits.size())),
                        std::move(edits), {{from, to}}, notes);
    } catch (...) {
        // Without its record the rename could not be undone: it is undone now.
        if (platform::RenameWithoutReplacing(to, from) == 0 && LoadedFName == to) {
            LoadedFName = from;
            Outside()->Remember(from, platform::FileIdentityOf(from), false);
        }
        throw;
    }
    RefreshFileList();
    SelectListedName(LoadedFName);
    if (SearchWindow* window = search_->Window()) {
        window->SetUndoAvailable(true);
        window->SetResultsUsed();
        window->SetOutcome(
            tr("Renamed \"%1\" to \"%2\".").arg(FromBytes(oldName), FromBytes(newName)) +
            NotesText(notes));
    }
    if (!notes.empty()) {
        ErrorDisplay::Show(tr("Renamed \"%1\" to \"%2\", but some references were not replaced:")
                               .arg(FromBytes(oldName), FromBytes(newName)) +
                           NotesText(notes));
    }
}

} // namespace sheafpad
