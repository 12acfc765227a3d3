// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/intro_text.h"

namespace sheafpad {

QStringList IntroductionLines() {
    return {
        QStringLiteral("Every text editor can edit multiple files, so what's the big deal here? "
                       "Allow me to explain."),
        QString(),
        QStringLiteral("This program was written for hand-editing the 30 or 40 pages of a web"),
        QStringLiteral("site. With an ordinary editor, opening and closing the files took"),
        QStringLiteral("longer than the edits themselves: find the file, open it, change one"),
        QStringLiteral("line, save it, close it, and start again with the next one."),
        QString(),
        QStringLiteral("Here is how it works:"),
        QString(),
        QStringLiteral("  1. Name a directory in the field at the top left."),
        QStringLiteral("  2. List the file extensions you want to edit in the box above it,"),
        QStringLiteral("     one per line, such as TXT, HTM, HTML or JS."),
        QStringLiteral("  3. Every file of that directory whose name contains one of them is"),
        QStringLiteral("     listed at the left."),
        QStringLiteral("  4. Click on a name and the file opens here, ready to edit."),
        QStringLiteral("  5. Click on another name: the file you leave is saved first, with"),
        QStringLiteral("     all of your changes, and the new one opens."),
        QString(),
        QStringLiteral("There is no Open, no Save As and no Close. Switching files saves all"),
        QStringLiteral("changes automatically."),
        QString(),
        QStringLiteral("A few refinements:"),
        QString(),
        QStringLiteral("  - A red flag shows when the file on screen has been modified and will"),
        QStringLiteral("    be written back when you leave it."),
        QStringLiteral("  - A Cancel button drops that automatic write, in case you changed your"),
        QStringLiteral("    mind (the text on screen stays as it is)."),
        QStringLiteral("  - A Save button writes the file at once, whether changed or not."),
        QStringLiteral("  - Type a word in the find field and press Enter or F3 to search"),
        QStringLiteral("    forward from the cursor."),
        QStringLiteral("  - The Check button lists the files whose names appear in no other"),
        QStringLiteral("    listed file: pages and scripts that nothing links to."),
        QStringLiteral("  - Double-click a name to open the file in your usual editor."),
        QStringLiteral("  - The directory, the window's place and size and the find text are"),
        QStringLiteral("    remembered from one run to the next."),
        QString(),
        QStringLiteral("Hover the cursor over the buttons to see what they do!"),
        QStringLiteral("Click on a file name to get started with your editing!"),
    };
}

} // namespace sheafpad
