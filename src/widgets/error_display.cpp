// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/error_display.h"

#include "base/errors.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

namespace sheafpad {

namespace {
ErrorDisplay::Hook& CurrentHook() {
    static ErrorDisplay::Hook hook;
    return hook;
}

ErrorDisplay::Hook& InformationHook() {
    static ErrorDisplay::Hook hook;
    return hook;
}
} // namespace

QString AddClosingPeriod(const QString& text) {
    if (!text.isEmpty() && text.back() > QChar('.')) {
        return text + '.';
    }
    return text;
}

QString TitleFromProgramName(const QString& fileName) {
    QString name = fileName.section('.', 0, 0);
    if (name.size() > 1) {
        name = name.left(1) + name.mid(1).toLower();
    }
    return name;
}

QString ErrorDisplay::ApplicationTitle() {
    return TitleFromProgramName(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

void ErrorDisplay::Show(const QString& message) {
    const QString text = AddClosingPeriod(message);
    const QString title = ApplicationTitle();
    if (CurrentHook()) {
        CurrentHook()(title, text);
        return;
    }
    MakeBox(QMessageBox::Critical, text, QMessageBox::Ok, QApplication::activeWindow())->exec();
}

void ErrorDisplay::Inform(const QString& message) {
    const QString text = AddClosingPeriod(message);
    Hook& hook = InformationHook() ? InformationHook() : CurrentHook();
    if (hook) {
        hook(ApplicationTitle(), text);
        return;
    }
    MakeBox(QMessageBox::Information, text, QMessageBox::Ok, QApplication::activeWindow())->exec();
}

void ErrorDisplay::Inform(const std::string& messageBytes) {
    Inform(QString::fromUtf8(messageBytes.data(), qsizetype(messageBytes.size())));
}

void ErrorDisplay::SetInformationHook(Hook hook) {
    InformationHook() = std::move(hook);
}

std::unique_ptr<QMessageBox> ErrorDisplay::MakeBox(QMessageBox::Icon icon, const QString& text,
                                                   QMessageBox::StandardButtons buttons,
                                                   QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(icon, ApplicationTitle(), text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    // A plain-text box does not wrap its text by itself.
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        label->setWordWrap(true);
    }
    return box;
}

void ErrorDisplay::Show(const std::string& messageBytes) {
    Show(QString::fromUtf8(messageBytes.data(), qsizetype(messageBytes.size())));
}

void ErrorDisplay::Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const EAbort&) {
        // the user chose to stop; nothing to show
    } catch (const std::bad_alloc&) {
        Show(QStringLiteral("Out of memory"));
    } catch (const std::exception& error) {
        Show(std::string(error.what()));
    } catch (...) {
        Show(QStringLiteral("Unknown error"));
    }
}

void ErrorDisplay::SetHook(Hook hook) {
    CurrentHook() = std::move(hook);
}

} // namespace sheafpad
