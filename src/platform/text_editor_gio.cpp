// The desktop's text editor, looked up through GIO as the desktop itself does
// it: the user's and the system's mimeapps.list and the installed desktop
// entries. GIO also reads the entry's Exec line, field codes and all, and
// starts the program without a shell and without leaving a child to reap.
#include "platform/process.h"

#include <gio/gio.h>

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

} // namespace

void OpenInTextEditor(const std::string& path) {
    GAppInfo* editor = g_app_info_get_default_for_type(kPlainText, FALSE);
    if (editor == nullptr) {
        StartDetached("xdg-open", {path});
        return;
    }
    if (!detail::RunStartDetachedHook(ProgramOf(editor), {path})) {
        GFile* file = g_file_new_for_path(path.c_str());
        GList files{file, nullptr, nullptr};
        // A failure to start is not reported (no GError asked for).
        g_app_info_launch(editor, &files, nullptr, nullptr);
        g_object_unref(file);
    }
    g_object_unref(editor);
}

} // namespace sheafpad::platform
