// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/error_display.h"

#include "base/errors.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace sheafpad {

namespace {
ErrorDisplay::Hook& CurrentHook() {
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
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
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
