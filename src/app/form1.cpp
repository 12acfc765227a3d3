// Construction, start-up and shutdown of the main window.
#include "app/form1.h"

#include "widgets/error_display.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QListView>

namespace sheafpad {

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    CreateControls();
    SetTabOrder();
    SetToolTipDurations();
    ConnectHandlers();
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
    const QByteArray dir = QFile::encodeName(QCoreApplication::applicationDirPath());
    ExeDir = std::string(dir.constData(), size_t(dir.size()));
    if (ExeDir.empty() || ExeDir.back() != '/') {
        ExeDir += '/';
    }
    LoadedFName.clear();
    ReadSettings();
    filesLB->setFocus();
}

void TForm1::closeEvent(QCloseEvent* event) {
    bool mayClose = false;
    ErrorDisplay::Guard([&] { mayClose = FormClose(); });
    if (mayClose) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool TForm1::FormClose() {
    WriteSettings();
    SaveIfChanged();
    return true;
}

void TForm1::QuitButtonClick() {
    close();
}

} // namespace sheafpad
