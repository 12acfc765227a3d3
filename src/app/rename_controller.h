// SPDX-License-Identifier: GPL-3.0-or-later
// Renaming or moving a listed file, or a folder of the site: counts the
// links that lead to it (the link index), asks for the new name and whether
// to update them (RenameDialog), and only then moves it, making the folders
// the new name needs, and rewrites the links that lead to it and its own
// relative links, as one Replace All that Undo Replace takes back with the
// move and the folders made.
#pragma once

#include "search/replace_record.h"

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace sheafpad {

namespace links {
class LinkIndex;
}

class RenameController : public QObject {
    Q_OBJECT
public:
    // What the controller needs of the window.
    struct Window {
        std::function<std::string()> folder; // the directory text the names are joined to
        // The site's links as the disk has them now (the open file written).
        std::function<const links::LinkIndex&()> index;
        // Writes the open file if it is changed (throws when it cannot).
        std::function<void()> saveIfChanged;
        // What was at from is now at to (a file or a folder; also when a
        // failed move is put back): the open file follows it.
        std::function<void(const std::string& from, const std::string& to)> moved;
        // Records and writes the edits with the moves already made, as
        // Replace All does; notes get the files left alone. Throws, having
        // written nothing, when the record cannot be kept.
        std::function<void(std::vector<search::FileEdit> edits,
                           const std::vector<search::RecordedRename>& renames,
                           std::vector<search::FileNote>& notes)>
            commit;
    };
    struct Outcome {
        std::string oldName, newName;        // paths from the folder
        std::vector<search::FileNote> notes; // links that were not changed, and why
    };

    RenameController(Window window, QWidget* parent);

    // Renames the listed file (a path from the folder) after asking; a new
    // name with a folder part ("img/logo.png", "../shared/x.css", from the
    // file's own folder) moves it. Nothing when the user cancels. Throws
    // Error, with nothing renamed, for a name that cannot be a file's or a
    // move that the system refuses.
    std::optional<Outcome> Rename(const std::string& name);
    // The same for a folder of the site ("css", "docs/old").
    std::optional<Outcome> RenameFolder(const std::string& folder);

private:
    std::optional<Outcome> Ask(const std::string& path, bool folder);
    Outcome Move(const std::string& from, const std::string& to, bool folder, bool update);

    Window window_;
    QWidget* parent_;
};

} // namespace sheafpad
