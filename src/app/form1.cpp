// SPDX-License-Identifier: GPL-3.0-or-later
// Construction, start-up and shutdown of the main window.
#include "app/form1.h"

#include "app/search_controller.h"

#include "platform/file_io.h"
#include "platform/program_file.h"
#include "widgets/error_display.h"
#include "widgets/syntax_colouring.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QListView>
#include <QScopeGuard>
#include <cstdio>

namespace sheafpad {

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    CreateControls();
    SetTabOrder();
    SetToolTipDurations();
    ConnectHandlers();
    ConnectRecovery();
    ConnectSearch();
    ConnectSite();
    ConnectLinks();
    AddAboutEntry();
    SetOuterBounds(QRect(268, 116, 924, 480));
}

TForm1::~TForm1() = default;

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        // Runs before the window is first on screen.
        shown_ = true;
        ErrorDisplay::Guard([this] { FormShow(); });
    }
}

void TForm1::FormShow() {
    // Undo what a crash in the middle of an in-place save left, before any file is read.
    std::string unreadableIn;
    int unreadable = 0;
    for (const platform::InterruptedSave& save : platform::RestoreInterruptedSaves()) {
        if (save.outcome == platform::InterruptedSave::Outcome::Unreadable) {
            ++unreadable;
            unreadableIn = save.keptAt.substr(0, save.keptAt.rfind('/'));
        } else if (save.outcome == platform::InterruptedSave::Outcome::Undone) {
            ErrorDisplay::Inform(save.Message()); // put right: nothing is wrong now
        } else if (!save.Message().empty()) {
            ErrorDisplay::Show(save.Message());
        }
    }
    if (unreadable > 0) {
        // Once, for all of them: set aside, they are not looked at again.
        ErrorDisplay::Show(std::to_string(unreadable) +
                           " backup(s) of interrupted saves could not be read, and were set "
                           "aside in \"" +
                           unreadableIn + "\" under names that begin with \"unreadable-\"");
    }
    ExeDir = platform::ProgramDirectory();
    if (ExeDir.empty()) {
        // The system could not tell: ask Qt, which may not keep every byte.
        const QByteArray dir = QFile::encodeName(QCoreApplication::applicationDirPath());
        ExeDir = std::string(dir.constData(), size_t(dir.size())) + '/';
    }
    LoadedFName.clear();
    ReadSettings();
    filesLB->setFocus();
    ApplyStartPlace();
}

void TForm1::OpenAtStart(std::string folder, std::string fileName) {
    startFolder_ = std::move(folder);
    startName_ = std::move(fileName);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (sessionEnd_.TakesThisClose()) {
        event->accept(); // the changed file is saved; settings are not written now
        return;
    }
    if (search_->Busy()) {
        // Nothing is left half done: the change stops after the file being
        // written, and the window closes when it has.
        if (AskQuestion(tr("Files are being changed. Stop after the file being written, and "
                           "close?"))) {
            closeAfterRun_ = true;
            search_->Runner().Cancel();
        }
        event->ignore();
        return;
    }
    bool mayClose = false;
    ErrorDisplay::Guard([&] { mayClose = FormClose(); });
    if (mayClose) {
        pendingBounds_.reset();
        event->accept();
    } else {
        event->ignore();
    }
}

bool TForm1::FormClose() {
    // A failed settings write is shown first; then the user may still leave,
    // without the settings but never without the changed file.
    bool written = false;
    ErrorDisplay::Guard([&] {
        WriteSettings();
        written = true;
    });
    if (!written && !AskQuitWithoutSettings()) {
        return false;
    }
    SaveIfChanged(); // a failure keeps the window open, the message shown
    return true;
}

void TForm1::QuitButtonClick() {
    close();
}

bool TForm1::SaveForEndOfSession(bool mayInteract) {
    // No question may be asked now, even where a message may be shown.
    noQuestions_ = true;
    search_->Runner().CancelAndWait(); // every file old or new, the record as the files are
    const auto resume = qScopeGuard([this] { noQuestions_ = false; });
    // On disk first, and kept unless the save writes the file.
    const bool copied = HoldRecoveryCopy();
    bool saved = false;
    if (mayInteract) {
        ErrorDisplay::Guard([&] {
            SaveIfChanged();
            saved = true;
        });
    } else {
        // No window may be shown now: the reason goes where a session's
        // messages go.
        try {
            SaveIfChanged();
            saved = true;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "Sheafpad: %s\n", error.what());
        }
    }
    EndRecoveryHold(saved);
    // Where nobody may be told, an edit that could not be written is safe in
    // its recovery copy, offered at the next start: the ending session's
    // close must not stop at the question before a write.
    if (saved || (copied && !mayInteract)) {
        sessionEnd_.Arm();
    }
    return saved;
}

bool TForm1::EndOnSignal() {
    if (SaveForEndOfSession(false) || sessionEnd_.Armed()) {
        return true;
    }
    // Neither written nor copied: say why where the user sees it, and stay.
    return SaveForEndOfSession(true);
}

} // namespace sheafpad
