// SPDX-License-Identifier: GPL-3.0-or-later
// Error objects raised by the program's operations. Handlers do not catch
// them: they reach the top-level error display, which shows the message.
// Messages are byte strings (paths are bytes on disk).
#pragma once

#include <stdexcept>
#include <string>

namespace sheafpad {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A file could not be opened for reading: "Cannot open file "<path>". <reason>"
class EFOpenError : public Error {
public:
    EFOpenError(const std::string& path, const std::string& reason);
};

// A file could not be created or emptied: "Cannot create file "<path>". <reason>"
class EFCreateError : public Error {
public:
    EFCreateError(const std::string& path, const std::string& reason);
};

// A write to the settings file failed: "Unable to write to <path>", then the
// reason when one is known: "Unable to write to <path>. <reason>".
class EIniFileException : public Error {
public:
    explicit EIniFileException(const std::string& path, const std::string& reason = {});
};

// The desktop's text editor could not be started for a file:
// "Cannot open "<path>" in a text editor. <reason>"
class EEditorStartError : public Error {
public:
    EEditorStartError(const std::string& path, const std::string& reason);
};

// The editor pane's own failures (a save that failed once the file was open, "RichEdit
// line insertion error").
class EOutOfResources : public Error {
public:
    using Error::Error;
};

// A folder could not be opened in the folder dialog.
class EInOutError : public Error {
public:
    using Error::Error;
};

// Stops a handler without a message, where the user has just answered a
// question that said everything (the handler's state is as after a failure).
class EAbort : public Error {
public:
    EAbort() : Error("Operation aborted") {}
};

// The system's text for an errno value, as shown after a file name.
std::string SystemReason(int errnum);

} // namespace sheafpad
