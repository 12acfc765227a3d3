// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/errors.h"

#include <cstring>

namespace sheafpad {

EFOpenError::EFOpenError(const std::string& path, const std::string& reason)
    : Error("Cannot open file \"" + path + "\". " + reason) {}

EFCreateError::EFCreateError(const std::string& path, const std::string& reason)
    : Error("Cannot create file \"" + path + "\". " + reason) {}

EEditorStartError::EEditorStartError(const std::string& path, const std::string& reason)
    : Error("Cannot open \"" + path + "\" in a text editor. " + reason) {}

namespace {
// The sentence that names the file ends with a period added as the error
// display adds one: after a character that sorts after ".".
std::string WithReason(std::string sentence, const std::string& reason) {
    if (reason.empty()) {
        return sentence;
    }
    if (!sentence.empty() && static_cast<unsigned char>(sentence.back()) > '.') {
        sentence += '.';
    }
    return sentence + " " + reason;
}
} // namespace

EIniFileException::EIniFileException(const std::string& path, const std::string& reason)
    : Error(WithReason("Unable to write to " + path, reason)) {}

std::string SystemReason(int errnum) {
    // strerror_r (GNU form) is thread-safe and never fails.
    char buffer[256];
    return ::strerror_r(errnum, buffer, sizeof buffer);
}

} // namespace sheafpad
