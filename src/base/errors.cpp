// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/errors.h"

#include "base/user_text.h"

#include <cstring>

namespace sheafpad {

EFOpenError::EFOpenError(const std::string& path, const std::string& reason)
    : Error(FillIn(UserText("Errors", "Cannot open file \"%1\". %2"), {path, reason})) {}

EFCreateError::EFCreateError(const std::string& path, const std::string& reason)
    : Error(FillIn(UserText("Errors", "Cannot create file \"%1\". %2"), {path, reason})) {}

EEditorStartError::EEditorStartError(const std::string& path, const std::string& reason)
    : Error(FillIn(UserText("Errors", "Cannot open \"%1\" in a text editor. %2"), {path, reason})) {
}

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
    : Error(WithReason(FillIn(UserText("Errors", "Unable to write to %1"), {path}), reason)) {}

std::string SystemReason(int errnum) {
    // strerror_r (GNU form) is thread-safe and never fails.
    char buffer[256];
    return ::strerror_r(errnum, buffer, sizeof buffer);
}

} // namespace sheafpad
