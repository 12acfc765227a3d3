// SPDX-License-Identifier: GPL-3.0-or-later
// The one place where failures are shown to the user: a modal message box
// titled with the application title, with the critical icon and one OK
// button; and notes that tell of no failure, with the information icon.
// Tests replace the boxes with hooks.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace sheafpad {

class ErrorDisplay {
public:
    using Hook = std::function<void(const QString& title, const QString& message)>;

    // Shows message (a period added by the rule of AddClosingPeriod).
    static void Show(const QString& message);
    static void Show(const std::string& messageBytes);

    // Runs handler; any exception it throws is shown (EAbort is not) and then swallowed, so
    // that nothing crosses Qt's event loop. Every event handler runs through it.
    static void Guard(const std::function<void()>& handler);

    // With a hook set, Show calls it instead of opening a box (for tests).
    static void SetHook(Hook hook);

    // Tells something that went well or was put right (the information
    // icon), as Show does otherwise. Goes to the information hook when one
    // is set, else to the hook of Show, so that no test blocks on it.
    static void Inform(const QString& message);
    static void Inform(const std::string& messageBytes);
    static void SetInformationHook(Hook hook);

    // A message box of the program's: its title, the text as plain text
    // wrapped at the box's edge (a long path or reason is never cut off).
    static std::unique_ptr<QMessageBox> MakeBox(QMessageBox::Icon icon, const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QWidget* parent);

    // The application title: the program file's name up to its first period,
    // first character kept, the rest lower-cased.
    static QString ApplicationTitle();
};

// Adds "." when text is not empty and its last character sorts after ".".
QString AddClosingPeriod(const QString& text);

// The title rule, applied to a program file's name.
QString TitleFromProgramName(const QString& fileName);

} // namespace sheafpad
