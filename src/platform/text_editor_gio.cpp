// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's text editor, looked up through GIO as the desktop itself does
// it: the user's and the system's mimeapps.list and the installed desktop
// entries. GIO also reads the entry's Exec line, field codes and all, and
// starts the program without a shell and without leaving a child to reap.
// Never Sheafpad itself, though its entry offers it for the web's file types.
#include "platform/process.h"

#include "base/app_id.h"

#include <gio/gio.h>
#include <string>

namespace sheafpad::platform {
namespace {

// A text editor, not whatever the file's own type would open (a web page's
// type opens the web browser).
constexpr const char* kPlainText = "text/plain";

// The program that the entry's command line starts, unquoted as GIO unquotes
// it at the start (g_app_info_get_executable splits at the first blank even
// inside quotation marks).
std::string ProgramOf(GAppInfo* app) {
    std::string program;
    gchar** argv = nullptr;
    const char* commandLine = g_app_info_get_commandline(app);
    if (commandLine != nullptr && g_shell_parse_argv(commandLine, nullptr, &argv, nullptr)) {
        program = argv[0];
        g_strfreev(argv);
    }
    return program;
}

// Sheafpad's own menu entry offers it for web pages and scripts: handing the
// file to it would open a second Sheafpad, not a text editor.
bool IsThisProgram(GAppInfo* app) {
    const char* id = app != nullptr ? g_app_info_get_id(app) : nullptr;
    return id != nullptr && std::string(id) == std::string(kAppId) + ".desktop";
}

// Whether the desktop opens the file at path, by its own type, in Sheafpad.
bool OpensInThisProgram(const std::string& path) {
    gchar* type = g_content_type_guess(path.c_str(), nullptr, 0, nullptr);
    GAppInfo* app = type != nullptr ? g_app_info_get_default_for_type(type, FALSE) : nullptr;
    const bool self = IsThisProgram(app);
    if (app != nullptr) {
        g_object_unref(app);
    }
    g_free(type);
    return self;
}

} // namespace

std::string OpenInTextEditor(const std::string& path) {
    std::string reason;
    GAppInfo* editor = g_app_info_get_default_for_type(kPlainText, FALSE);
    if (IsThisProgram(editor)) {
        g_object_unref(editor);
        return "The desktop's application for plain text is Sheafpad itself; choose a text "
               "editor for plain text files";
    }
    if (editor == nullptr) {
        if (OpensInThisProgram(path)) {
            return "No text editor is set for plain text files, and the desktop would open the "
                   "file in Sheafpad itself";
        }
        StartDetached("xdg-open", {path}, &reason);
        return reason;
    }
    if (!detail::RunStartDetachedHook(ProgramOf(editor), {path}, &reason)) {
        GFile* file = g_file_new_for_path(path.c_str());
        GList files{file, nullptr, nullptr};
        // GIO tells when the program cannot be run, or when it needs a
        // terminal (Terminal=true, as vim's entry) and none is installed.
        GError* error = nullptr;
        if (!g_app_info_launch(editor, &files, nullptr, &error)) {
            reason = error != nullptr ? error->message : "The text editor could not be started";
        }
        g_clear_error(&error);
        g_object_unref(file);
    }
    g_object_unref(editor);
    return reason;
}

} // namespace sheafpad::platform
