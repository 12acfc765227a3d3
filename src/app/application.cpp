// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"

#include "app/tooltip_style.h"
#include "widgets/error_display.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace sheafpad {
namespace {

// The self-pipe: the signal handler writes one byte, the event loop reads it.
int signalPipe[2] = {-1, -1};

} // namespace

SheafpadApplication::SheafpadApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The tool-tip delay is a style hint that Qt reads from each widget's
    // style, so it is set once for the whole application.
    setStyle(new ToolTipStyle); // the application takes ownership
}

bool SheafpadApplication::notify(QObject* receiver, QEvent* event) {
    bool result = false;
    ErrorDisplay::Guard([&] { result = QApplication::notify(receiver, event); });
    return result;
}

TerminationSignals::TerminationSignals(std::function<void()> handler)
    : handler_(std::move(handler)) {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return; // the signals keep their default effect
    }
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_, &QSocketNotifier::activated, [this] { Drain(); });
    struct sigaction action {};
    action.sa_handler = &TerminationSignals::OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &action, &old_[i]);
    }
}

TerminationSignals::~TerminationSignals() {
    if (notifier_ == nullptr) {
        return;
    }
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &old_[i], nullptr);
    }
    delete notifier_;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void TerminationSignals::OnSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a request; nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

void TerminationSignals::Drain() {
    char buffer[64];
    while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
    }
    handler_();
}

} // namespace sheafpad
