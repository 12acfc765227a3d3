// SPDX-License-Identifier: GPL-3.0-or-later
// The current file as other programs leave it. What the file was when it was
// loaded and after each own save is remembered; the file and its folder are
// watched, and looked at again whenever the window is activated. While the
// pane holds the file's text unchanged, a new version is loaded quietly;
// once the pane was edited, nothing happens until the next write, which asks
// first (TForm1::WriteCurrentFile).
#pragma once

#include "platform/file_identity.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <string>
#include <string_view>

namespace sheafpad {

class TForm1;

class OutsideChanges : public QObject {
public:
    explicit OutsideChanges(TForm1& form);

    // path was just loaded into the pane or written from it; identity is what
    // the file was (taken before the read, so that a change during it shows).
    void Remember(const std::string& path, const platform::FileIdentity& identity, bool loaded);
    // How the file at path differs from what was remembered for it. A path
    // that was never remembered counts as unchanged. A change of status
    // alone (mode, owner, links) over the same content is none.
    platform::FileChange ChangeSince(const std::string& path);
    const platform::FileIdentity& Remembered() const { return identity_; }
    // Whether the file at path holds exactly bytes already, so that a save
    // need not write it; it is then remembered as it is now. Cheap where it
    // is not so: a size that differs, or a file as remembered whose content
    // hash differs, is told without reading the file.
    bool HoldsAlready(const std::string& path, std::string_view bytes);

    // Looks at the current file now: reloads it quietly when another program
    // changed or replaced it and the pane holds its text unedited. Returns
    // true when it reloaded.
    bool Check();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Watch();
    void QueueCheck();
    void Reload();

    TForm1& form_;
    QFileSystemWatcher watcher_;
    std::string path_; // the remembered file (absolute)
    platform::FileIdentity identity_;
    bool paneEdited_ = false; // the pane's text changed since the load or the last write
    bool checkQueued_ = false;
};

} // namespace sheafpad
