// SPDX-License-Identifier: GPL-3.0-or-later
// Program entry: the application, the main window, the event loop.
#include "app/application.h"
#include "app/form1.h"
#include "base/app_id.h"

#include <QIcon>
#include <QSessionManager>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    // Without a display Qt would abort with a toolkit message; say it plainly.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr) {
        // The command as the user typed it (sheafpad, Sheafpad, ./Sheafpad).
        const char* command = argc > 0 && argv[0] != nullptr ? argv[0] : "sheafpad";
        std::fprintf(stderr,
                     "Sheafpad needs a graphical display, and none was found "
                     "(DISPLAY is not set).\nRun it from a desktop session, or start a "
                     "virtual one: xvfb-run %s\n",
                     command);
        return 1;
    }
    // The program has no command line: Qt sees only the program's name, so
    // its own options (-reverse, -qwindowgeometry, ...) have no effect.
    char fallbackName[] = "Sheafpad";
    char* qtArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : fallbackName, nullptr};
    int qtArgc = 1;
    sheafpad::SheafpadApplication app(qtArgc, qtArgv);
    // Ties the window to the installed menu entry and its icon (data/), so
    // that docks and task switchers show Sheafpad's name and icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(sheafpad::kAppId));
    QGuiApplication::setWindowIcon(QIcon::fromTheme(QString::fromLatin1(sheafpad::kAppId)));
    sheafpad::TForm1 form;

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
