// SPDX-License-Identifier: GPL-3.0-or-later
// Current file, change tracking, find and clipboard commands.
//
// The pane's text is only ever written into the file from which it was
// loaded: PaneHoldsLoadedFile says whether that is the case, and the pane is
// read-only until a file has been opened successfully.
#include "app/form1.h"

#include "app/find_controller.h"
#include "app/pane_habits.h"
#include "app/recovery_keeper.h"
#include "base/errors.h"
#include "base/user_text.h"
#include "files/file_list.h"
#include "platform/file_io.h"
#include "text/is_blank.h"
#include "widgets/directory_edit.h"
#include "widgets/error_display.h"
#include "widgets/file_list_view.h"
#include "widgets/rich_edit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace sheafpad {

namespace {

// Clipboard texts end at their first NUL, in both directions.
QString UpToNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

QClipboard* Clipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        throw Error(UserText("TForm1", "Cannot open clipboard"));
    }
    return clipboard;
}

} // namespace

void TForm1::ConnectPaneHandlers() {
    Memo1->OnKeyDown = [this](int& key, Qt::KeyboardModifiers shift) {
        ErrorDisplay::Guard([&] { Memo1KeyDown(key, shift); });
    };
    Memo1->OnContextPopup = [this](QPoint mousePos) {
        ErrorDisplay::Guard([&] { Memo1ContextPopup(mousePos); });
    };
    // The changed flag follows the text, not the keys: whatever changes it
    // (typing, deleting, Enter, Ctrl+Tab, paste, cut, a drop, an input
    // method, undo and redo, Replace All) marks it, and a key that changes
    // nothing (Ctrl+C, Ctrl+A, Alt+Q, a cursor key) marks nothing. In the
    // read-only pane only the context menu's Cut and Paste change the text.
    // Marked just before the change, so that the first recovery copy holds
    // the text as loaded and its journal every change after it.
    connect(Memo1, &TRichEdit::userChangingText, this,
            [this] { ErrorDisplay::Guard([this] { MarkChanged(); }); });
}

void TForm1::MarkChanged() {
    NeedsSave = true;
    recovery_->Changed();
    lNeedsSave->show();
    CancelButton->show();
    SaveButton->show();
}

void TForm1::ClearChanged() {
    NeedsSave = false;
    recovery_->Drop(); // saved, or its write dropped: no copy to keep
    lNeedsSave->hide();
    CancelButton->hide();
    SaveButton->hide();
}

void TForm1::SaveIfChanged() {
    // The introduction, the unused-file report and the text left by a failed
    // open are never written.
    if (NeedsSave && !Memo1->ReadOnly() && !IsBlank(LoadedFName) && PaneHoldsLoadedFile) {
        WriteCurrentFile(); // a failure leaves the flag set
    }
    ClearChanged();
}

void TForm1::filesLBClick() {
    if (!Memo1->ReadOnly()) {
        SaveIfChanged();
    }
    const std::optional<std::string> name = SelectedName();
    if (!name) {
        return;
    }
    // Until the load succeeds the pane holds no file's text: it stays
    // read-only, so that nothing typed into it can reach LoadedFName.
    PaneHoldsLoadedFile = false;
    Memo1->SetReadOnly(true);
    // Absolute now, so that the save goes to this file whatever the working
    // directory becomes (the folder dialog moves it).
    LoadedFName = platform::AbsolutePath(JoinPath(dirEdit->Text(), *name));
    LoadCurrentFile();
    Memo1->SetReadOnly(false);
    PaneHoldsLoadedFile = true;
    ClearChanged();
    // A file opened from the keyboard (arrow keys, Home, End, Page Up/Down,
    // a typed letter) leaves the focus in the list, so that the user can
    // walk on or type the rest of a name; a click puts it in the pane.
    if (!filesLB->HandlingKey()) {
        Memo1->setFocus();
    }
}

void TForm1::Memo1KeyDown(int& key, Qt::KeyboardModifiers) {
    // F3 searches; Enter types its line break and never searches here.
    if (!Memo1->ReadOnly() && key == Qt::Key_F3) {
        FindEditKeyDown(key);
    }
}

void TForm1::SaveButtonClick() {
    SaveIfChanged();
    Memo1->setFocus();
}

void TForm1::CancelButtonClick() {
    ClearChanged();
    Memo1->setFocus();
}

void TForm1::FindEditKeyDown(int& key, bool focusPane) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_F3) {
        return;
    }
    key = 0;
    habits_->Find()->FindNext(FindEdit->text());
    if (focusPane) {
        Memo1->setFocus();
    }
}

void TForm1::Memo1ContextPopup(QPoint mousePos) {
    // At the pointer for a click; at the caret for the keyboard.
    const QPoint local = mousePos == QPoint(-1, -1) ? Memo1->cursorRect().bottomLeft() : mousePos;
    MemoPopupMenu->popup(Memo1->viewport()->mapToGlobal(local));
}

void TForm1::Copy1Click() {
    Clipboard()->setText(UpToNul(Memo1->SelectedText()));
}

// Both mark the text changed through the pane's change signal, and only
// when they change it.
void TForm1::Cut1Click() {
    Copy1Click(); // a clipboard that cannot be opened stops the cut here
    Memo1->ReplaceSelection(QString());
}

void TForm1::Paste1Click() {
    Memo1->ReplaceSelection(UpToNul(Clipboard()->text()));
}

} // namespace sheafpad
