// SPDX-License-Identifier: GPL-3.0-or-later
// The command line: "sheafpad [FOLDER | FILE]", "--help", "--version".
// Without arguments the program starts as its settings say.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sheafpad {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    // Run: the folder to list in place of the stored one, absolute ("": the
    // stored one), and the name in it to open in the pane ("": none).
    std::string folder;
    std::string fileName;
    // Error: what is wrong, one line.
    std::string error;
};

// args: the arguments after the program's name, as bytes. A relative path is
// taken against the working directory. "--" ends the options, so that a
// file named "-x" can be given.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The texts for standard output (--help, --version) and for an error on
// standard error; command: the program as it was called ("sheafpad").
std::string HelpText(std::string_view command);
std::string VersionText();
std::string ErrorText(std::string_view command, const std::string& error);

} // namespace sheafpad
