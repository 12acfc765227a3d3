// SPDX-License-Identifier: GPL-3.0-or-later
// Files changed by other programs: the current file's identity, the quiet
// reload of an unedited pane, and the question before a write over another
// program's work.
#include "app/outside_changes.h"

#include "app/form1.h"
#include "app/recovery_keeper.h"
#include "base/errors.h"
#include "platform/file_io.h"
#include "widgets/rich_edit.h"

#include <QEvent>
#include <QFile>

namespace sheafpad {

using platform::FileChange;
using platform::FileIdentity;

namespace {

QString Quoted(const std::string& path) {
    return '"' + QFile::decodeName(QByteArray(path.data(), qsizetype(path.size()))) + '"';
}

// What happened to the file, in one sentence that names it.
QString WhatHappened(const std::string& path, const FileIdentity& before, FileChange change) {
    const QString name = Quoted(path);
    switch (change) {
    case FileChange::Changed:
        return TForm1::tr("%1 was changed by another program after it was opened here.").arg(name);
    case FileChange::Replaced:
        return TForm1::tr("%1 was replaced by another program after it was opened here.").arg(name);
    case FileChange::Deleted:
        return TForm1::tr("%1 was deleted or moved away after it was opened here.").arg(name);
    case FileChange::Repointed:
        break;
    case FileChange::None:
        return {};
    }
    const FileIdentity now = platform::FileIdentityOf(path);
    if (!before.isLink) {
        return TForm1::tr("%1 was replaced by a link to %2 after it was opened here.")
            .arg(name, Quoted(now.linkTarget));
    }
    const QString from = Quoted(before.linkTarget);
    if (!now.isLink) {
        return TForm1::tr("%1 is no longer a link to %2, from which it was opened here.")
            .arg(name, from);
    }
    return TForm1::tr("%1 now leads to %2, not to %3, from which it was opened here.")
        .arg(name, Quoted(now.linkTarget), from);
}

// At the end of a session, or on SIGTERM, nobody can be asked: the pane's
// text is not written over a file that another program changed. The edit
// stays unwritten and the end-of-session save fails.
[[noreturn]] void RefuseEndOfSessionWrite(const std::string& path, const FileIdentity& before,
                                          FileChange change) {
    const QString text = WhatHappened(path, before, change) + ' ' +
                         TForm1::tr("The edits made here were not written into it");
    const QByteArray bytes = text.toUtf8();
    throw Error(std::string(bytes.constData(), size_t(bytes.size())));
}

} // namespace

OutsideChanges::OutsideChanges(TForm1& form) : QObject(&form), form_(form) {
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { QueueCheck(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { QueueCheck(); });
    form_.installEventFilter(this); // window activation
}

void OutsideChanges::Remember(const std::string& path, const FileIdentity& identity, bool loaded) {
    path_ = path;
    identity_ = identity;
    if (loaded) {
        paneEdited_ = false;
        // Any change of the text after the load, by the user or by a
        // command (paste, cut), means that the pane no longer holds the file.
        disconnect(form_.Memo1, &TextView::textChanged, this, nullptr);
        connect(form_.Memo1, &TextView::textChanged, this, [this] { paneEdited_ = true; });
    } else {
        paneEdited_ = false; // just written: the pane holds the file's text again
    }
    Watch();
}

FileChange OutsideChanges::ChangeSince(const std::string& path) {
    if (path.empty() || path != path_) {
        return FileChange::None;
    }
    FileIdentity now;
    const FileChange change = platform::ChangeSince(identity_, path, &now);
    if (change == FileChange::None && now.ctimeNs != identity_.ctimeNs) {
        identity_.ctimeNs = now.ctimeNs; // the same content: not read again
    }
    return change;
}

void OutsideChanges::Watch() {
    // A save by rename puts a new file at the name, which the file's own
    // watch does not follow: the folder's watch sees it, and the file is
    // watched again.
    const QString file = QFile::decodeName(QByteArray(path_.data(), qsizetype(path_.size())));
    const qsizetype slash = file.lastIndexOf('/');
    const QString folder = slash <= 0 ? QStringLiteral("/") : file.left(slash);
    const QStringList watchedFiles = watcher_.files();
    const QStringList watchedFolders = watcher_.directories();
    if (watchedFiles != QStringList{file}) {
        if (!watchedFiles.isEmpty()) {
            watcher_.removePaths(watchedFiles);
        }
        if (QFile::exists(file)) { // else the folder's watch sees it come back
            watcher_.addPath(file);
        }
    }
    if (watchedFolders != QStringList{folder}) {
        if (!watchedFolders.isEmpty()) {
            watcher_.removePaths(watchedFolders);
        }
        watcher_.addPath(folder);
    }
}

void OutsideChanges::QueueCheck() {
    if (checkQueued_) {
        return; // one look for a burst of notices
    }
    checkQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            checkQueued_ = false;
            Check();
        },
        Qt::QueuedConnection);
}

bool OutsideChanges::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &form_ && event->type() == QEvent::WindowActivate) {
        QueueCheck();
    }
    return false;
}

bool OutsideChanges::Check() {
    if (path_.empty() || path_ != form_.LoadedFName || !form_.PaneHoldsLoadedFile) {
        return false;
    }
    Watch();
    const FileChange change = ChangeSince(path_);
    // A deleted file leaves the pane as it is; a re-pointed link is not
    // followed to its new target without the question at the next write.
    if ((change != FileChange::Changed && change != FileChange::Replaced) || form_.NeedsSave ||
        paneEdited_) {
        return false;
    }
    try {
        Reload();
    } catch (const std::exception&) {
        // Not readable now, or not text: the pane keeps its text and the
        // remembered identity, so that the next write asks.
        return false;
    }
    return true;
}

void OutsideChanges::Reload() {
    TRichEdit* pane = form_.Memo1;
    const qsizetype caret = pane->SelectionStart();
    const qsizetype top = pane->FirstShownPosition();
    FileIdentity identity = platform::FileIdentityOf(path_);
    identity.contentHash = pane->LoadTextFile(path_);
    pane->SetSelectionStart(caret); // the same place, or the end of a shorter text
    pane->ShowFromPosition(top);
    Remember(path_, identity, true);
}

bool OutsideChanges::HoldsAlready(const std::string& path, std::string_view bytes) {
    // Taken before the read, as at a load: a change during it is not missed.
    FileIdentity now = platform::FileIdentityOf(path);
    if (!now.exists || now.size != bytes.size()) {
        return false;
    }
    const uint64_t hash = ContentHash(bytes);
    const bool asRemembered = path == path_ && identity_.contentHash != 0 &&
                              platform::CompareIdentity(identity_, now) == FileChange::None;
    if (asRemembered && identity_.contentHash != hash) {
        return false;
    }
    // The hash is not trusted to say "equal": the bytes decide.
    if (!platform::FileHoldsBytes(path, bytes)) {
        return false;
    }
    now.contentHash = hash;
    Remember(path, now, false);
    return true;
}

OutsideChanges* TForm1::Outside() {
    if (outside_ == nullptr) {
        outside_ = new OutsideChanges(*this);
    }
    return outside_;
}

void TForm1::LoadCurrentFile() {
    // The identity is taken before the read: a change during it is then seen
    // as a change, never missed.
    FileIdentity identity = platform::FileIdentityOf(LoadedFName);
    identity.contentHash = Memo1->LoadTextFile(LoadedFName);
    Outside()->Remember(LoadedFName, identity, true);
}

void TForm1::WriteCurrentFile() {
    const std::string bytes = Memo1->FileBytes(LoadedFName);
    // A file that already holds what the save would write is left as it is:
    // its time and identity stay, and there is nothing to ask about.
    if (Outside()->HoldsAlready(LoadedFName, bytes)) {
        recovery_->Reached(LoadedFName);
        return;
    }
    const FileChange change = Outside()->ChangeSince(LoadedFName);
    if (change != FileChange::None) {
        const FileIdentity& before = Outside()->Remembered();
        if (noQuestions_) {
            RefuseEndOfSessionWrite(LoadedFName, before, change);
        }
        const QString question =
            change == FileChange::Deleted
                ? tr("Write it again with the text shown here?\n\nNo leaves it deleted; "
                     "the edits stay here, unsaved.")
                : tr("Overwrite it with the text shown here?\n\nNo keeps the file as the other "
                     "program left it; the edits stay here, unsaved.");
        if (!AskQuestion(WhatHappened(LoadedFName, before, change) + "\n\n" + question)) {
            throw EAbort(); // as after a failed save: the flag stays, a switch stops
        }
    }
    // What this save left is what the next write compares with: the
    // identity that the save itself produced, so that another program's
    // write right after it is still seen.
    Outside()->Remember(LoadedFName, platform::WriteFileBytes(LoadedFName, bytes), false);
    recovery_->Reached(LoadedFName);
}

} // namespace sheafpad
