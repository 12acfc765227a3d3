// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_notes_text.h"

#include <QObject>

namespace sheafpad {

QString FromBytes(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

QString Files(size_t n) {
    return QObject::tr("%n file(s)", nullptr, int(n));
}

QString NotesText(const std::vector<search::FileNote>& notes) {
    constexpr size_t kShown = 20;
    QString text;
    for (size_t i = 0; i < notes.size() && i < kShown; ++i) {
        const std::string& path = notes[i].path;
        text += QStringLiteral("\n%1: %2")
                    .arg(FromBytes(path.substr(path.rfind('/') + 1)), FromBytes(notes[i].reason));
    }
    if (notes.size() > kShown) {
        text += QObject::tr("\n\u2026 and %1 more").arg(Files(notes.size() - kShown));
    }
    return text;
}

} // namespace sheafpad
