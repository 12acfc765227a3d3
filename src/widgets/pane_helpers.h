// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers of the editor pane, each a controller of its own:
//   PairHighlighter  the bracket or tag at the caret and its partner
//   CommentToggler   Ctrl+/ comments the lines out or in, in the language
//                    at the caret
//   GoToLine         Ctrl+G asks for a line (or line:column) and goes there
#pragma once

#include "syntax/syntax_language.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <optional>

namespace sheafpad {

class SyntaxColouring;
class TextView;

// Highlights the partners beside the caret once the events of a key are
// done. Brackets and tags in strings and comments, as the colours tell, do
// not pair with those outside them. colours may be null (plain text).
class PairHighlighter : public QObject {
    Q_OBJECT
public:
    PairHighlighter(TextView* view, SyntaxColouring* colours);
    // Finds the pair at the caret now.
    void UpdateNow();

private:
    TextView* view_;
    QPointer<SyntaxColouring> colours_;
    QTimer pending_;
};

class CommentToggler : public QObject {
    Q_OBJECT
public:
    // Takes Ctrl+/ in view. language tells the file's language.
    CommentToggler(TextView* view, std::function<syntax::Language()> language);
    // Comments the selected lines (the caret's line) out, or in when they
    // are all commented, as one step of undo; false in plain text or while
    // the view is read-only.
    bool Toggle();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TextView* view_;
    std::function<syntax::Language()> language_;
};

class GoToLine : public QObject {
    Q_OBJECT
public:
    // Takes Ctrl+G in view.
    explicit GoToLine(TextView* view);
    // "12" or "12:5" (line, and column in characters, from 1); nullopt for
    // anything else.
    static std::optional<std::pair<qsizetype, qsizetype>> Parse(const QString& text);
    // Puts the caret at the place that text names (a line past the last is
    // the last, a column past the line's end its end), the line in the
    // middle of the view; false, leaving the caret, when text names none.
    bool Go(const QString& text);
    // Asks for the place and goes there; Escape leaves the caret where it was.
    void Ask();
    // For tests: answers the question instead of the box (nullopt: Escape).
    using AskHook = std::function<std::optional<QString>(const QString& prompt)>;
    static void SetAskHook(AskHook hook);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TextView* view_;
};

} // namespace sheafpad
