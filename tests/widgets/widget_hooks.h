// SPDX-License-Identifier: GPL-3.0-or-later
// Stand-ins for the person at the modal parts of the widgets, so that no test
// blocks: the error display's message box and the folder dialog. Test
// fixtures inherit them to have their fields at hand.
#pragma once

#include "platform/working_dir.h"
#include "widgets/error_display.h"
#include "widgets/select_dir_dialog.h"

#include <functional>
#include <string>
#include <vector>

namespace sheafpad::test {

// Collects the messages the error display would show, while it lives: the
// errors, and apart from them the notes of what went well.
class ErrorCapture {
public:
    ErrorCapture() {
        ErrorDisplay::SetHook([this](const QString&, const QString& message) {
            errors.push_back(message.toStdString());
        });
        ErrorDisplay::SetInformationHook([this](const QString&, const QString& message) {
            informed.push_back(message.toStdString());
        });
    }
    ~ErrorCapture() {
        ErrorDisplay::SetHook(nullptr);
        ErrorDisplay::SetInformationHook(nullptr);
    }
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    std::vector<std::string> errors;   // UTF-8, in the order shown
    std::vector<std::string> informed; // the same
};

// Answers the folder dialog: each browse runs `answer` with the live dialog
// (none: the dialog is cancelled). Browsing may change the working
// directory, which is put back at the end.
class DirDialogAnswers {
public:
    DirDialogAnswers() {
        TSelectDirDlg::SetRunHook([this](TSelectDirDlg& dlg) {
            ++browses;
            startedAt = dlg.Directory();
            if (answer) {
                answer(dlg);
            }
        });
    }
    ~DirDialogAnswers() {
        TSelectDirDlg::SetRunHook(nullptr);
        platform::SetWorkingDir(savedCwd);
    }
    DirDialogAnswers(const DirDialogAnswers&) = delete;
    DirDialogAnswers& operator=(const DirDialogAnswers&) = delete;

    std::string savedCwd = platform::WorkingDir();
    std::function<void(TSelectDirDlg&)> answer;
    int browses = 0;
    std::string startedAt; // the folder the dialog opened at
};

} // namespace sheafpad::test
