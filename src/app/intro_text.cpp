// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/intro_text.h"

#include <QCoreApplication>

namespace sheafpad {

QStringList IntroductionLines() {
    // One text a paragraph, so that a translation lays out its own lines.
    const char* const paragraphs[] = {
        QT_TRANSLATE_NOOP("Introduction",
                          "Every text editor can edit multiple files, so what's the big deal "
                          "here? Allow me to explain."),
        QT_TRANSLATE_NOOP("Introduction",
                          "This program was written for hand-editing the 30 or 40 pages of a web\n"
                          "site. With an ordinary editor, opening and closing the files took\n"
                          "longer than the edits themselves: find the file, open it, change one\n"
                          "line, save it, close it, and start again with the next one."),
        QT_TRANSLATE_NOOP("Introduction", "Here is how it works:"),
        QT_TRANSLATE_NOOP("Introduction",
                          "  1. Name a directory in the field at the top left.\n"
                          "  2. List the file extensions you want to edit in the box above it,\n"
                          "     one per line, such as TXT, HTM, HTML or JS.\n"
                          "  3. Every file of that directory whose name contains one of them is\n"
                          "     listed at the left.\n"
                          "  4. Click on a name and the file opens here, ready to edit.\n"
                          "  5. Click on another name: the file you leave is saved first, with\n"
                          "     all of your changes, and the new one opens."),
        QT_TRANSLATE_NOOP("Introduction",
                          "There is no Open, no Save As and no Close. Switching files saves all\n"
                          "changes automatically."),
        QT_TRANSLATE_NOOP("Introduction", "A few refinements:"),
        QT_TRANSLATE_NOOP(
            "Introduction",
            "  - A red flag shows when the file on screen has been modified and will\n"
            "    be written back when you leave it.\n"
            "  - A Cancel button drops that automatic write, in case you changed your\n"
            "    mind (the text on screen stays as it is).\n"
            "  - A Save button writes the file at once, whether changed or not.\n"
            "  - Type a word in the find field and press Enter or F3 to search\n"
            "    forward from the cursor.\n"
            "  - The Check button lists the files whose names appear in no other\n"
            "    listed file: pages and scripts that nothing links to.\n"
            "  - Double-click a name to open the file in your usual editor.\n"
            "  - The directory, the window's place and size and the find text are\n"
            "    remembered from one run to the next."),
        QT_TRANSLATE_NOOP("Introduction", "Hover the cursor over the buttons to see what they do!\n"
                                          "Click on a file name to get started with your editing!"),
    };
    QStringList lines;
    for (const char* paragraph : paragraphs) {
        if (!lines.isEmpty()) {
            lines.append(QString()); // a blank line between paragraphs
        }
        lines += QCoreApplication::translate("Introduction", paragraph).split(QChar('\n'));
    }
    return lines;
}

} // namespace sheafpad
