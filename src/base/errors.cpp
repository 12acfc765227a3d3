#include "base/errors.h"

#include <cstring>

namespace sheafpad {

EFOpenError::EFOpenError(const std::string& path, const std::string& reason)
    : Error("Cannot open file \"" + path + "\". " + reason) {}

EFCreateError::EFCreateError(const std::string& path, const std::string& reason)
    : Error("Cannot create file \"" + path + "\". " + reason) {}

EIniFileException::EIniFileException(const std::string& path)
    : Error("Unable to write to " + path) {}

std::string SystemReason(int errnum) {
    // strerror_r (GNU form) is thread-safe and never fails.
    char buffer[256];
    return ::strerror_r(errnum, buffer, sizeof buffer);
}

} // namespace sheafpad
