// Program entry: the application, the main window, the event loop.
#include "app/application.h"
#include "app/form1.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    // Without a display Qt would abort with a toolkit message; say it plainly.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr) {
        std::fprintf(stderr, "Sheafpad needs a graphical display, and none was found "
                             "(DISPLAY is not set).\nRun it from a desktop session, or start a "
                             "virtual one: xvfb-run ./Sheafpad\n");
        return 1;
    }
    sheafpad::SheafpadApplication app(argc, argv);
    sheafpad::TForm1 form;
    form.show();
    return app.exec();
}
