// SPDX-License-Identifier: GPL-3.0-or-later
// Current file, change tracking, find and clipboard commands.
//
// The pane's text is only ever written into the file from which it was
// loaded: PaneHoldsLoadedFile says whether that is the case, and the pane is
// read-only until a file has been opened successfully.
#include "app/form1.h"

#include "app/recovery_keeper.h"
#include "base/errors.h"
#include "files/file_list.h"
#include "platform/file_io.h"
#include "text/is_blank.h"
#include "widgets/directory_edit.h"
#include "widgets/error_display.h"
#include "widgets/rich_edit.h"

#include <QAction>
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
        throw Error("Cannot open clipboard");
    }
    return clipboard;
}

// The keys whose key-down in the pane marks the text changed: every key of
// the main keyboard that types a character other than space, whatever the
// modifiers (so Ctrl+C and Alt+Q count), Backspace, both Enter keys, Delete
// and Tab (only Ctrl+Tab gets here). Out: space, the numeric keypad's other
// keys, Insert, cursor, function and modifier keys.
bool IsEditKey(int key, Qt::KeyboardModifiers shift) {
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        break;
    }
    if (shift & Qt::KeypadModifier) {
        return false;
    }
    // Printable keys carry their character's code; Qt's special keys start at 0x01000000.
    return key > Qt::Key_Space && key < Qt::Key_Escape;
}

// The key of one of the window's commands (Ctrl+O): it changes no text.
bool IsWindowCommand(const QWidget& window, int key, Qt::KeyboardModifiers shift) {
    const auto modifiers =
        shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const QKeySequence pressed(QKeyCombination(modifiers, Qt::Key(key)));
    const QList<QAction*> actions = window.actions();
    return std::any_of(actions.begin(), actions.end(), [&](const QAction* action) {
        return action->shortcutContext() == Qt::WindowShortcut && action->shortcut() == pressed;
    });
}

} // namespace

void TForm1::ConnectPaneHandlers() {
    Memo1->OnKeyDown = [this](int& key, Qt::KeyboardModifiers shift) {
        ErrorDisplay::Guard([&] { Memo1KeyDown(key, shift); });
    };
    Memo1->OnContextPopup = [this](QPoint mousePos) {
        ErrorDisplay::Guard([&] { Memo1ContextPopup(mousePos); });
    };
    // Edits that no key of the set shows (a typed space, a keypad digit, a
    // paste with the mouse, a drop, an input method) are changes too.
    connect(Memo1, &TRichEdit::userChangedText, this, [this] {
        ErrorDisplay::Guard([this] {
            if (!Memo1->ReadOnly()) {
                MarkChanged();
            }
        });
    });
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
    Memo1->setFocus();
}

void TForm1::Memo1KeyDown(int& key, Qt::KeyboardModifiers shift) {
    // The keys of commands that change no text (searching the folder,
    // zooming the pane) mark nothing.
    if (Memo1->ReadOnly() || IsSearchKey(key, shift) || TextView::ZoomStepsOf(key, shift) ||
        IsWindowCommand(*this, key, shift)) {
        return;
    }
    if (IsEditKey(key, shift)) {
        MarkChanged();
    } else {
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

void TForm1::FindEditKeyDown(int& key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_F3) {
        return;
    }
    key = 0;
    const QString text = FindEdit->text();
    const qsizetype span = Memo1->LinesTextLength();
    const qsizetype start = Memo1->SelectionStart();
    const qsizetype found = Memo1->FindForward(text, start, span);
    if (found >= 0) {
        Memo1->SetSelectionStart(found + TRichEdit::PaneLength(text));
    }
    Memo1->setFocus();
}

void TForm1::Memo1ContextPopup(QPoint mousePos) {
    // At the pointer for a click; at the caret for the keyboard.
    const QPoint local = mousePos == QPoint(-1, -1) ? Memo1->cursorRect().bottomLeft() : mousePos;
    MemoPopupMenu->popup(Memo1->viewport()->mapToGlobal(local));
}

void TForm1::Copy1Click() {
    Clipboard()->setText(UpToNul(Memo1->SelectedText()));
}

void TForm1::Cut1Click() {
    Copy1Click(); // a clipboard that cannot be opened stops the cut here
    Memo1->ReplaceSelection(QString());
    MarkChanged();
}

void TForm1::Paste1Click() {
    Memo1->ReplaceSelection(UpToNul(Clipboard()->text()));
    MarkChanged();
}

} // namespace sheafpad
