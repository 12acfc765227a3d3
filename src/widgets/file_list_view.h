// SPDX-License-Identifier: GPL-3.0-or-later
// The file list's view: a plain list that tells its owner whether a change
// of the selection comes from a key pressed in the list, so that a file
// opened from the keyboard can leave the focus where the user types.
#pragma once

#include <QListView>

namespace sheafpad {

class FileListView : public QListView {
    Q_OBJECT
public:
    using QListView::QListView;

    // True while a key pressed in the list is handled: the arrow keys, Home,
    // End, Page Up and Down, and a typed letter that finds a name.
    bool HandlingKey() const { return handlingKey_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool handlingKey_ = false;
};

} // namespace sheafpad
