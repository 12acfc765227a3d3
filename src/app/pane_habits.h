// SPDX-License-Identifier: GPL-3.0-or-later
// The editor pane's everyday helpers, made and kept together: the status
// line's fields, the find, the pairs at the caret, comment toggling, go to
// line, and the context menu's switches for line numbers and word wrap,
// kept in the settings' [Pane] section.
#pragma once

#include <QObject>
#include <functional>

#include "syntax/syntax_language.h"

class QAction;
class QMenu;

namespace sheafpad {

class CommentToggler;
class FindController;
class GoToLine;
class PairHighlighter;
class PaneStatus;
class StatusLine;
class SyntaxColouring;
class TIniFile;
class TRichEdit;

class PaneHabits : public QObject {
    Q_OBJECT
public:
    // pane and status must outlive this; the switches go at the end of menu.
    // language tells the open file's language (Plain when the pane holds
    // none); colours, which may go first, tell strings and comments.
    PaneHabits(TRichEdit* pane, StatusLine* status, SyntaxColouring* colours, QMenu* menu,
               std::function<syntax::Language()> language);

    FindController* Find() const { return find_; }
    GoToLine* LineJump() const { return goTo_; }
    CommentToggler* Comments() const { return comments_; }
    PairHighlighter* Pairs() const { return pairs_; }
    PaneStatus* Status() const { return status_; }
    QAction* LineNumbersAction() const { return lineNumbers_; }
    QAction* WordWrapAction() const { return wordWrap_; }

    // Reads or writes LineNumbers and Wrap (1 on, 0 off; on when absent).
    void Settings(TIniFile& ini, bool write);

private:
    TRichEdit* pane_;
    FindController* find_;
    GoToLine* goTo_;
    CommentToggler* comments_;
    PairHighlighter* pairs_;
    PaneStatus* status_;
    QAction* lineNumbers_;
    QAction* wordWrap_;
};

} // namespace sheafpad
