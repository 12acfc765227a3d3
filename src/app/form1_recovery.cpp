// SPDX-License-Identifier: GPL-3.0-or-later
// Recovery copies of unsaved edits: the keeper's wiring, and the question at
// start-up for each copy that a run which ended abruptly left behind.
#include "app/form1.h"

#include "app/outside_changes.h"
#include "app/recovery_keeper.h"
#include "files/file_list.h"
#include "platform/user_dirs.h"
#include "platform/working_dir.h"
#include "text/is_blank.h"
#include "widgets/directory_edit.h"
#include "widgets/error_display.h"
#include "widgets/file_list_model.h"
#include "widgets/recovery_dialog.h"
#include "widgets/rich_edit.h"

#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QListView>
#include <QMessageBox>
#include <QSignalBlocker>

namespace sheafpad {
namespace {

TForm1::RecoveryQuestionHook& RecoveryQuestionHookRef() {
    static TForm1::RecoveryQuestionHook hook;
    return hook;
}

TForm1::NoticeHook& NoticeHookRef() {
    static TForm1::NoticeHook hook;
    return hook;
}

QString Shown(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

using Answer = TForm1::RecoveryAnswer;

// What became of the file since its copy was made; empty when nothing.
QString Since(const recovery::Entry& entry) {
    const platform::FileIdentity now = platform::FileIdentityOf(entry.path);
    if (!platform::IsDirectory(FolderOf(entry.path))) {
        return QStringLiteral("The file's folder no longer exists: Restore puts the text "
                              "on the clipboard.");
    }
    if (!now.exists) {
        return QStringLiteral("The file no longer exists: saving makes it anew.");
    }
    if (entry.loaded.exists &&
        platform::ChangeSince(entry.loaded, entry.path) != platform::FileChange::None) {
        return QStringLiteral("The file has been changed on disk since its text was loaded.");
    }
    return {};
}

QString CopiedAt(const recovery::Entry& entry) {
    return QDateTime::fromMSecsSinceEpoch(entry.copiedAtNs / 1000000)
        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// The question for one copy: the file, when the copy was made, and what
// became of the file since.
QString QuestionText(const recovery::Entry& entry, const QString& since) {
    QString text = QStringLiteral("Restore the unsaved changes to %1 ?").arg(Shown(entry.path));
    text += QStringLiteral("\n\nThe copy was made %1.").arg(CopiedAt(entry));
    if (!since.isEmpty()) {
        text += "\n" + since;
    }
    return text;
}

// One question for all the copies; the answer for each.
std::vector<Answer> Ask(QWidget* parent, const std::vector<recovery::Store::Found>& found) {
    std::vector<QString> lines;
    for (const recovery::Store::Found& copy : found) {
        const QString since = Since(copy.entry);
        lines.push_back(QStringLiteral("%1 (copied %2)%3")
                            .arg(Shown(copy.entry.path), CopiedAt(copy.entry),
                                 since.isEmpty() ? QString() : " \u2014 " + since));
    }
    const QString text =
        found.size() == 1
            ? QuestionText(found[0].entry, Since(found[0].entry))
            : QStringLiteral("Sheafpad ended before the changes to %1 files were saved. "
                             "Restore the unsaved changes?")
                  .arg(found.size());
    if (RecoveryQuestionHookRef()) {
        std::vector<Answer> answers = RecoveryQuestionHookRef()(text, lines);
        answers.resize(found.size(), Answer::Later);
        return answers;
    }
    RecoveryDialog dialog(text, QStringList(lines.begin(), lines.end()), parent);
    dialog.exec();
    std::vector<Answer> answers;
    for (const RecoveryDialog::Answer answer : dialog.Answers()) {
        answers.push_back(answer == RecoveryDialog::Answer::Restore   ? Answer::Restore
                          : answer == RecoveryDialog::Answer::Discard ? Answer::Discard
                                                                      : Answer::Later);
    }
    return answers;
}

void Notify(QWidget* parent, const QString& text, bool modal) {
    if (NoticeHookRef()) {
        NoticeHookRef()(text);
        return;
    }
    QMessageBox* box =
        ErrorDisplay::MakeBox(QMessageBox::Warning, text, QMessageBox::Ok, parent).release();
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (modal) {
        box->exec();
        return;
    }
    // Out of the way: typing goes on in the window behind it.
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_ShowWithoutActivating);
    box->show();
}

} // namespace

void TForm1::SetRecoveryQuestionHook(RecoveryQuestionHook hook) {
    RecoveryQuestionHookRef() = std::move(hook);
}

void TForm1::SetNoticeHook(NoticeHook hook) {
    NoticeHookRef() = std::move(hook);
}

void TForm1::ConnectRecovery() {
    // Only the unsaved text of a loaded file is ever copied: never the
    // introduction, the unused-file report or what a failed open left.
    recovery_ = new RecoveryKeeper(
        [this]() -> std::optional<RecoveryKeeper::Snapshot> {
            if (!NeedsSave || !PaneHoldsLoadedFile || Memo1->ReadOnly() || IsBlank(LoadedFName)) {
                return std::nullopt;
            }
            return RecoveryKeeper::Snapshot{LoadedFName, Memo1->Format(), Memo1->Snapshot(),
                                            Outside()->Remembered(), Memo1->HoldsLoadedFile()};
        },
        this);
    // Each edit goes into the journal of the latest copy as it is made.
    connect(Memo1, &TextView::contentsChange, this,
            [this](qsizetype pos, qsizetype removed, qsizetype added) {
                recovery_->Edited(pos, removed, added, [&] {
                    const QString text = Memo1->Text(pos, added);
                    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                                          size_t(text.size()));
                });
            });
    recovery_->OnCopyFailed = [this](const QString& reason) {
        Notify(this,
               QStringLiteral("No recovery copy of the unsaved changes could be written: %1.\n\n"
                              "The changes are still written to the file when you switch files "
                              "or press Save.")
                   .arg(reason),
               false);
    };
}

void TForm1::StartRecovery(std::string dir) {
    if (dir.empty()) {
        dir = platform::UserStateDir();
        dir += dir.empty() ? "" : "recovery/";
    }
    std::string error = "the user's state folder is not known";
    if (dir.empty() || !recovery_->Start(dir, &error)) {
        Notify(this,
               QStringLiteral("No recovery copies of unsaved changes can be kept in %1: %2.")
                   .arg(Shown(dir), QString::fromLocal8Bit(error)),
               false);
        return;
    }
    OfferRecoveredEdits();
}

void TForm1::OfferRecoveredEdits() {
    recovery::Store* store = recovery_->Store();
    std::vector<std::string> setAside, unapplied;
    const std::vector<recovery::Store::Found> found = store->ClaimEnded(&setAside, &unapplied);
    if (!setAside.empty()) {
        // Once: set aside, they are not looked at again.
        Notify(this,
               QStringLiteral("%1 file(s) of recovery copies could not be read, and were set "
                              "aside in %2 under names that begin with \"unreadable-\".")
                   .arg(setAside.size())
                   .arg(Shown(store->Dir())),
               false);
    }
    if (!unapplied.empty()) {
        Notify(this,
               QStringLiteral("%1 journal(s) of typing could be read but not applied: neither a "
                              "copy that they continue nor the file as it was loaded is still "
                              "there. They were set aside in %2 under names that begin with "
                              "\"unapplied-\".")
                   .arg(unapplied.size())
                   .arg(Shown(store->Dir())),
               false);
    }
    const std::vector<Answer> answers = found.empty() ? std::vector<Answer>() : Ask(this, found);
    bool stopped = false;
    for (size_t i = 0; i < found.size(); ++i) {
        const recovery::Store::Found& copy = found[i];
        const recovery::Entry& entry = copy.entry;
        if (answers[i] == Answer::Discard) {
            for (const std::string& file : copy.Files()) {
                store->Remove(file);
            }
            continue;
        }
        if (answers[i] == Answer::Later || stopped) {
            continue;
        }
        if (!platform::IsDirectory(FolderOf(entry.path))) {
            // Nowhere to save it: the user can paste it into a file of their
            // choice. The copy stays until discarded.
            const QString text = entry.textEncoding == TextEncoding::Latin1
                                     ? QString::fromLatin1(entry.text)
                                     : QString::fromUtf8(entry.text);
            QGuiApplication::clipboard()->setText(text);
            Notify(this,
                   QStringLiteral("The folder of %1 no longer exists, so the recovered text is "
                                  "now on the clipboard: paste it into a file to keep it.\n\n"
                                  "The recovery copy is kept and offered again at the next start.")
                       .arg(Shown(entry.path)),
                   true);
            continue;
        }
        bool restored = false;
        ErrorDisplay::Guard([&] {
            RestoreRecovered(entry, copy.Files());
            restored = true;
        });
        // The file being left could not be written: the rest wait.
        stopped = !restored;
    }
    recovery_->Flush(); // adopted copies are copied anew before their runs are let go
    store->ReleaseClaimed();
}

void TForm1::RestoreRecovered(const recovery::Entry& entry, std::vector<std::string> files) {
    // As a switch to that file: the file being left is written first.
    if (!Memo1->ReadOnly()) {
        SaveIfChanged();
    }
    PaneHoldsLoadedFile = false;
    Memo1->SetReadOnly(true);
    LoadedFName = entry.path;
    // The text stands on the file as it was loaded then: a later save asks
    // first when another program changed the file since, and the copies
    // keep that reference. Remembered before the text goes in, so that the
    // pane counts as edited: it is never reloaded away, also after Cancel.
    // A file deleted before this start is no change to ask about: restoring
    // its text was the decision to write it again.
    const platform::FileIdentity now = platform::FileIdentityOf(entry.path);
    Outside()->Remember(entry.path, now.exists ? entry.loaded : now, true);
    // Copies from before the mark was kept apart hold it as the text's first
    // character; it goes back where it belongs.
    TextFormat format = entry.format;
    std::string_view text = entry.text;
    if (format.encoding == TextEncoding::Utf8 && entry.textEncoding == TextEncoding::Utf8 &&
        text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        format.bom = true;
        text.remove_prefix(kUtf8Bom.size());
    }
    Memo1->LoadTextBytes(text, entry.textEncoding, format);
    Memo1->SetReadOnly(false);
    PaneHoldsLoadedFile = true;
    ClearChanged();
    recovery_->Adopt(std::move(files), entry.path); // this run's copy replaces it
    MarkChanged();
    SelectListedName(entry.path);
    Memo1->setFocus();
}

void TForm1::SelectListedName(const std::string& path) {
    // Shown as the current name without the selection event, which would
    // open the file from disk.
    QItemSelectionModel* selection = filesLB->selectionModel();
    const QSignalBlocker blocker(selection);
    selection->clear();
    const std::vector<std::string>& names = filesModel->Names();
    for (size_t row = 0; row < names.size(); ++row) {
        if (JoinPath(dirEdit->Text(), names[row]) == path) {
            const QModelIndex index = filesModel->index(int(row));
            selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
            filesLB->scrollTo(index);
            break;
        }
    }
    filesLB->viewport()->update();
}

bool TForm1::HoldRecoveryCopy() {
    const bool copied = NeedsSave && PaneHoldsLoadedFile && recovery_->Store() != nullptr &&
                        recovery_->CopyNow(true);
    recovery_->Hold(LoadedFName);
    return copied;
}

void TForm1::EndRecoveryHold(bool saved) {
    recovery_->EndHold(saved);
}

} // namespace sheafpad
