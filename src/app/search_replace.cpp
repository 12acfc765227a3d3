// SPDX-License-Identifier: GPL-3.0-or-later
// Replace All, Replace Checked and Undo Replace. Every file but the open one
// is written crash-safely after a record of the old contents, on a worker
// thread; the open file is changed in the pane, as one edit that its undo
// takes back, and written by the usual paths.
#include "app/search_controller.h"

#include "app/file_notes_text.h"

#include "base/errors.h"
#include "base/user_text.h"
#include "search/file_edit.h"
#include "search/replace_record.h"
#include "text/text_format.h"
#include "widgets/rich_edit.h"
#include "widgets/search_results.h"
#include "widgets/utf8_text.h"

#include <QLineEdit>

namespace sheafpad {

namespace {

QString Matches(size_t n) {
    return QObject::tr("%n match(es)", nullptr, int(n));
}

// A file's text as the pane shows it: decoded, without a byte-order mark.
QString Decoded(std::string_view bytes, TextEncoding encoding) {
    bytes.remove_prefix(BomLength(bytes, encoding));
    std::u16string text(DecodedCapacity(bytes), u'\0');
    text.resize(DecodeText(bytes, encoding, text.data()));
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

QString CannotStore() {
    return QObject::tr(
        "the replace text holds a character that this file's encoding cannot store: not replaced");
}

// What a replace needs of a file's result, copied for the worker thread.
struct Target {
    std::string path;
    platform::FileIdentity identity;
    size_t matchCount = 0;
    std::vector<char> chosen; // by match, when some are cleared
    bool all = true;
    bool rest = true; // the matches beyond those shown
};

} // namespace

std::optional<SearchController::PaneEdit>
SearchController::PreparePaneEdit(search::FileEdit& edit, std::vector<search::FileNote>& notes) {
    TRichEdit* pane = host_.pane;
    const QString paneText = pane->toPlainText();
    if (paneText != Decoded(edit.oldBytes, edit.encoding)) {
        notes.push_back({edit.path, search::ChangedSinceSearch()});
        return std::nullopt;
    }
    const std::vector<search::PaneSpan> spans = search::PaneSpans(edit);
    PaneEdit paneEdit;
    paneEdit.first = qsizetype(spans.front().pos);
    qsizetype last = paneEdit.first;
    QString newText = paneText.left(paneEdit.first);
    for (const search::PaneSpan& span : spans) {
        newText += paneText.mid(last, qsizetype(span.pos) - last) + FromUtf8(span.text);
        last = qsizetype(span.pos + span.length);
    }
    paneEdit.last = last;
    paneEdit.text = newText.mid(paneEdit.first);
    newText += paneText.mid(last);
    std::string bytes;
    const std::u16string_view units(reinterpret_cast<const char16_t*>(newText.utf16()),
                                    size_t(newText.size()));
    if (!EncodeFile(units, pane->Format(), bytes, nullptr)) {
        notes.push_back({edit.path, ToUtf8(CannotStore())});
        return std::nullopt;
    }
    edit.newBytes = std::move(bytes); // what the pane will write
    return paneEdit;
}

SearchController::Committed
SearchController::Commit(QWidget* window, const QString& label, std::vector<search::FileEdit> edits,
                         const std::vector<search::RecordedRename>& renames,
                         std::vector<search::FileNote>& notes) {
    // The open file's edit is made in the pane; what the record keeps as its
    // new content is what the pane will write.
    const std::string open = host_.pane->ReadOnly() ? std::string() : host_.openFile();
    std::string paneFile;
    std::optional<PaneEdit> paneEdit;
    for (auto edit = edits.begin(); edit != edits.end(); ++edit) {
        if (open.empty() || edit->path != open) {
            continue;
        }
        paneEdit = PreparePaneEdit(*edit, notes);
        if (paneEdit) {
            paneFile = edit->path;
        } else {
            edits.erase(edit);
        }
        break;
    }
    if (edits.empty() && renames.empty()) {
        return {};
    }
    const std::string folder = ReplaceFolder();
    const search::ReplaceOutcome outcome =
        runner_.RunEdits(window, label, folder, edits, renames, paneFile);
    ownReplaces_[folder] = outcome.recordId;
    notes.insert(notes.end(), outcome.notes.begin(), outcome.notes.end());
    if (paneEdit && outcome.paneFileDone) {
        // One edit from the first span to the last, so that one undo takes it back.
        // A change of the text: it marks the file changed.
        host_.pane->Replace(paneEdit->first, paneEdit->last - paneEdit->first, paneEdit->text,
                            TextView::Origin::User);
    }
    return {outcome.files, outcome.matches, outcome.stopped};
}

void SearchController::ReplaceAll() {
    const std::optional<search::SearchOptions> options = window_->SearchedOptions();
    if (!options) {
        return;
    }
    SearchResultsModel& results = window_->Results();
    const bool some = results.AnyUnchecked();
    const size_t matches = some ? results.CheckedMatchCount() : results.MatchCount();
    const size_t files = some ? results.CheckedFileCount() : results.FileCount();
    if (matches == 0) {
        return;
    }
    if (!host_.ask(
            QObject::tr("Replace %1 in %2?")
                .arg(Matches(matches), window_->CurrentScope() == SearchWindow::Scope::OpenFile
                                           ? QObject::tr("the open file")
                                           : Files(files)),
            true)) {
        return;
    }
    if (window_->CurrentScope() == SearchWindow::Scope::OpenFile) {
        ReplaceInOpenFile(*options);
        return;
    }
    host_.saveIfChanged(); // the open file on disk as the pane shows it
    std::string error;
    const auto matcher = search::Matcher::Compile(*options, &error);
    if (!matcher) {
        throw Error(error);
    }
    std::vector<Target> targets;
    for (size_t row = 0; row < results.Results().size(); ++row) {
        const search::FileResult& file = results.Results()[row];
        if (file.matchCount == 0 || !file.skipped.empty() || results.CheckedIn(row) == 0) {
            continue;
        }
        Target target{file.path, file.identity, file.matchCount, {}, true, true};
        for (size_t i = 0; i < file.lines.size(); ++i) {
            target.chosen.push_back(results.Chosen(row, i) ? 1 : 0);
            target.all = target.all && target.chosen.back();
        }
        target.rest = results.Chosen(row, file.lines.size()); // the matches not shown
        target.all = target.all && target.rest;
        targets.push_back(std::move(target));
    }
    // The files are read and their new contents made on the worker too.
    std::vector<search::FileEdit> edits;
    std::vector<search::FileNote> notes;
    const bool read = runner_.Run(
        window_, QObject::tr("Reading %1\u2026").arg(Files(targets.size())),
        [&](const EditRunner::Step& step) {
            search::MatchScratch scratch;
            for (size_t i = 0; i < targets.size(); ++i) {
                if (!step(i, targets.size())) {
                    return;
                }
                const Target& target = targets[i];
                const search::MatchChoice chosen =
                    target.all
                        ? search::MatchChoice()
                        : search::MatchChoice([&target](size_t match) {
                              return match >= target.chosen.size() || target.chosen[match] != 0;
                          });
                std::string reason;
                if (auto edit = search::PlanReplace(target.path, target.identity, target.matchCount,
                                                    *matcher, scratch, &reason, chosen)) {
                    if (edit->newBytes != edit->oldBytes) {
                        edits.push_back(std::move(*edit));
                    }
                } else {
                    notes.push_back({target.path, reason});
                }
            }
        });
    if (!read) {
        window_->SetOutcome(QObject::tr("Cancelled: nothing was replaced."));
        return;
    }
    const Committed done =
        Commit(window_, QObject::tr("Replacing in %1\u2026").arg(Files(edits.size())),
               std::move(edits), {}, notes);
    window_->SetResultsUsed();
    window_->SetUndoAvailable(done.files > 0 && search::HasReplaceRecord(ReplaceFolder()));
    window_->SetOutcome((done.cancelled ? QObject::tr("Cancelled after %2: replaced %1.")
                                        : QObject::tr("Replaced %1 in %2."))
                            .arg(Matches(done.matches), Files(done.files)) +
                        NotesText(notes));
}

void SearchController::ReplaceInOpenFile(const search::SearchOptions& options) {
    const std::string open = host_.openFile();
    if (open.empty()) {
        throw Error(UserText("SearchController", "No file is open"));
    }
    if (host_.pane->ReadOnly()) {
        throw Error(
            UserText("SearchController", "The open file is read-only: nothing was replaced"));
    }
    std::string error;
    const auto matcher = search::Matcher::Compile(options, &error);
    if (!matcher) {
        throw Error(error);
    }
    const SearchResultsModel& results = window_->Results();
    const size_t row = 0; // the open file's result is the only one
    const bool some = results.AnyUnchecked();
    search::MatchScratch scratch;
    std::string reason;
    const size_t searched = results.Results().empty() ? 0 : results.Results()[row].matchCount;
    std::optional<search::FileEdit> edit = search::PlanTextReplace(
        ToUtf8(host_.pane->toPlainText()), searched, *matcher, scratch, &reason,
        some ? search::MatchChoice([&](size_t match) { return results.Chosen(row, match); })
             : search::MatchChoice());
    if (!edit) {
        throw Error(reason);
    }
    std::vector<search::FileNote> notes;
    edit->path = open;
    size_t matches = 0;
    if (!edit->spans.empty()) {
        edit->encoding = TextEncoding::Utf8;
        const std::optional<PaneEdit> paneEdit = PreparePaneEdit(*edit, notes);
        if (paneEdit) {
            host_.pane->Replace(paneEdit->first, paneEdit->last - paneEdit->first, paneEdit->text,
                                TextView::Origin::User);
            matches = edit->spans.size();
        }
    }
    window_->SetResultsUsed();
    window_->SetOutcome(
        QObject::tr("Replaced %1 in the open file; Ctrl+Z in the file takes it back.")
            .arg(Matches(matches)) +
        NotesText(notes));
}

void SearchController::UndoReplace() {
    // The record holds the old contents of every file: read on the worker too.
    const std::string folder = ReplaceFolder();
    std::optional<search::ReplaceRecord> record;
    runner_.Run(window_, QObject::tr("Reading the record of the last replace\u2026"),
                [&](const EditRunner::Step&) { record = search::ReadReplaceRecord(folder); });
    if (!record) {
        window_->SetUndoAvailable(false);
        return;
    }
    const auto own = ownReplaces_.find(folder);
    if (own != ownReplaces_.end() && own->second != record->id) {
        // Undoing it would undo another program's work, not this window's.
        window_->SetOutcome(
            QObject::tr("Not undone: another running Sheafpad replaced in this folder after this "
                        "window did, so this window's replace can no longer be undone. Undo "
                        "Replace in that window undoes its own replace."));
        return;
    }
    const QString question =
        record->renames.empty()
            ? QObject::tr("Undo the last Replace All in %1?").arg(Files(record->files.size()))
            : QObject::tr("Undo the last rename and its replace in %1?")
                  .arg(Files(record->files.size()));
    if (!host_.ask(question, true)) {
        return;
    }
    host_.saveIfChanged(); // the open file on disk as the pane shows it
    const search::UndoOutcome outcome = runner_.RunUndo(
        window_, QObject::tr("Putting back %1\u2026").arg(Files(record->files.size())), *record);
    const std::string open = host_.openFile();
    bool reload =
        std::find(outcome.restored.begin(), outcome.restored.end(), open) != outcome.restored.end();
    for (const search::RecordedRename& rename : outcome.renamed) {
        host_.renamedBack(rename.from, rename.to);
        reload = reload ||
                 (!rename.from.empty() && (rename.to == open || open.starts_with(rename.to + "/")));
    }
    if (reload && !host_.openFile().empty()) {
        host_.reloadOpenFile();
    }
    if (!outcome.stopped && outcome.recordKept.empty()) {
        ownReplaces_.erase(folder); // undone: no replace of this window's stands there
    }
    window_->SetUndoAvailable(search::HasReplaceRecord(folder));
    window_->SetResultsUsed();
    const size_t files = outcome.files;
    QString text = QObject::tr("Put back %n file(s) as it was/they were.", nullptr, int(files));
    if (outcome.stopped) {
        text = QObject::tr("Cancelled: %1 Undo Replace puts back the rest.").arg(text);
    }
    window_->SetOutcome(
        text + NotesText(outcome.notes) +
        (outcome.recordKept.empty() ? QString() : "\n" + FromUtf8(outcome.recordKept) + "."));
}

} // namespace sheafpad
