// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/rename_controller.h"

#include "base/errors.h"
#include "files/file_list.h"
#include "platform/entry_names.h"
#include "platform/file_io.h"
#include "widgets/rename_dialog.h"

#include <QWidget>
#include <cerrno>

namespace sheafpad {

namespace {

QString FromBytes(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

std::string ToBytes(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

} // namespace

RenameController::RenameController(Window window, QWidget* parent)
    : QObject(parent), window_(std::move(window)), parent_(parent) {}

RenameController::References RenameController::FindReferences(const std::string& name) const {
    References found;
    for (const std::string& path : window_.listedPaths()) {
        std::string reason;
        // Planned with the old name in place: the new one is not known yet.
        if (auto edit = search::PlanRename(path, name, name, &reason)) {
            found.count += edit->Count();
            found.edits.push_back(std::move(*edit));
        } else if (!reason.empty()) {
            found.notes.push_back({path, reason});
        }
    }
    return found;
}

std::optional<RenameController::Outcome> RenameController::Rename(const std::string& listed) {
    // A file in a subfolder is renamed within its folder, by its own name.
    const std::string where = listed.substr(0, listed.rfind('/') + 1);
    const std::string oldName = listed.substr(where.size());
    window_.saveIfChanged(); // the references are counted in the files as shown
    References references = FindReferences(oldName);
    RenameDialog dialog(FromBytes(oldName), references.count, references.edits.size(), parent_);
    const RenameDialog::Answer answer = dialog.Run();
    const std::string newName = ToBytes(answer.name);
    if (answer.choice == RenameDialog::Choice::Cancel || newName.empty() || newName == oldName) {
        return std::nullopt;
    }
    if (newName == "." || newName == ".." ||
        newName.find_first_of(std::string("/\0", 2)) != std::string::npos) {
        throw Error("\"" + newName + "\" cannot be a file name");
    }
    const std::string from = platform::AbsolutePath(JoinPath(window_.folder(), where + oldName));
    const std::string to = platform::AbsolutePath(JoinPath(window_.folder(), where + newName));
    if (answer.choice == RenameDialog::Choice::RenameOnly) {
        references = {};
    }
    // The renamed file's own references: its identity as found, to be taken
    // again under the new name (a rename moves the status-change time).
    auto own = std::find_if(references.edits.begin(), references.edits.end(),
                            [&](const search::FileEdit& edit) { return edit.path == from; });
    const bool ownUnchanged =
        own != references.edits.end() &&
        platform::CompareIdentity(own->identity, platform::FileIdentityOf(from)) ==
            platform::FileChange::None;
    if (const int error = platform::RenameWithoutReplacing(from, to)) {
        throw Error("Cannot rename \"" + oldName + "\" to \"" + newName + "\". " +
                    (error == EEXIST ? "A file of that name exists" : SystemReason(error)));
    }
    window_.moved(from, to);
    for (search::FileEdit& edit : references.edits) {
        search::RenameReferences(edit, newName);
    }
    if (own != references.edits.end()) {
        own->path = to;
        if (ownUnchanged) {
            own->identity = platform::FileIdentityOf(to);
        }
    }
    try {
        window_.commit(std::move(references.edits), {{from, to}}, references.notes);
    } catch (...) {
        // Without its record the rename could not be undone: it is undone now.
        if (platform::RenameWithoutReplacing(to, from) == 0) {
            window_.moved(to, from);
        }
        throw;
    }
    return Outcome{oldName, newName, std::move(references.notes)};
}

} // namespace sheafpad
