// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/recovery_dialog.h"

#include "widgets/error_display.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace sheafpad {

RecoveryDialog::RecoveryDialog(const QString& text, const QStringList& copies, QWidget* parent)
    : QDialog(parent), answers_(size_t(copies.size()), Answer::Later) {
    setWindowTitle(ErrorDisplay::ApplicationTitle());
    auto* layout = new QVBoxLayout(this);
    auto* question = new QLabel(text, this);
    question->setWordWrap(true);
    layout->addWidget(question);
    // Items are made as the list shows them: ten thousand copies are no
    // slower to ask about than ten.
    CopiesList = new QListWidget(this);
    CopiesList->setUniformItemSizes(true);
    for (const QString& copy : copies) {
        auto* item = new QListWidgetItem(copy, CopiesList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    layout->addWidget(CopiesList);
    auto* hint = new QLabel(tr("Uncheck the copies that you do not want back, then press "
                               "Restore Checked: the unchecked ones are discarded."),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* restoreAll = buttons->addButton(tr("&Restore All"), QDialogButtonBox::AcceptRole);
    QPushButton* discardAll =
        buttons->addButton(tr("&Discard All"), QDialogButtonBox::DestructiveRole);
    QPushButton* restoreChecked =
        buttons->addButton(tr("Restore &Checked"), QDialogButtonBox::ActionRole);
    restoreAll->setDefault(true);
    restoreAll->setFocus();
    layout->addWidget(buttons);
    connect(restoreAll, &QPushButton::clicked, this, [this] { Finish(true, Answer::Restore); });
    connect(discardAll, &QPushButton::clicked, this, [this] { Finish(true, Answer::Discard); });
    connect(restoreChecked, &QPushButton::clicked, this,
            [this] { Finish(false, Answer::Restore); });
}

void RecoveryDialog::Finish(bool all, Answer answer) {
    for (int row = 0; row < CopiesList->count(); ++row) {
        const bool checked = CopiesList->item(row)->checkState() == Qt::Checked;
        answers_[size_t(row)] = all || checked ? answer : Answer::Discard;
    }
    accept();
}

} // namespace sheafpad
