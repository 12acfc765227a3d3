// SPDX-License-Identifier: GPL-3.0-or-later
// Program entry: the application, the main window, the event loop.
#include "app/application.h"
#include "app/command_line.h"
#include "app/form1.h"
#include "base/app_id.h"
#include "base/user_text.h"
#include "widgets/translations.h"

#include <QIcon>
#include <QSessionManager>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The program's name as it was called, for its messages ("sheafpad").
std::string CommandName(int argc, char** argv) {
    const std::string called = argc > 0 && argv[0] != nullptr ? argv[0] : "sheafpad";
    const size_t slash = called.rfind('/');
    return slash == std::string::npos ? called : called.substr(slash + 1);
}

} // namespace

int main(int argc, char** argv) {
    // The user's language, for the command line's texts as well.
    sheafpad::Translations translations(QLocale::system());
    translations.Install();
    // The command line first: --help and --version need no display.
    const sheafpad::CommandLine commandLine =
        sheafpad::ParseCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    switch (commandLine.action) {
    case sheafpad::CommandLine::Action::Help:
        std::fputs(sheafpad::HelpText(CommandName(argc, argv)).c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case sheafpad::CommandLine::Action::Version:
        std::fputs(sheafpad::VersionText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case sheafpad::CommandLine::Action::Error:
        std::fputs(sheafpad::ErrorText(CommandName(argc, argv), commandLine.error).c_str(), stderr);
        return 2;
    case sheafpad::CommandLine::Action::Run:
        break;
    }
    // Without a display Qt would abort with a toolkit message; say it plainly.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr) {
        // The command as the user typed it (sheafpad, Sheafpad, ./Sheafpad).
        const char* command = argc > 0 && argv[0] != nullptr ? argv[0] : "sheafpad";
        std::fputs(sheafpad::FillIn(sheafpad::UserText(
                                        "CommandLine",
                                        "Sheafpad needs a graphical display, and none was found "
                                        "(DISPLAY is not set).\nRun it from a desktop session, or "
                                        "start a virtual one: xvfb-run %1\n"),
                                    {command})
                       .c_str(),
                   stderr);
        return 1;
    }
    // Qt sees only the program's name, so its own options (-reverse,
    // -qwindowgeometry, ...) are no options of this program.
    char fallbackName[] = "Sheafpad";
    char* qtArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : fallbackName, nullptr};
    int qtArgc = 1;
    sheafpad::SheafpadApplication app(qtArgc, qtArgv);
    translations.Install(); // the windows' texts and Qt's own, now that there is an application
    // Ties the window to the installed menu entry and its icon (data/), so
    // that docks and task switchers show Sheafpad's name and icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(sheafpad::kAppId));
    QGuiApplication::setWindowIcon(QIcon::fromTheme(QString::fromLatin1(sheafpad::kAppId)));
    sheafpad::TForm1 form;
    form.OpenAtStart(commandLine.folder, commandLine.fileName);

    // Asked to end (SIGTERM, SIGHUP, SIGINT, SIGQUIT): save the changed file, then end without
    // writing the settings. When the save fails the user is told and the
    // program stays, so the edit is not lost.
    sheafpad::TerminationSignals endRequests([&form] {
        if (form.EndOnSignal()) {
            QCoreApplication::exit(0);
        }
    });
#ifndef QT_NO_SESSIONMANAGER
    // The session is ending (log-off, shut-down): the same save. A failure
    // that the user may be told about cancels the log-off.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager& manager) {
                         const bool mayInteract = manager.allowsInteraction();
                         if (!form.SaveForEndOfSession(mayInteract) && mayInteract) {
                             manager.cancel();
                         }
                         if (mayInteract) {
                             manager.release();
                         }
                     });
#endif
    form.show();
    // Once the window is up: recovery copies from here on, and the question
    // for each copy that a run which ended abruptly left behind.
    QTimer::singleShot(0, &form, [&form] { form.StartRecovery(); });
    return app.exec();
}
