#include "app/application.h"

#include "widgets/error_display.h"

namespace sheafpad {

SheafpadApplication::SheafpadApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool SheafpadApplication::notify(QObject* receiver, QEvent* event) {
    bool result = false;
    ErrorDisplay::Guard([&] { result = QApplication::notify(receiver, event); });
    return result;
}

} // namespace sheafpad
