// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/rename_dialog.h"

#include "widgets/error_display.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace sheafpad {

namespace {
RenameDialog::RunHook& CurrentRunHook() {
    static RenameDialog::RunHook hook;
    return hook;
}
} // namespace

RenameDialog::RenameDialog(const QString& oldName, size_t references, size_t files, QWidget* parent)
    : QDialog(parent), oldName_(oldName), hasReferences_(references > 0) {
    setWindowTitle(ErrorDisplay::ApplicationTitle());
    setObjectName(QStringLiteral("RenameDialog"));
    auto* prompt = new QLabel(tr("Rename \"%1\" to:").arg(oldName), this);
    prompt->setTextFormat(Qt::PlainText);
    NameEdit = new QLineEdit(oldName, this);
    NameEdit->setAccessibleName(prompt->text());
    prompt->setBuddy(NameEdit);
    // The name without its extension is selected, ready to be typed over.
    const qsizetype dot = oldName.lastIndexOf('.');
    NameEdit->setSelection(0, dot > 0 ? dot : oldName.size());
    ReferencesLabel = new QLabel(ReferencesText(references, files), this);
    ReferencesLabel->setTextFormat(Qt::PlainText);
    ReferencesLabel->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(this);
    UpdateButton =
        buttons->addButton(tr("Rename and &update references"), QDialogButtonBox::AcceptRole);
    OnlyButton = buttons->addButton(tr("Rename &only"), QDialogButtonBox::AcceptRole);
    CancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    auto choose = [this](Choice choice) {
        choice_ = choice;
        accept();
    };
    connect(UpdateButton, &QPushButton::clicked, this,
            [choose] { choose(Choice::RenameAndUpdate); });
    connect(OnlyButton, &QPushButton::clicked, this, [choose] { choose(Choice::RenameOnly); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(NameEdit, &QLineEdit::textChanged, this, &RenameDialog::NameEdited);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(NameEdit);
    layout->addWidget(ReferencesLabel);
    layout->addWidget(buttons);
    NameEdited();
}

QString RenameDialog::ReferencesText(size_t references, size_t files) {
    if (references == 0) {
        return tr("No listed file refers to it.");
    }
    return tr("%1 %2 in %3 %4 would change.")
        .arg(references)
        .arg(references == 1 ? tr("reference") : tr("references"))
        .arg(files)
        .arg(files == 1 ? tr("file") : tr("files"));
}

void RenameDialog::NameEdited() {
    // A name that is empty or the old one renames nothing.
    const QString name = NameEdit->text();
    const bool renames = !name.isEmpty() && name != oldName_;
    UpdateButton->setEnabled(renames && hasReferences_);
    OnlyButton->setEnabled(renames);
    QPushButton* preferred = hasReferences_ ? UpdateButton : OnlyButton;
    preferred->setDefault(true);
    preferred->setAutoDefault(true);
}

RenameDialog::Answer RenameDialog::Run() {
    choice_ = Choice::Cancel;
    if (CurrentRunHook()) {
        CurrentRunHook()(*this);
    } else {
        NameEdit->setFocus();
        exec();
    }
    if (choice_ == Choice::Cancel) {
        return {};
    }
    return {choice_, NameEdit->text()};
}

void RenameDialog::SetRunHook(RunHook hook) {
    CurrentRunHook() = std::move(hook);
}

} // namespace sheafpad
