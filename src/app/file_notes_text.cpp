// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_notes_text.h"

#include "widgets/utf8_text.h"

#include <QObject>

namespace sheafpad {

QString Files(size_t n) {
    return QObject::tr("%n file(s)", nullptr, int(n));
}

QString NotesText(const std::vector<search::FileNote>& notes) {
    constexpr size_t kShown = 20;
    QString text;
    for (size_t i = 0; i < notes.size() && i < kShown; ++i) {
        const std::string& path = notes[i].path;
        text += QStringLiteral("\n%1: %2")
                    .arg(FromUtf8(path.substr(path.rfind('/') + 1)), FromUtf8(notes[i].reason));
    }
    if (notes.size() > kShown) {
        text += QObject::tr("\n\u2026 and %1 more").arg(Files(notes.size() - kShown));
    }
    return text;
}

} // namespace sheafpad
