// Starting another program without waiting for it, and handing a file to
// the desktop's text editor.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sheafpad::platform {

// Starts program (looked up in PATH) with args as its arguments, each passed
// whole, with no shell in between. Does not wait and leaves no zombie: the
// program runs on in its own session when this one ends. Returns false when
// no process could be created; a program that cannot be run is not reported.
bool StartDetached(const std::string& program, const std::vector<std::string>& args);

// With a hook set, StartDetached calls it instead of starting anything and
// returns true (for tests). An empty hook restores the real start.
using StartDetachedHook =
    std::function<void(const std::string& program, const std::vector<std::string>& args)>;
void SetStartDetachedHook(StartDetachedHook hook);

// Opens the file at path in the desktop's text editor: the default
// application for plain text (text/plain) as the desktop has it registered,
// given the one path, started without a shell and without waiting. Only when
// no application is registered for plain text is the file handed to
// xdg-open instead. A failure to start is not reported. With the hook set,
// the hook gets the program that would start (the editor's executable, or
// "xdg-open") and {path}, and nothing starts.
void OpenInTextEditor(const std::string& path);

namespace detail {
// For the implementations of this header: calls the hook and returns true
// when one is set, else returns false.
bool RunStartDetachedHook(const std::string& program, const std::vector<std::string>& args);
} // namespace detail

} // namespace sheafpad::platform
