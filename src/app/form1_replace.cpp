// SPDX-License-Identifier: GPL-3.0-or-later
// Replace All, Undo Replace and renaming a file with the references to it.
// Every file but the open one is written crash-safely after a record of the
// old contents; the open file is changed in the pane, as one edit that its
// undo takes back, and written by the usual paths.
#include "app/form1.h"

#include "app/busy_pointer.h"
#include "app/links_controller.h"
#include "app/outside_changes.h"
#include "app/rename_controller.h"
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

#include <QAction>
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

// A file's text as the pane shows it: decoded, without a byte-order mark.
QString Decoded(std::string_view bytes, TextEncoding encoding) {
    bytes.remove_prefix(BomLength(bytes, encoding));
    std::u16string text(DecodedCapacity(bytes), u'\0');
    text.resize(DecodeText(bytes, encoding, text.data()));
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

} // namespace

std::pair<size_t, size_t> TForm1::CommitEdits(std::vector<search::FileEdit> edits,
                                              const std::vector<search::RecordedRename>& renames,
                                              std::vector<search::FileNote>& notes) {
    // The open file's edit is made in the pane; what the record keeps as its
    // new content is what the pane will write.
    std::string paneFile;
    QString paneText, newText;
    qsizetype first = 0, last = 0;
    for (auto edit = edits.begin(); edit != edits.end(); ++edit) {
        if (!PaneHoldsLoadedFile || Memo1->ReadOnly() || edit->path != LoadedFName) {
            continue;
        }
        paneText = Memo1->toPlainText();
        if (paneText != Decoded(edit->oldBytes, edit->encoding)) {
            notes.push_back({edit->path, search::kChangedSinceSearch});
            edits.erase(edit);
            break;
        }
        const std::vector<search::PaneSpan> spans = search::PaneSpans(*edit);
        first = qsizetype(spans.front().pos);
        for (const search::PaneSpan& span : spans) {
            newText += paneText.mid(last, qsizetype(span.pos) - last) + FromBytes(span.text);
            last = qsizetype(span.pos + span.length);
        }
        newText += paneText.mid(last);
        std::string bytes;
        const std::u16string_view units(reinterpret_cast<const char16_t*>(newText.utf16()),
                                        size_t(newText.size()));
        if (!EncodeFile(units, Memo1->Format(), bytes, nullptr)) {
            notes.push_back({edit->path, "the replace text holds a character that this file's "
                                         "encoding cannot store: not replaced"});
            edits.erase(edit);
            break;
        }
        edit->newBytes = std::move(bytes);
        paneFile = edit->path;
        break;
    }
    if (edits.empty() && renames.empty()) {
        return {0, 0};
    }
    search::ReplaceOutcome outcome;
    {
        BusyPointer busy;
        outcome = search::ApplyEdits(edits, renames, paneFile);
    }
    notes.insert(notes.end(), outcome.notes.begin(), outcome.notes.end());
    if (!paneFile.empty()) {
        // One edit from the first span to the last, so that one undo takes it back.
        const qsizetype tail = paneText.size() - last;
        // A change of the text: it marks the file changed.
        Memo1->Replace(first, last - first, newText.mid(first, newText.size() - tail - first),
                       TextView::Origin::User);
    }
    return {outcome.files, outcome.matches};
}

void TForm1::ReplaceAllClick() {
    const std::optional<search::SearchOptions> options = searchWindow_->SearchedOptions();
    if (!options) {
        return;
    }
    const SearchResultsModel& results = searchWindow_->Results();
    if (!AskQuestion(tr("Replace %1 in %2?")
                         .arg(Count(results.MatchCount(), tr("match"), tr("matches")),
                              Files(results.FileCount())),
                     true)) {
        return;
    }
    SaveIfChanged(); // the open file on disk as the pane shows it
    std::string error;
    const auto matcher = search::Matcher::Compile(*options, &error);
    if (!matcher) {
        throw Error(error);
    }
    std::vector<search::FileEdit> edits;
    std::vector<search::FileNote> notes;
    search::MatchScratch scratch;
    {
        BusyPointer busy;
        for (const search::FileResult& file : results.Results()) {
            if (file.matchCount == 0 || !file.skipped.empty()) {
                continue;
            }
            std::string reason;
            if (auto edit = search::PlanReplace(file.path, file.identity, file.matchCount, *matcher,
                                                scratch, &reason)) {
                if (edit->newBytes != edit->oldBytes) {
                    edits.push_back(std::move(*edit));
                }
            } else {
                notes.push_back({file.path, reason});
            }
        }
    }
    const auto [files, matches] = CommitEdits(std::move(edits), {}, notes);
    searchWindow_->SetResultsUsed();
    // Undo Replace undoes what was just replaced, so a replace of nothing offers none.
    searchWindow_->SetUndoAvailable(files > 0 && search::HasReplaceRecord());
    searchWindow_->SetOutcome(
        tr("Replaced %1 in %2.").arg(Count(matches, tr("match"), tr("matches")), Files(files)) +
        NotesText(notes));
}

void TForm1::UndoReplaceClick() {
    const std::optional<search::ReplaceRecord> record = search::ReadReplaceRecord();
    if (!record) {
        searchWindow_->SetUndoAvailable(false);
        return;
    }
    const QString question =
        record->renames.empty()
            ? tr("Undo the last Replace All in %1?").arg(Files(record->files.size()))
            : tr("Undo the last rename and its replace in %1?").arg(Files(record->files.size()));
    if (!AskQuestion(question, true)) {
        return;
    }
    SaveIfChanged(); // the open file on disk as the pane shows it
    search::UndoOutcome outcome;
    {
        BusyPointer busy;
        outcome = search::UndoReplace(*record);
    }
    bool reload = std::find(outcome.restored.begin(), outcome.restored.end(), LoadedFName) !=
                  outcome.restored.end();
    for (const search::RecordedRename& rename : outcome.renamed) {
        if (!rename.from.empty() &&
            (rename.to == LoadedFName || LoadedFName.starts_with(rename.to + "/"))) {
            // The open file goes back to its name, also in a folder moved back.
            LoadedFName = rename.from + LoadedFName.substr(rename.to.size());
            reload = true;
        }
    }
    if (!outcome.renamed.empty()) {
        RefreshFileList();
        SelectListedName(LoadedFName);
    }
    if (reload && PaneHoldsLoadedFile) {
        LoadCurrentFile();
        ClearChanged();
    }
    searchWindow_->SetUndoAvailable(search::HasReplaceRecord());
    searchWindow_->SetResultsUsed();
    searchWindow_->SetOutcome((outcome.files == 1
                                   ? tr("Put back 1 file as it was.")
                                   : tr("Put back %1 files as they were.").arg(outcome.files)) +
                              NotesText(outcome.notes));
}

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
        CommitEdits(std::move(edits), renames, notes);
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
    const QString oldName = FromBytes(done->oldName), newName = FromBytes(done->newName);
    site_->CatchUp(); // the list has the new names at once
    RefreshFileList();
    SelectListedName(LoadedFName);
    if (searchWindow_ != nullptr) {
        searchWindow_->SetUndoAvailable(true);
        searchWindow_->SetResultsUsed();
        searchWindow_->SetOutcome(tr("Renamed \"%1\" to \"%2\".").arg(oldName, newName) +
                                  NotesText(done->notes));
    }
    if (!done->notes.empty()) {
        ErrorDisplay::Show(
            tr("Renamed \"%1\" to \"%2\", but some links were not updated:").arg(oldName, newName) +
            NotesText(done->notes));
    }
}

} // namespace sheafpad
