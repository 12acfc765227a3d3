// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/rename_controller.h"

#include "base/errors.h"
#include "base/user_text.h"
#include "files/file_list.h"
#include "links/link_move.h"
#include "platform/entry_names.h"
#include "platform/file_io.h"
#include "widgets/rename_dialog.h"
#include "widgets/utf8_text.h"

#include <QWidget>
#include <algorithm>
#include <cerrno>

namespace sheafpad {

namespace {

// The folders above path that do not exist, outermost first.
std::vector<std::string> MissingFolders(const std::string& path) {
    std::vector<std::string> missing;
    for (std::string folder = path.substr(0, path.rfind('/'));
         !folder.empty() && !platform::EntryExists(folder);
         folder = folder.substr(0, folder.rfind('/'))) {
        missing.insert(missing.begin(), folder);
    }
    return missing;
}

void RemoveFolders(const std::vector<std::string>& made) {
    for (auto it = made.rbegin(); it != made.rend(); ++it) {
        platform::RemoveEmptyFolder(*it);
    }
}

} // namespace

RenameController::RenameController(Window window, QWidget* parent)
    : QObject(parent), window_(std::move(window)), parent_(parent) {}

std::optional<RenameController::Outcome> RenameController::Rename(const std::string& listed) {
    return Ask(listed, false);
}

std::optional<RenameController::Outcome> RenameController::RenameFolder(const std::string& folder) {
    return Ask(folder, true);
}

std::optional<RenameController::Outcome> RenameController::Ask(const std::string& path,
                                                               bool folder) {
    window_.saveIfChanged(); // the links are counted in the files as shown
    const links::References references = links::CountReferences(window_.index(), path);
    const std::string oldName(links::NameOf(path));
    RenameDialog dialog(FromUtf8(oldName), references.links, references.files, parent_);
    const RenameDialog::Answer answer = dialog.Run();
    const std::string newName = ToUtf8(answer.name);
    if (answer.choice == RenameDialog::Choice::Cancel || newName.empty() || newName == oldName) {
        return std::nullopt;
    }
    // The new name is taken from the entry's own folder.
    const std::string parent(links::FolderOf(path));
    const std::string to = links::Normalized(parent.empty() ? newName : parent + "/" + newName);
    const std::string last(links::NameOf(to));
    if (newName.find('\0') != std::string::npos || newName.back() == '/' || last.empty() ||
        last == ".." || (folder && (to + "/").starts_with(path + "/"))) {
        throw Error(
            FillIn(folder ? UserText("RenameController", "\"%1\" cannot be the folder's new name")
                          : UserText("RenameController", "\"%1\" cannot be the file's new name"),
                   {newName}));
    }
    if (to == path) {
        return std::nullopt;
    }
    return Move(path, to, folder, answer.choice == RenameDialog::Choice::RenameAndUpdate);
}

RenameController::Outcome RenameController::Move(const std::string& from, const std::string& to,
                                                 bool folder, bool update) {
    const std::string fromPath = platform::AbsolutePath(JoinPath(window_.folder(), from));
    // Out of the site ("../shared/x.css"): the path made plain, as the links are.
    std::string toPath = platform::AbsolutePath(JoinPath(window_.folder(), to));
    if (to.starts_with("../") && toPath.starts_with('/')) {
        toPath = "/" + links::Normalized(toPath);
    }
    // Planned with everything still in place: the links are read where they are.
    links::MovePlan plan;
    if (update) {
        plan = links::PlanMove(window_.index(), {from, to});
    }
    // The moved files' identities as read, to be taken again at their new
    // names (a rename moves a file's status-change time).
    auto movedPath = [&](const std::string& path) -> std::optional<std::string> {
        if (path == fromPath) {
            return toPath;
        }
        if (path.starts_with(fromPath + "/")) {
            return toPath + path.substr(fromPath.size());
        }
        return std::nullopt;
    };
    std::vector<bool> unchanged;
    for (const search::FileEdit& edit : plan.edits) {
        unchanged.push_back(
            movedPath(edit.path) &&
            platform::CompareIdentity(edit.identity, platform::FileIdentityOf(edit.path)) ==
                platform::FileChange::None);
    }
    std::vector<search::RecordedRename> renames;
    std::vector<std::string> made;
    for (const std::string& folder : MissingFolders(toPath)) {
        if (const int error = platform::MakeFolder(folder)) {
            RemoveFolders(made);
            throw Error(FillIn(UserText("RenameController", "Cannot make the folder \"%1\". %2"),
                               {folder, SystemReason(error)}));
        }
        made.push_back(folder);
        renames.push_back({"", folder});
    }
    if (const int error = platform::RenameWithoutReplacing(fromPath, toPath)) {
        RemoveFolders(made);
        throw Error(
            FillIn(UserText("RenameController", "Cannot rename \"%1\" to \"%2\". %3"),
                   {from, to,
                    error != EEXIST ? SystemReason(error)
                    : folder ? UserText("RenameController", "A file or folder of that name exists")
                             : UserText("RenameController", "A file of that name exists")}));
    }
    renames.push_back({fromPath, toPath});
    window_.moved(fromPath, toPath);
    for (size_t i = 0; i < plan.edits.size(); ++i) {
        search::FileEdit& edit = plan.edits[i];
        if (const std::optional<std::string> now = movedPath(edit.path)) {
            edit.path = *now;
            if (unchanged[i]) {
                edit.identity = platform::FileIdentityOf(edit.path);
            }
        }
    }
    try {
        window_.commit(std::move(plan.edits), renames, plan.notes);
    } catch (...) {
        // Without its record the move could not be undone: it is undone now.
        if (platform::RenameWithoutReplacing(toPath, fromPath) == 0) {
            window_.moved(toPath, fromPath);
            RemoveFolders(made);
        }
        throw;
    }
    return Outcome{from, to, std::move(plan.notes)};
}

} // namespace sheafpad
