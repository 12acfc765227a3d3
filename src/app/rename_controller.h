// SPDX-License-Identifier: GPL-3.0-or-later
// Renaming a listed file: finds the references to its name in the listed
// files, asks for the new name and whether to change them (RenameDialog),
// and only then renames the file and rewrites the references as one
// Replace All that Undo Replace takes back with the rename.
#pragma once

#include "search/replace_record.h"

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace sheafpad {

class RenameController : public QObject {
    Q_OBJECT
public:
    // What the controller needs of the window.
    struct Window {
        std::function<std::string()> folder; // the directory text the names are joined to
        std::function<std::vector<std::string>()> listedPaths; // absolute
        // Writes the open file if it is changed (throws when it cannot).
        std::function<void()> saveIfChanged;
        // The file at from is now at to (also when a failed rename is put
        // back): the open file follows it.
        std::function<void(const std::string& from, const std::string& to)> moved;
        // Records and writes the edits with the rename already made, as
        // Replace All does; notes get the files left alone. Throws, having
        // written nothing, when the record cannot be kept.
        std::function<void(std::vector<search::FileEdit> edits,
                           const std::vector<search::RecordedRename>& renames,
                           std::vector<search::FileNote>& notes)>
            commit;
    };
    struct Outcome {
        std::string oldName, newName;
        std::vector<search::FileNote> notes; // references that were not changed, and why
    };

    RenameController(Window window, QWidget* parent);

    // Renames the listed name (a path from the folder: a file in a subfolder
    // keeps its folder) after asking. Nothing when the user cancels.
    // Throws Error, with nothing renamed, for a name that cannot be a file's
    // or a rename that the system refuses.
    std::optional<Outcome> Rename(const std::string& name);

private:
    struct References {
        std::vector<search::FileEdit> edits;
        std::vector<search::FileNote> notes;
        size_t count = 0;
    };
    References FindReferences(const std::string& name) const;

    Window window_;
    QWidget* parent_;
};

} // namespace sheafpad
