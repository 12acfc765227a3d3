// The application object. Its notify() is the last line of defence: an
// exception that escapes a handler's guard is shown, never passed to Qt.
#pragma once

#include <QApplication>

namespace sheafpad {

class SheafpadApplication : public QApplication {
public:
    SheafpadApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace sheafpad
