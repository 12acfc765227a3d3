// SPDX-License-Identifier: GPL-3.0-or-later
// The "About Sheafpad" box: the version, the program's licence, and the
// parts of others built into it with their copyright and licence (whose
// notices must go with every copy).
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace sheafpad {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(const QString& version, QWidget* parent = nullptr);

    QLabel* TitleLabel = nullptr;        // "Sheafpad <version>"
    QLabel* LicenceLabel = nullptr;      // the program's copyright and licence
    QPlainTextEdit* PartsText = nullptr; // the built-in parts and their notices
    QPushButton* CloseButton = nullptr;

    // The text of PartsText: each part with its version, copyright and
    // licence, then the licences' own text; a line saying none without them.
    static QString PartsNotice();

    // Tests: with a hook set, Show hands it the live box instead of showing
    // it modally.
    using ShowHook = std::function<void(AboutBox&)>;
    static void SetShowHook(ShowHook hook);
    // Shows the box modally over parent (or runs the hook).
    static void Show(const QString& version, QWidget* parent);
};

} // namespace sheafpad
