// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/about_box.h"

#include "syntax/built_in_parts.h"
#include "widgets/utf8_text.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtGlobal>

namespace sheafpad {
namespace {

AboutBox::ShowHook& CurrentShowHook() {
    static AboutBox::ShowHook hook;
    return hook;
}

} // namespace

AboutBox::AboutBox(const QString& version, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(tr("About Sheafpad"));

    TitleLabel = new QLabel(tr("Sheafpad %1").arg(version), this);
    QFont big = TitleLabel->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    TitleLabel->setFont(big);
    auto* purpose =
        new QLabel(tr("Edit the many small files of one folder, one click after another."), this);
    LicenceLabel = new QLabel(
        tr("Copyright (C) 2026 the Sheafpad developers.\n"
           "Free software under the GNU General Public License, version 3 or (at your option) "
           "any later version (GPL-3.0-or-later). It comes with no warranty.\n"
           "Runs on Qt %1.")
            .arg(QString::fromLatin1(qVersion())),
        this);
    LicenceLabel->setWordWrap(true);
    LicenceLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* partsLabel = new QLabel(tr("&Built in:"), this);
    PartsText = new QPlainTextEdit(PartsNotice(), this);
    PartsText->setObjectName(QStringLiteral("PartsText"));
    PartsText->setReadOnly(true);
    PartsText->setAccessibleName(tr("Built in"));
    PartsText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    PartsText->setLineWrapMode(QPlainTextEdit::NoWrap);
    partsLabel->setBuddy(PartsText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    CloseButton = buttons->button(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TitleLabel);
    layout->addWidget(purpose);
    layout->addWidget(LicenceLabel);
    layout->addWidget(partsLabel);
    layout->addWidget(PartsText, 1);
    layout->addWidget(buttons);
    // Wide enough for the licence text's lines; never wider than the screen
    // allows (Qt keeps a dialog on its screen).
    const QFontMetrics metrics(PartsText->font());
    resize(metrics.horizontalAdvance(QLatin1Char('x')) * 84, metrics.lineSpacing() * 30);
    CloseButton->setFocus();
}

QString AboutBox::PartsNotice() {
    const auto parts = syntax::BuiltInParts();
    if (parts.empty()) {
        return tr("Nothing: this copy was built without syntax colours.");
    }
    QString text;
    for (const syntax::BuiltInPart& part : parts) {
        text += tr("%1 %2: the %3 grammar of tree-sitter and its queries\n"
                   "  Copyright (c) %4\n"
                   "  Licence: %5\n\n")
                    .arg(FromUtf8(part.name), FromUtf8(part.version), FromUtf8(part.what),
                         FromUtf8(part.copyright), FromUtf8(part.licence));
    }
    text += tr("The MIT licence of the parts above:\n\n") + FromUtf8(syntax::MitPermissionNotice());
    return text;
}

void AboutBox::SetShowHook(ShowHook hook) {
    CurrentShowHook() = std::move(hook);
}

void AboutBox::Show(const QString& version, QWidget* parent) {
    AboutBox box(version, parent);
    if (CurrentShowHook()) {
        CurrentShowHook()(box);
        return;
    }
    box.exec();
}

} // namespace sheafpad
