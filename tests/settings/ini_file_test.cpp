// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store against real files: layout rules, the integer syntax,
// robustness of reading and the safety of writing.
#include "base/errors.h"
#include "settings/ini_file.h"
#include "settings/ini_storage.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad {
namespace {

using namespace std::string_literals;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct IntCase {
    const char* text;
    std::optional<int32_t> value;
};

TEST(IniTextToInt, AcceptsTheStoredForms) {
    const IntCase cases[] = {
        {"0x20", 32},
        {"0X20", 32},
        {"$20", 32},
        {"x20", 32},
        {"X20", 32},
        {"-0x20", -32},
        {"-$20", -32},
        {"$FFFFFFFF", -1},
        {"0012", 12},
        {"-2147483648", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"  7", 7},
        {"+5", 5},
        {"$0000000000ff", 255},
        {"-0", 0},
        {"$80000000", INT32_MIN},
        {"-$80000000", INT32_MIN},
        {"0x7fffffff", INT32_MAX},
    };
    for (const IntCase& c : cases) {
        EXPECT_EQ(IniTextToInt(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(IniTextToInt, RefusesEverythingElse) {
    const char* refused[] = {"12px",       "1.5",        "0x",  "$",   "-",   "- 1", "",
                             "2147483648", "$100000000", "12 ", "\t1", "--1", "+-1", "-2147483649",
                             "0x-5",       "x",          " ",   "1e3", "$G",  "0xx1"};
    for (const char* text : refused) {
        EXPECT_EQ(IniTextToInt(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(IniIntToText, PlainDecimal) {
    EXPECT_EQ(IniIntToText(0), "0");
    EXPECT_EQ(IniIntToText(-32), "-32");
    EXPECT_EQ(IniIntToText(INT32_MIN), "-2147483648");
}

class IniFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("Sheafpad.ini");
};

TEST_F(IniFileTest, FirstStartReadsDefaultsAndFirstCloseWritesTheSevenKeysInOrder) {
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Initial", "Dir", "/opt/app/"), "/opt/app/");
    EXPECT_EQ(ini.ReadInteger("Initial", "Left", 268), 268);
    EXPECT_FALSE(test::FileExists(path)) << "reading never creates the file";

    ini.WriteString("Initial", "Dir", "/home/u/site/");
    ini.WriteInteger("Initial", "Left", 268);
    ini.WriteInteger("Initial", "Top", -5);
    ini.WriteInteger("Initial", "Height", 480);
    ini.WriteInteger("Initial", "Width", 924);
    ini.WriteString("Initial", "FindEdit", "a = b ");
    ini.WriteString("Initial", "LoadedFName", "");
    ini.Release();
    EXPECT_EQ(ReadFile(path), "[Initial]\r\nDir=/home/u/site/\r\nLeft=268\r\nTop=-5\r\n"
                              "Height=480\r\nWidth=924\r\nFindEdit=a = b \r\nLoadedFName=\r\n");
    EXPECT_EQ(ini.ReadString("Initial", "FindEdit", "x"), "a = b ");
    EXPECT_EQ(ini.ReadString("Initial", "LoadedFName", "x"), "") << "empty is not missing";
}

TEST_F(IniFileTest, PartialFileAndOtherLetterCases) {
    WriteFile(path, "[initial]\r\ndir=\r\nLEFT= 0x10\r\ntop=12px\r\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Initial", "Dir", "/default/"), "");
    EXPECT_EQ(ini.ReadInteger("Initial", "Left", 1), 16);
    EXPECT_EQ(ini.ReadInteger("Initial", "Top", 2), 2);
    EXPECT_EQ(ini.ReadInteger("Initial", "Width", 3), 3);
    WriteFile(path, "[ INITIAL ]\nLeft = 0x10\n");
    EXPECT_EQ(ini.ReadInteger("initial", "left", 1), 16);

    ini.WriteString("Initial", "Left", "7");
    EXPECT_EQ(ReadFile(path), "[ INITIAL ]\nLeft =7\r\n") << "the key keeps its place and spelling";
}

TEST_F(IniFileTest, ValuesAndDefaultsAreCutTo2047Characters) {
    const std::string longValue(5000, 'v');
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Initial", "Dir", longValue), longValue.substr(0, 2047));
    ini.WriteString("Initial", "Dir", longValue);
    EXPECT_EQ(ini.ReadString("Initial", "Dir", ""), longValue.substr(0, 2047));
    EXPECT_NE(ReadFile(path).find(longValue), std::string::npos) << "written whole";
}

TEST_F(IniFileTest, OtherContentSurvivesInPlace) {
    const std::string before = "; comment\n"
                               "orphan=1\r\n"
                               "[Other]\r\n"
                               "Dir=not ours\r\n"
                               "\r\n"
                               "[Initial]\r\n"
                               "Top=1\r\n"
                               "Extra=keep me\r\n"
                               "\r\n"
                               "[Last]\n"
                               "x=\xff\x01binary";
    WriteFile(path, before);
    TIniFile ini(path);
    ini.WriteString("Initial", "Dir", "/d");
    ini.WriteInteger("Initial", "Top", 2);
    ini.WriteString("Last", "y", "z");
    ini.WriteString("New", "k", "");
    EXPECT_EQ(ReadFile(path), "; comment\n"
                              "orphan=1\r\n"
                              "[Other]\r\n"
                              "Dir=not ours\r\n"
                              "\r\n"
                              "[Initial]\r\n"
                              "Top=2\r\n"
                              "Extra=keep me\r\n"
                              "Dir=/d\r\n"
                              "\r\n"
                              "[Last]\n"
                              "x=\xff\x01binary\r\n"
                              "y=z\r\n"
                              "[New]\r\n"
                              "k=\r\n");
    EXPECT_EQ(ini.ReadString("Other", "Dir", ""), "not ours");
}

TEST_F(IniFileTest, ValueThatWouldBreakALineIsRefusedAndNothingIsInjected) {
    WriteFile(path, "[Initial]\r\nDir=/old\r\n");
    TIniFile ini(path);
    for (const std::string& bad : {std::string("/x\r\nLeft=-30000"), std::string("/x\nLeft=1"),
                                   std::string("/x\r[Evil]"), std::string("/x\0y", 4)}) {
        try {
            ini.WriteString("Initial", "Dir", bad);
            ADD_FAILURE() << "accepted a value holding a line break or NUL";
        } catch (const EIniFileException& e) {
            // The message names the file, then says why.
            const char* what =
                bad.find('\0') != std::string::npos ? "a NUL character" : "a line break";
            EXPECT_EQ(std::string(e.what()),
                      "Unable to write to " + path + ". The value of \"Dir\" holds " + what);
        }
    }
    EXPECT_THROW(ini.WriteString("Initial", "A=B", "1"), EIniFileException);
    EXPECT_THROW(ini.WriteString("In]itial", "A", "1"), EIniFileException);
    EXPECT_EQ(ReadFile(path), "[Initial]\r\nDir=/old\r\n");
    // No period after a name that ends in a character sorting before it.
    TIniFile odd(dir.file("settings (old)"));
    try {
        odd.WriteString("Initial", "FindEdit", "a\nb");
        ADD_FAILURE() << "accepted a line break";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.file("settings (old)") +
                                             " The value of \"FindEdit\" holds a line break");
    }
    EXPECT_EQ(ini.ReadInteger("Initial", "Left", 5), 5);
}

TEST_F(IniFileTest, UnwritableFileOrDirectoryRaisesFromTheFailingWrite) {
    WriteFile(path, "[Initial]\r\nDir=/old\r\n");
    ::chmod(path.c_str(), 0444);
    TIniFile ini(path);
    EXPECT_THROW(ini.WriteString("Initial", "Dir", "/new"), EIniFileException);
    EXPECT_EQ(ReadFile(path), "[Initial]\r\nDir=/old\r\n");
    EXPECT_EQ(ini.ReadString("Initial", "Dir", ""), "/old") << "reading still works";

    TempDir locked;
    ::chmod(locked.path().c_str(), 0555);
    TIniFile inLocked(locked.file("Sheafpad.ini"));
    EXPECT_THROW(inLocked.WriteInteger("Initial", "Left", 1), EIniFileException);
    EXPECT_FALSE(test::FileExists(locked.file("Sheafpad.ini")));

    TIniFile nowhere(dir.file("missing/Sheafpad.ini"));
    EXPECT_THROW(nowhere.WriteInteger("Initial", "Left", 1), EIniFileException);
    std::filesystem::create_directory(dir.file("adir"));
    TIniFile onDirectory(dir.file("adir"));
    EXPECT_THROW(onDirectory.WriteInteger("Initial", "Left", 1), EIniFileException);
    EXPECT_EQ(onDirectory.ReadInteger("Initial", "Left", 9), 9);
}

TEST_F(IniFileTest, WritableFileInLockedDirectoryIsUpdatedInPlace) {
    TempDir locked;
    const std::string file = locked.file("Sheafpad.ini");
    WriteFile(file, "[Initial]\r\nDir=/a-long-old-value\r\n");
    ::chmod(locked.path().c_str(), 0555);
    TIniFile ini(file);
    ini.WriteString("Initial", "Dir", "/b");
    EXPECT_EQ(ReadFile(file), "[Initial]\r\nDir=/b\r\n");
}

TEST_F(IniFileTest, ReplacingKeepsModeAndLinksAndLeavesNoTemporaryFile) {
    WriteFile(path, "[Initial]\r\n");
    ::chmod(path.c_str(), 0600);
    const std::string link = dir.file("link.ini");
    ::symlink(path.c_str(), link.c_str());
    TIniFile ini(link);
    ini.WriteInteger("Initial", "Left", 3);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(path), "[Initial]\r\nLeft=3\r\n");
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    int entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

TEST_F(IniFileTest, BrokenFilesGiveDefaultsForWhatTheyLack) {
    TIniFile ini(path);
    // Binary bytes, a NUL inside a value, lone CR line ends, no final line end.
    WriteFile(path, "\0\xff\r\n[Initial]\rLeft=12\0 junk\rTop=3\r[Initial\rWidth=4"s);
    EXPECT_EQ(ini.ReadInteger("Initial", "Left", 0), 12);
    EXPECT_EQ(ini.ReadString("Initial", "Left", ""), "12");
    EXPECT_EQ(ini.ReadInteger("Initial", "Top", 0), 3);
    EXPECT_EQ(ini.ReadInteger("Initial", "Width", 0), 4) << "\"[Initial\" starts no section";
    EXPECT_EQ(ini.ReadInteger("Initial", "Height", 8), 8);

    // A truncated last line is still read.
    WriteFile(path, "[Initial]\r\nDir=/x");
    EXPECT_EQ(ini.ReadString("Initial", "Dir", ""), "/x");

    // A FIFO never blocks the reader.
    ::unlink(path.c_str());
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    EXPECT_EQ(ini.ReadString("Initial", "Dir", "def"), "def");
    EXPECT_THROW(ini.WriteString("Initial", "Dir", "x"), EIniFileException);
}

TEST_F(IniFileTest, EnormousFileIsReadUpToTheCapAndNeverRewritten) {
    std::string huge = "[Initial]\r\nLeft=5\r\n";
    huge.append(ini::kMaxFileBytes, 'z');
    huge.append("\r\nTop=6\r\n");
    WriteFile(path, huge);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Initial", "Left", 0), 5);
    EXPECT_EQ(ini.ReadInteger("Initial", "Top", 0), 0) << "beyond the cap";
    EXPECT_THROW(ini.WriteInteger("Initial", "Left", 1), EIniFileException);
    EXPECT_EQ(ReadFile(path), huge);
}

} // namespace
} // namespace sheafpad
