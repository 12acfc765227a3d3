// SPDX-License-Identifier: GPL-3.0-or-later
// Handing a file to the desktop's text editor: the default application for
// plain text, found as the desktop finds it, gets exactly the one path; with
// none registered, xdg-open is asked. GIO reads the desktop's folders once
// per process, so each desktop is tried in a child process of its own.
#include "platform/process.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace sheafpad::platform {
namespace {

// A desktop of the test's own: its data and config folders, and nothing of
// the system's.
class Desktop {
public:
    Desktop() {
        for (const char* sub : {"data/applications", "config", "system-data", "system-config"}) {
            std::filesystem::create_directories(root.file(sub));
        }
    }
    // Installs a stand-in program that writes its argument count and
    // arguments to a file named after it, and makes it the default for mime.
    void Register(const std::string& name, const std::string& mime) {
        const std::string program = root.file(name);
        const std::string record = Record(name);
        test::WriteFile(program, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"" + record +
                                     ".part\" && mv \"" + record + ".part\" \"" + record + "\"\n");
        ::chmod(program.c_str(), 0755);
        test::WriteFile(root.file("data/applications/" + name + ".desktop"),
                        "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=\"" + program +
                            "\" %f\nMimeType=" + mime + ";\n");
        std::ofstream(root.file("config/mimeapps.list"), std::ios::app)
            << "[Default Applications]\n"
            << mime << "=" + name + ".desktop\n";
    }
    std::string Record(const std::string& name) const { return root.file(name + ".argv"); }
    // Runs body in a child process that sees only this desktop.
    void RunInChild(const std::function<void()>& body) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::setenv("XDG_DATA_HOME", root.file("data").c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", root.file("config").c_str(), 1);
            ::setenv("XDG_DATA_DIRS", root.file("system-data").c_str(), 1);
            ::setenv("XDG_CONFIG_DIRS", root.file("system-config").c_str(), 1);
            ::unsetenv("XDG_CURRENT_DESKTOP");
            body();
            ::_exit(0);
        }
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    test::TempDir root;
};

// What the hook saw, one line per item, written by the child.
void RecordHookCalls(const std::string& record) {
    SetStartDetachedHook(
        [record](const std::string& program, const std::vector<std::string>& args) {
            std::ofstream out(record, std::ios::app);
            out << program << '\n';
            for (const std::string& arg : args) {
                out << arg << '\n';
            }
            return std::string();
        });
}

std::string WaitForFile(const std::string& path) {
    for (int i = 0; i < 500 && !test::FileExists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return test::FileExists(path) ? test::ReadFile(path) : std::string("(nothing)");
}

TEST(OpenInTextEditor, TheDefaultEditorForPlainTextGetsTheOnePath) {
    Desktop desktop;
    desktop.Register("stand-in editor", "text/plain");
    desktop.Register("browser", "text/html");
    // A web page: its own type would open the browser, plain text the editor.
    const std::string page = desktop.root.file("my \"site\" $(x) page's.html");
    test::WriteFile(page, "<p>");
    desktop.RunInChild([&] {
        RecordHookCalls(desktop.root.file("hook"));
        OpenInTextEditor(page);
        SetStartDetachedHook(nullptr);
        OpenInTextEditor(page);
    });
    EXPECT_EQ(test::ReadFile(desktop.root.file("hook")),
              desktop.root.file("stand-in editor") + "\n" + page + "\n")
        << "the hook sees the editor and the path";
    EXPECT_EQ(WaitForFile(desktop.Record("stand-in editor")), "1\n" + page + "\n")
        << "started once, after the hook was gone";
    EXPECT_FALSE(test::FileExists(desktop.Record("browser")));
}

TEST(OpenInTextEditor, WithoutARegisteredEditorXdgOpenIsAsked) {
    Desktop desktop;
    const std::string page = desktop.root.file("page.html");
    desktop.RunInChild([&] {
        RecordHookCalls(desktop.root.file("hook"));
        OpenInTextEditor(page);
    });
    EXPECT_EQ(test::ReadFile(desktop.root.file("hook")), "xdg-open\n" + page + "\n");
}

// Sheafpad's menu entry offers it for web pages: a desktop that would hand
// the file back to Sheafpad (as its editor for plain text, or through
// xdg-open by the page's own type) is told, and nothing starts.
TEST(OpenInTextEditor, NeverHandsTheFileBackToSheafpad) {
    const std::string self = "io.github.sheafpad.sheafpad";
    for (const std::string mime : {"text/plain", "text/html"}) {
        Desktop desktop;
        // The system's file types, for the page's own type.
        std::filesystem::create_directory_symlink("/usr/share/mime",
                                                  desktop.root.file("system-data/mime"));
        desktop.Register(self, mime);
        const std::string page = desktop.root.file("page.html");
        test::WriteFile(page, "<p>");
        desktop.RunInChild([&] {
            RecordHookCalls(desktop.root.file("hook"));
            std::ofstream(desktop.root.file("reason")) << OpenInTextEditor(page);
        });
        EXPECT_NE(test::ReadFile(desktop.root.file("reason")).find("Sheafpad itself"),
                  std::string::npos)
            << mime;
        EXPECT_FALSE(test::FileExists(desktop.root.file("hook"))) << mime << ": something started";
    }
}

// An editor that cannot start says why: a missing program, or one that
// needs a terminal (as vim's entry does) where the desktop has none; with no
// editor at all, a missing xdg-open.
TEST(OpenInTextEditor, AnEditorThatCannotStartGivesTheReason) {
    for (const std::string entry :
         {"Exec=/nonexistent/editor %f\n", "Exec=sh -c true %f\nTerminal=true\n", ""}) {
        Desktop desktop;
        if (!entry.empty()) {
            test::WriteFile(desktop.root.file("data/applications/ed.desktop"),
                            "[Desktop Entry]\nType=Application\nName=ed\n" + entry +
                                "MimeType=text/plain;\n");
            test::WriteFile(desktop.root.file("config/mimeapps.list"),
                            "[Default Applications]\ntext/plain=ed.desktop\n");
        }
        const std::string page = desktop.root.file("page.txt");
        desktop.RunInChild([&] {
            ::setenv("PATH", desktop.root.file("no-programs").c_str(),
                     1); // no terminal, no xdg-open
            std::ofstream(desktop.root.file("reason")) << OpenInTextEditor(page);
        });
        EXPECT_NE(test::ReadFile(desktop.root.file("reason")), "") << entry;
    }
}

} // namespace
} // namespace sheafpad::platform
