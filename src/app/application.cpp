#include "app/application.h"

#include "app/tooltip_style.h"
#include "widgets/error_display.h"

namespace sheafpad {

SheafpadApplication::SheafpadApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setStyle(new ToolTipStyle); // the application takes ownership
}

bool SheafpadApplication::notify(QObject* receiver, QEvent* event) {
    bool result = false;
    ErrorDisplay::Guard([&] { result = QApplication::notify(receiver, event); });
    return result;
}

} // namespace sheafpad
