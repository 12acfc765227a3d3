// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end harness: a private X server (Xvfb), the real Sheafpad binary
// started in a scratch directory of its own, and xdotool to drive it with
// keys and clicks as a person would.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace sheafpad::e2e {

using namespace std::chrono_literals;

// Runs a program to completion and returns its standard output.
std::string Run(const std::vector<std::string>& argv, int* exitCode = nullptr);

// An Xvfb server on a free display, stopped on destruction.
class XServer {
public:
    XServer();
    ~XServer();
    const std::string& display() const { return display_; }
    // Ends the server at once, as a crash would; true when it was running.
    bool Kill();

private:
    std::string display_;
    pid_t pid_ = -1;
};

// A window manager (twm) on the server, stopped on destruction. Throws when
// it cannot be started.
class WindowManager {
public:
    explicit WindowManager(const XServer& server);
    ~WindowManager();
    // Still running (twm ends at once when it cannot set itself up).
    bool Running();
    // Waits until the manager has framed window (an X window id).
    bool Frames(const std::string& window, std::chrono::milliseconds timeout = 5s);

private:
    std::string display_;
    pid_t pid_ = -1;
};

// A D-Bus session bus of the test's own with the accessibility bus on it
// (at-spi-bus-launcher, which starts the registry), as a desktop session has
// for screen readers; both stopped on destruction. Throws when either cannot
// be started.
class AccessibilityBus {
public:
    explicit AccessibilityBus(const XServer& server);
    ~AccessibilityBus();
    // DBUS_SESSION_BUS_ADDRESS=..., for the programs that use the bus.
    const std::string& env() const { return env_; }

private:
    std::string env_;
    pid_t bus_ = -1;
    pid_t launcher_ = -1;
};

// The window's place on the screen (there is no window manager, so no frame).
struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

// A running Sheafpad. The binary is copied into dir, so that its settings
// file Sheafpad.ini lives there and nowhere else; its state folder
// (XDG_STATE_HOME) is dir/.state.
class App {
public:
    // env: NAME=value entries that the program sees in place of the tests'
    // own. dirMode: when nonzero, dir gets these permission bits after the
    // copy (0555: a folder that the program cannot write, as /usr/bin).
    // args follow the program's name on its command line.
    App(const XServer& server, const std::string& dir, const std::vector<std::string>& env = {},
        unsigned dirMode = 0, const std::vector<std::string>& args = {});
    ~App(); // kills the program if it still runs

    // Waits for the main window to be mapped; returns false on time-out.
    bool WaitForWindow(std::chrono::milliseconds timeout = 30s);
    // Waits for the process to end; returns its exit status, or -1 on time-out.
    int WaitForExit(std::chrono::milliseconds timeout = 10s);
    bool Running();
    void Signal(int signal);

    std::string WindowName();
    Geometry WindowGeometry();

    // Input, sent to the app's window. keys are xdotool key names ("alt+q").
    void Key(const std::string& keys);
    // settle: how long to wait after the last key.
    void Type(const std::string& text, std::chrono::milliseconds settle = 150ms);
    // A click at a point of the window's client area.
    void Click(int x, int y, int button = 1);
    void DoubleClick(int x, int y);
    // A click on row `row` of the file list (rows are 13 pixels high).
    void ClickListRow(int row);
    // How many pixels of a rectangle of the client area are dark (text on a
    // light background), read from a screenshot of the screen.
    int DarkPixels(int x, int y, int width, int height);
    // Dark pixels of row `row` of the file list: nonzero when a name is shown there.
    int ListRowInk(int row);
    // Waits until all events so far are handled (a round trip through X and Qt).
    void Settle(std::chrono::milliseconds time = 300ms);

    std::string windowId() const { return window_; }
    std::string exeDir() const { return dir_; }

private:
    std::vector<std::string> Xdotool(std::vector<std::string> args);
    std::string display_;
    std::string dir_;
    std::string window_;
    pid_t pid_ = -1;
};

// Path of the built Sheafpad binary (set by CMake).
std::string SheafpadBinary();

// Runs xdotool with args on server's display; returns what it printed.
std::string Xdotool(const XServer& server, std::vector<std::string> args);
// The id of the visible window named name exactly, or "" after 10 s.
std::string FindWindow(const XServer& server, const std::string& name);
// The id of a visible window named name exactly other than except (a message
// box titled as the main window), looked for up to tries times 100 ms; "" when
// there is none.
std::string FindOtherWindow(const XServer& server, const std::string& name,
                            const std::string& except, int tries = 50);

} // namespace sheafpad::e2e
