// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include "base/errors.h"
#include "platform/file_io.h"
#include "platform/working_dir.h"
#include "widgets/folder_paths.h"

#include <cerrno>

#ifndef SHEAFPAD_VERSION
#error "SHEAFPAD_VERSION is set by CMake"
#endif

namespace sheafpad {
namespace {

CommandLine Failure(std::string error) {
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.error = std::move(error);
    return line;
}

// What the path names: a folder to list, or a file to open in its folder.
CommandLine Place(const std::string& given) {
    if (given.empty()) {
        return Failure("an empty name is no folder or file");
    }
    const std::string cwd = platform::WorkingDir();
    if (given[0] != '/' && cwd.empty()) {
        return Failure("\"" + given + "\" is relative and the working directory cannot be read");
    }
    const std::string path = AbsolutePath(given, cwd);
    CommandLine line;
    if (platform::IsDirectory(path)) {
        line.folder = path;
        return line;
    }
    try {
        // Opened, but not read: a missing name, a FIFO or a device, or a file
        // that this user may not read is told now, not after the window is up.
        if (!platform::ReadFileStart(path, 0)) {
            return Failure("\"" + given + "\": " + SystemReason(ENOENT));
        }
    } catch (const Error& error) {
        return Failure(error.what());
    }
    const size_t slash = path.rfind('/');
    line.folder = slash == 0 ? "/" : path.substr(0, slash);
    line.fileName = path.substr(slash + 1);
    return line;
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    bool help = false;
    bool version = false;
    bool optionsEnd = false;
    std::vector<std::string> paths;
    for (const std::string& arg : args) {
        if (optionsEnd || arg.empty() || arg[0] != '-') {
            paths.push_back(arg);
        } else if (arg == "--") {
            optionsEnd = true;
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else {
            return Failure("unknown option \"" + arg + "\"");
        }
    }
    if (help || version) {
        CommandLine line;
        line.action = help ? CommandLine::Action::Help : CommandLine::Action::Version;
        return line;
    }
    if (paths.size() > 1) {
        return Failure("one folder or one file, not " + std::to_string(paths.size()));
    }
    return paths.empty() ? CommandLine() : Place(paths.front());
}

std::string HelpText(std::string_view command) {
    const std::string name(command);
    return "Usage: " + name + " [FOLDER | FILE]\n" +
           "Edit the many small files of one folder, one click after another.\n"
           "\n"
           "  FOLDER      list the folder's files whose names match the patterns\n"
           "  FILE        list the file's folder and open the file in the editor pane\n"
           "  --help      show this help and exit\n"
           "  --version   show the version and exit\n"
           "\n"
           "Without a folder or file, " +
           name +
           " lists the folder it showed when it was last closed.\n"
           "The settings are kept in ~/.config/Sheafpad/Sheafpad.ini; see \"man sheafpad\".\n";
}

std::string VersionText() {
    return "Sheafpad " SHEAFPAD_VERSION "\n"
           "Copyright (C) 2026 the Sheafpad developers\n"
           "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}

std::string ErrorText(std::string_view command, const std::string& error) {
    const std::string name(command);
    return name + ": " + error + "\nTry \"" + name + " --help\" for more information.\n";
}

} // namespace sheafpad
