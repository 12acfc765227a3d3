// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/file_list_view.h"

#include <QScopedValueRollback>

namespace sheafpad {

void FileListView::keyPressEvent(QKeyEvent* event) {
    const QScopedValueRollback handling(handlingKey_, true);
    QListView::keyPressEvent(event);
}

} // namespace sheafpad
