// SPDX-License-Identifier: GPL-3.0-or-later
// The application object. Its notify() is the last line of defence: an
// exception that escapes a handler's guard is shown, never passed to Qt.
#pragma once

#include <QApplication>
#include <csignal>
#include <functional>
#include <iterator>

class QSocketNotifier;

namespace sheafpad {

class SheafpadApplication : public QApplication {
public:
    SheafpadApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Turns SIGTERM, SIGHUP, SIGINT (Ctrl+C in the starting terminal) and SIGQUIT
// into a call of handler on the user-interface
// thread (through a pipe written by the signal handler and watched by the
// event loop), so that the program can save before it ends. While one exists
// the signals no longer end the process by themselves; the previous
// dispositions come back when it is destroyed. One at a time.
class TerminationSignals {
public:
    explicit TerminationSignals(std::function<void()> handler);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    static void OnSignal(int signal);
    void Drain();

    // The requests to end that are handled; any other signal keeps its effect.
    static constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};

    std::function<void()> handler_;
    QSocketNotifier* notifier_ = nullptr;         // watches the pipe's read end
    struct sigaction old_[std::size(kSignals)]{}; // dispositions to restore
};

} // namespace sheafpad
