// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/completion_popup.h"

#include <QScrollBar>

namespace sheafpad {

CompletionPopup::CompletionPopup(QWidget* owner) : QListWidget(owner) {
    setObjectName(QStringLiteral("CompletionPopup"));
    setAccessibleName(QStringLiteral("Completions"));
    // A window of its own that the window manager neither frames nor
    // activates: the pane keeps the keyboard.
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit chosen(item->text()); });
}

void CompletionPopup::ShowChoices(const QStringList& choices, QPoint at) {
    clear();
    addItems(choices);
    setCurrentRow(0);
    const int rows = std::min<int>(kMostRows, int(choices.size()));
    int width = 0;
    for (const QString& choice : choices) {
        width = std::max(width, fontMetrics().horizontalAdvance(choice));
    }
    resize(std::min(width + 2 * frameWidth() + verticalScrollBar()->sizeHint().width() + 8, 600),
           rows * std::max(1, sizeHintForRow(0)) + 2 * frameWidth());
    move(at);
    show();
}

QString CompletionPopup::Current() const {
    return currentItem() ? currentItem()->text() : QString();
}

void CompletionPopup::Step(int rows) {
    if (count() > 0) {
        setCurrentRow(std::clamp(currentRow() + rows, 0, count() - 1));
    }
}

} // namespace sheafpad
