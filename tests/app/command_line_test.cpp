// SPDX-License-Identifier: GPL-3.0-or-later
// The command line: a folder, a file in its folder, --help and --version, and
// a clear error for anything else.
#include "app/command_line.h"
#include "platform/working_dir.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace sheafpad {
namespace {

using Action = CommandLine::Action;
using test::TempDir;
using test::WriteFile;

TEST(CommandLine, AFolderOrAFileInItsFolderRelativeToTheWorkingDirectory) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("site").c_str(), 0755), 0);
    WriteFile(dir.file("site/page.htm"), "x");
    WriteFile(dir.file("site/-x.css"), "x");
    const std::string cwd = platform::WorkingDir();
    ASSERT_EQ(platform::SetWorkingDir(dir.file("site")), 0);

    const CommandLine none = ParseCommandLine({});
    EXPECT_EQ(none.action, Action::Run);
    EXPECT_EQ(none.folder, "") << "without arguments the stored folder stays";

    const CommandLine folder = ParseCommandLine({"../site/./"});
    EXPECT_EQ(folder.action, Action::Run);
    EXPECT_EQ(folder.folder, dir.file("site")) << "absolute, without . .. or a trailing /";
    EXPECT_EQ(folder.fileName, "");

    const CommandLine file = ParseCommandLine({"page.htm"});
    EXPECT_EQ(file.action, Action::Run);
    EXPECT_EQ(file.folder, dir.file("site"));
    EXPECT_EQ(file.fileName, "page.htm");
    // After "--" a name that begins with "-" is a file, not an option.
    const CommandLine dashed = ParseCommandLine({"--", "-x.css"});
    EXPECT_EQ(dashed.folder, dir.file("site"));
    EXPECT_EQ(dashed.fileName, "-x.css");
    const CommandLine root = ParseCommandLine({"/"});
    EXPECT_EQ(root.folder, "/");

    ASSERT_EQ(platform::SetWorkingDir(cwd), 0);
}

TEST(CommandLine, HelpAndVersionWinAnythingElseIsAnErrorThatSaysWhat) {
    TempDir dir;
    WriteFile(dir.file("a.htm"), "x");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);

    EXPECT_EQ(ParseCommandLine({"--help"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"-h"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({dir.file("a.htm"), "--version"}).action, Action::Version);
    EXPECT_EQ(ParseCommandLine({"--version", "--help"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"--", "--help"}).action, Action::Error) << "a file named --help";

    struct Case {
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {{"-x"}, "unknown option \"-x\""},
        {{"--help=1"}, "unknown option \"--help=1\""},
        {{dir.path(), dir.file("a.htm")}, "one folder or one file, not 2"},
        {{dir.file("gone.htm")}, "\"" + dir.file("gone.htm") + "\": No such file or directory"},
        {{""}, "an empty name is no folder or file"},
        // A FIFO would never end a read: refused before anything waits on it.
        {{dir.file("fifo")}, "Cannot open file \"" + dir.file("fifo") + "\". Not a regular file"},
    };
    for (const Case& c : cases) {
        const CommandLine line = ParseCommandLine(c.args);
        EXPECT_EQ(line.action, Action::Error) << c.error;
        EXPECT_EQ(line.error, c.error);
        EXPECT_EQ(line.folder, "");
    }

    EXPECT_EQ(ErrorText("sheafpad", "unknown option \"-x\""),
              "sheafpad: unknown option \"-x\"\nTry \"sheafpad --help\" for more information.\n");
    const std::string help = HelpText("sheafpad");
    EXPECT_EQ(help.rfind("Usage: sheafpad [FOLDER | FILE]\n", 0), 0u) << help;
    EXPECT_NE(help.find("--version"), std::string::npos);
    EXPECT_EQ(VersionText().rfind("Sheafpad " SHEAFPAD_VERSION "\n", 0), 0u);
}

} // namespace
} // namespace sheafpad
