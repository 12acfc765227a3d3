// SPDX-License-Identifier: GPL-3.0-or-later
// The unused-file check: reports, in the pane, the listed names that occur in
// no listed file.
#include "app/form1.h"

#include "app/busy_pointer.h"

#include "files/unused_files.h"
#include "widgets/directory_edit.h"
#include "widgets/file_list_model.h"
#include "widgets/rich_edit.h"
#include "widgets/syntax_colouring.h"

#include <QItemSelectionModel>
#include <QListView>

namespace sheafpad {

void TForm1::CheckButtonClick() {
    BusyPointer busy;
    const std::vector<std::string> unused = FindUnusedFiles(dirEdit->Text(), filesModel->Names());
    if (unused.empty()) {
        return; // every name is used: nothing changes, nothing is written
    }
    SaveIfChanged();
    // No name selected. Only a selection that gains a name opens a file, so
    // clearing it leaves the pane as it is.
    filesLB->selectionModel()->clearSelection();
    // From here the pane holds no file's text: nothing may write it anywhere,
    // also when the report stops part-way.
    PaneHoldsLoadedFile = false;
    Colours->SetLanguage(syntax::Language::Plain); // the report is the program's own text
    Memo1->ClearText();
    Memo1->AppendLine(tr("Files that are not used by another file: "));
    Memo1->AppendLine(QStringLiteral(" "));
    for (const std::string& name : unused) {
        Memo1->AppendLine(QString::fromUtf8(name.data(), qsizetype(name.size())));
    }
    Memo1->setFocus();
}

} // namespace sheafpad
