// SPDX-License-Identifier: GPL-3.0-or-later
// Texts between the core's UTF-8 bytes and Qt's strings.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace sheafpad {

inline QString FromUtf8(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

inline std::string ToUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

} // namespace sheafpad
