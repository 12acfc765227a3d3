// SPDX-License-Identifier: GPL-3.0-or-later
#include "e2e_util.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace sheafpad::e2e {

namespace {

std::vector<char*> Argv(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    return argv;
}

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
            int stdoutFd = -1) {
    // extraEnv wins over the inherited variables of the same names.
    std::vector<std::string> env = extraEnv;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry(*e);
        const std::string_view name = entry.substr(0, entry.find('=') + 1);
        if (std::none_of(extraEnv.begin(), extraEnv.end(),
                         [&](const std::string& extra) { return extra.starts_with(name); })) {
            env.emplace_back(entry);
        }
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    }
    pid_t pid = -1;
    auto argv = Argv(args);
    auto envp = Argv(env);
    int rc = posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        throw std::runtime_error("cannot start " + args[0]);
    }
    return pid;
}

// waitpid with a deadline; returns the exit status or -1.
int WaitFor(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        int status = 0;
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (done < 0 || std::chrono::steady_clock::now() > deadline) {
            return -1;
        }
        std::this_thread::sleep_for(20ms);
    }
}

} // namespace

std::string Run(const std::vector<std::string>& argv, int* exitCode) {
    int fds[2];
    if (::pipe(fds) != 0) {
        throw std::runtime_error("pipe");
    }
    pid_t pid = Spawn(argv, {}, fds[1]);
    ::close(fds[1]);
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) {
            out.append(buffer, size_t(n));
        }
    }
    ::close(fds[0]);
    int status = WaitFor(pid, 30s);
    if (exitCode != nullptr) {
        *exitCode = status;
    }
    return out;
}

XServer::XServer() {
    // Xvfb picks a free display itself and writes its number to the pipe once
    // it accepts connections, so parallel runs never race for a display.
    int fds[2];
    if (::pipe(fds) != 0) {
        throw std::runtime_error("pipe");
    }
    pid_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24",
                  "-nolisten", "tcp", "-noreset"},
                 {});
    ::close(fds[1]);
    std::string number;
    pollfd ready{fds[0], POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::poll(&ready, 1, 100) > 0) {
            char c;
            ssize_t n = ::read(fds[0], &c, 1);
            if (n <= 0 || c == '\n') {
                break;
            }
            number += c;
        }
    }
    ::close(fds[0]);
    if (number.empty()) {
        ::kill(pid_, SIGTERM);
        WaitFor(pid_, 5s);
        throw std::runtime_error("cannot start Xvfb");
    }
    display_ = ":" + number;
}

XServer::~XServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        WaitFor(pid_, 5s);
    }
}

bool XServer::Kill() {
    const bool killed = pid_ > 0 && ::kill(pid_, SIGKILL) == 0 && WaitFor(pid_, 5s) != -1;
    pid_ = -1;
    return killed;
}

namespace {

// The first line that fd gives within timeout, without its line break.
std::string ReadLine(int fd, std::chrono::milliseconds timeout) {
    std::string line;
    pollfd ready{fd, POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::poll(&ready, 1, 100) > 0) {
            char c;
            if (::read(fd, &c, 1) <= 0 || c == '\n') {
                break;
            }
            line += c;
        }
    }
    return line;
}

void Stop(pid_t pid) {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        WaitFor(pid, 5s);
    }
}

} // namespace

AccessibilityBus::AccessibilityBus(const XServer& server) {
    int fds[2];
    if (::pipe(fds) != 0) {
        throw std::runtime_error("pipe");
    }
    bus_ = Spawn(
        {"dbus-daemon", "--session", "--nofork", "--print-address=" + std::to_string(fds[1])}, {});
    ::close(fds[1]);
    const std::string address = ReadLine(fds[0], 10s);
    ::close(fds[0]);
    if (address.empty()) {
        Stop(bus_);
        throw std::runtime_error("cannot start a D-Bus session bus");
    }
    env_ = "DBUS_SESSION_BUS_ADDRESS=" + address;
    launcher_ = Spawn({"/usr/libexec/at-spi-bus-launcher", "--launch-immediately"},
                      {env_, "DISPLAY=" + server.display()});
    std::this_thread::sleep_for(300ms);
    if (WaitFor(launcher_, 0ms) != -1) {
        launcher_ = -1;
        Stop(bus_);
        throw std::runtime_error("at-spi-bus-launcher ended at once");
    }
}

AccessibilityBus::~AccessibilityBus() {
    Stop(launcher_); // it ends the accessibility bus, and with it the registry
    Stop(bus_);
}

WindowManager::WindowManager(const XServer& server) : display_(server.display()) {
    // twm cannot load its fonts in a UTF-8 locale ("unable to open fontset")
    // and exits at once; in the C locale it runs.
    pid_ = Spawn({"twm"}, {"DISPLAY=" + display_, "LANG=C", "LC_ALL=C"});
    std::this_thread::sleep_for(500ms); // let it take over the screen
}

WindowManager::~WindowManager() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        WaitFor(pid_, 5s);
    }
}

bool WindowManager::Running() {
    if (pid_ <= 0 || WaitFor(pid_, 0ms) != -1) {
        pid_ = -1; // it ended (or was never started)
        return false;
    }
    return true;
}

bool WindowManager::Frames(const std::string& window, std::chrono::milliseconds timeout) {
    // A managed window has been reparented into the manager's frame; an
    // unmanaged one stays a child of the root window.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        const std::string out =
            Run({"env", "DISPLAY=" + display_, "xwininfo", "-children", "-id", window});
        const size_t parent = out.find("Parent window id:");
        if (parent != std::string::npos &&
            out.find("(the root window)", parent) > out.find('\n', parent)) {
            return true;
        }
        std::this_thread::sleep_for(100ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

App::App(const XServer& server, const std::string& dir, const std::vector<std::string>& env,
         unsigned dirMode, const std::vector<std::string>& args)
    : display_(server.display()), dir_(dir) {
    const std::string exe = dir_ + "/Sheafpad";
    std::filesystem::copy_file(SheafpadBinary(), exe,
                               std::filesystem::copy_options::overwrite_existing);
    if (dirMode != 0) {
        std::filesystem::permissions(dir_, std::filesystem::perms(dirMode));
    }
    // The state folder (recovery copies) is the test's own, shared by every
    // start in the same directory.
    // English, whatever the desktop running the tests speaks, unless the
    // test names a language itself.
    std::vector<std::string> fullEnv = env;
    for (std::string wanted : {"DISPLAY=" + display_, std::string("QT_QPA_PLATFORM=xcb"),
                               "XDG_STATE_HOME=" + dir_ + "/.state", std::string("LC_ALL=C.UTF-8"),
                               std::string("LANGUAGE=")}) {
        const std::string name = wanted.substr(0, wanted.find('=') + 1);
        if (std::none_of(env.begin(), env.end(),
                         [&](const std::string& given) { return given.starts_with(name); })) {
            fullEnv.push_back(std::move(wanted));
        }
    }
    std::vector<std::string> argv = {exe};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = Spawn(argv, fullEnv);
}

App::~App() {
    if (Running()) {
        ::kill(pid_, SIGKILL);
        WaitFor(pid_, 5s);
    }
}

bool App::Running() {
    return pid_ > 0 && ::kill(pid_, 0) == 0 && WaitFor(pid_, 0ms) == -1;
}

void App::Signal(int signal) {
    ::kill(pid_, signal);
}

int App::WaitForExit(std::chrono::milliseconds timeout) {
    int status = WaitFor(pid_, timeout);
    if (status != -1) {
        pid_ = -1;
    }
    return status;
}

std::vector<std::string> App::Xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    return args;
}

bool App::WaitForWindow(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const std::string pid = std::to_string(pid_);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string out = Run({"env", "DISPLAY=" + display_, "xdotool", "search", "--onlyvisible",
                               "--pid", pid, "--name", "^Sheafpad$"});
        if (!out.empty()) {
            window_ = out.substr(0, out.find('\n'));
            Settle();
            return true;
        }
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

std::string App::WindowName() {
    std::string out = Run({"env", "DISPLAY=" + display_, "xdotool", "getwindowname", window_});
    while (!out.empty() && out.back() == '\n') {
        out.pop_back();
    }
    return out;
}

Geometry App::WindowGeometry() {
    // --shell prints X=, Y=, WIDTH=, HEIGHT= lines.
    std::string out =
        Run({"env", "DISPLAY=" + display_, "xdotool", "getwindowgeometry", "--shell", window_});
    Geometry g;
    auto value = [&](const std::string& key) {
        size_t at = out.find(key + "=");
        return at == std::string::npos ? 0 : std::atoi(out.c_str() + at + key.size() + 1);
    };
    g.x = value("X");
    g.y = value("Y");
    g.width = value("WIDTH");
    g.height = value("HEIGHT");
    return g;
}

void App::Key(const std::string& keys) {
    // Keys go to the focused window: synthetic events sent to a window are
    // ignored by Qt, so focus it first (there is no window manager to do it).
    Run({"env", "DISPLAY=" + display_, "xdotool", "windowfocus", window_, "key", keys});
    Settle(150ms);
}

void App::Type(const std::string& text, std::chrono::milliseconds settle) {
    Run({"env", "DISPLAY=" + display_, "xdotool", "windowfocus", window_, "type", "--delay", "30",
         text});
    Settle(settle);
}

void App::Click(int x, int y, int button) {
    Run({"env", "DISPLAY=" + display_, "xdotool", "mousemove", "--window", window_,
         std::to_string(x), std::to_string(y), "click", std::to_string(button)});
    Settle(200ms);
}

void App::DoubleClick(int x, int y) {
    Run({"env", "DISPLAY=" + display_, "xdotool", "mousemove", "--window", window_,
         std::to_string(x), std::to_string(y), "click", "--repeat", "2", "--delay", "80", "1"});
    Settle(200ms);
}

namespace {
// The list fills the left panel below the control panel (184 pixels, and
// 17 for the subfolder box under its last row).
constexpr int kListTop = 184 + 17;
} // namespace

void App::ClickListRow(int row) {
    Click(40, kListTop + 3 + 13 * row + 6);
}

int App::DarkPixels(int x, int y, int width, int height) {
    const Geometry g = WindowGeometry();
    const std::string crop = std::to_string(width) + "x" + std::to_string(height) + "+" +
                             std::to_string(g.x + x) + "+" + std::to_string(g.y + y);
    // "import ... txt:-" prints one line per pixel: "x,y: (r,g,b) ..." with 16-bit channels.
    const std::string out =
        Run({"env", "DISPLAY=" + display_, "import", "-window", "root", "-crop", crop, "txt:-"});
    int dark = 0;
    for (size_t at = out.find(": ("); at != std::string::npos; at = out.find(": (", at + 1)) {
        const long red = std::strtol(out.c_str() + at + 3, nullptr, 10);
        if (red < 32768) {
            ++dark;
        }
    }
    return dark;
}

int App::ListRowInk(int row) {
    return DarkPixels(10, kListTop + 3 + 13 * row + 1, 140, 11);
}

void App::Settle(std::chrono::milliseconds time) {
    std::this_thread::sleep_for(time);
}

std::string SheafpadBinary() {
    return SHEAFPAD_BINARY;
}

std::string Xdotool(const XServer& server, std::vector<std::string> args) {
    args.insert(args.begin(), {"env", "DISPLAY=" + server.display(), "xdotool"});
    return Run(args);
}

std::string FindWindow(const XServer& server, const std::string& name) {
    for (int tries = 0; tries < 100; ++tries) {
        const std::string out =
            Xdotool(server, {"search", "--onlyvisible", "--name", "^" + name + "$"});
        if (!out.empty()) {
            return out.substr(0, out.find('\n'));
        }
        std::this_thread::sleep_for(100ms);
    }
    return "";
}

std::string FindOtherWindow(const XServer& server, const std::string& name,
                            const std::string& except, int tries) {
    for (; tries > 0; --tries) {
        const std::string out =
            Xdotool(server, {"search", "--onlyvisible", "--name", "^" + name + "$"});
        for (size_t at = 0; at < out.size();) {
            const size_t end = out.find('\n', at);
            const std::string id = out.substr(at, end - at);
            if (!id.empty() && id != except) {
                return id;
            }
            at = end == std::string::npos ? out.size() : end + 1;
        }
        std::this_thread::sleep_for(100ms);
    }
    return "";
}

} // namespace sheafpad::e2e
