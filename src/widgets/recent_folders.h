// SPDX-License-Identifier: GPL-3.0-or-later
// Two more ways to the directory field's folder, beside its own "Select
// Directory" dialog: the folders shown in it last, offered in its context
// menu, and the desktop's own folder chooser. Either writes the chosen
// folder into the field, as the field's dialog does.
#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QMenu;

namespace sheafpad {

class TJvDirectoryEdit;

class RecentFolders : public QObject {
    Q_OBJECT
public:
    static constexpr size_t kKept = 8;

    // Adds the folders to the field's context menu.
    explicit RecentFolders(TJvDirectoryEdit* field);

    // The most recent first.
    const std::vector<std::string>& Folders() const { return folders_; }
    void SetFolders(std::vector<std::string> folders);
    // Puts folder first (once; the oldest beyond kKept go).
    void Remember(const std::string& folder);

    // The field's context menu: its own entries, then the folders (the one
    // shown checked; one that no longer exists disabled). Not shown.
    QMenu* MakeMenu();

    // The desktop's folder chooser (QFileDialog) at the field's folder; OK
    // writes the chosen folder into the field.
    void ChooseFolder();
    // Answers the chooser instead of the user: gets the folder it would
    // open at, returns the chosen one (nothing: cancelled).
    using ChooserHook = std::function<std::optional<std::string>(const std::string& start)>;
    static void SetChooserHook(ChooserHook hook);

private:
    void Choose(const std::string& folder);

    TJvDirectoryEdit* field_;
    std::vector<std::string> folders_;
};

} // namespace sheafpad
