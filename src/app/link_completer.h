// SPDX-License-Identifier: GPL-3.0-or-later
// Completing a link as it is typed: inside a link value, Ctrl+Space offers
// the listed files' paths relative to the open file ("/..." ones when the
// value begins so), narrowed by what is typed before the caret; it opens by
// itself after "/" or the opening quote is typed in one. Up and Down choose,
// Enter (or Tab, or a click) takes a path in place of the value's path,
// Escape closes.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sheafpad {

class CompletionPopup;
class LinksController;
class TRichEdit;

class LinkCompleter : public QObject {
    Q_OBJECT
public:
    struct Window {
        std::function<std::string()> openPath;            // from the site's root; empty when none
        std::function<std::string()> root;                // the site's folder (the directory text)
        std::function<std::vector<std::string>()> listed; // paths from the root, in list order
    };

    LinkCompleter(LinksController* links, TRichEdit* pane, Window window, QObject* parent);

    // Offers the paths for the link value at the caret; false when the caret
    // is in none or no path fits.
    bool Open();
    void Close();
    bool IsOpen() const;
    // The paths offered now.
    QStringList Choices() const { return choices_; }
    CompletionPopup* Popup() const { return popup_; }
    // Puts choice in place of the value's path.
    void Take(const QString& choice);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The value at the caret: where it begins and ends in the pane, and its language.
    struct Value {
        qsizetype start = 0, end = 0;
        int kind = 0;
    };
    std::optional<Value> ValueAtCaret();
    // Shows the paths that fit what is typed; closes when none does.
    bool Update();

    LinksController* links_;
    TRichEdit* pane_;
    Window window_;
    CompletionPopup* popup_;
    QStringList choices_;
    bool updating_ = false;
};

} // namespace sheafpad
