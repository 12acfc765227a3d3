// SPDX-License-Identifier: GPL-3.0-or-later
// Following a link of the open file: Ctrl+click on it or F12 with the caret
// in it opens its target as a click on its name in the list would (the file
// left is written first); a fragment puts the caret at the element with that
// id. Alt+Left goes back to the file and the caret left, Alt+Right forward
// again. A target that cannot be opened is said in the status line.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace sheafpad {

class LinksController;
class TRichEdit;

class LinkFollower : public QObject {
    Q_OBJECT
public:
    struct Window {
        // The open file's path from the site's root; empty when none.
        std::function<std::string()> openPath;
        std::function<std::string()> root; // the site's folder (the directory text)
        std::function<bool(const std::string& path)> listed;
        // Opens the listed path as a click on its name would.
        std::function<void(const std::string& path)> open;
        std::function<void(const QString& text)> say; // in the status line
    };

    LinkFollower(LinksController* links, TRichEdit* pane, Window window, QObject* parent);

    // Follows the link at pos in the pane; false when no link is there.
    bool FollowAt(qsizetype pos);
    void Back();
    void Forward();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Place {
        std::string path;
        qsizetype caret = 0;
    };
    Place Here() const;
    // Opens path (when it is not open) and puts the caret at caret; false
    // when the file could not be opened.
    bool Go(const std::string& path, qsizetype caret);
    bool GoToAnchor(const std::string& fragment);

    LinksController* links_;
    TRichEdit* pane_;
    Window window_;
    std::vector<Place> back_, forward_;
};

} // namespace sheafpad
