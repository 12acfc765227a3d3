// SPDX-License-Identifier: GPL-3.0-or-later
// Starting another program without waiting for it, and handing a file to
// the desktop's text editor.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sheafpad::platform {

// Starts program (looked up in PATH) with args as its arguments, each passed
// whole, with no shell in between. Does not wait for it and leaves no zombie:
// the program runs on in its own session when this one ends. Returns false,
// with the system's reason in *reason when given, when no process could be
// made or the program could not be run (missing, not executable).
bool StartDetached(const std::string& program, const std::vector<std::string>& args,
                   std::string* reason = nullptr);

// With a hook set, StartDetached calls it instead of starting anything (for
// tests): the hook returns the reason of a failure it stands for, or "" for
// a start. An empty hook restores the real start.
using StartDetachedHook =
    std::function<std::string(const std::string& program, const std::vector<std::string>& args)>;
void SetStartDetachedHook(StartDetachedHook hook);

// Opens the file at path in the desktop's text editor: the default
// application for plain text (text/plain) as the desktop has it registered,
// given the one path, started without a shell and without waiting. Only when
// no application is registered for plain text is the file handed to
// xdg-open instead. Never to Sheafpad itself (whose menu entry offers it for
// web pages): where the desktop would do that, nothing starts and the reason
// says so. Returns "" when the program started, else the reason
// (a missing program, an editor that needs a terminal and finds none). With
// the hook set, the hook gets the program that would start (the editor's
// executable, or "xdg-open") and {path}, nothing starts, and its answer is
// returned.
std::string OpenInTextEditor(const std::string& path);

namespace detail {
// For the implementations of this header: calls the hook, puts its answer in
// *reason and returns true when one is set, else returns false.
bool RunStartDetachedHook(const std::string& program, const std::vector<std::string>& args,
                          std::string* reason);
} // namespace detail

} // namespace sheafpad::platform
