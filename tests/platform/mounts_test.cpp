// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mounts.h"

#include <gtest/gtest.h>

namespace sheafpad::platform {
namespace {

// A mount table as a desktop machine reports it, container and kernel
// mounts included.
const char* const kSample =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "23 27 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
    "27 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro\n"
    "28 27 8:3 / /home rw,relatime shared:2 master:7 - ext4 /dev/sda3 rw\n"
    "29 23 0:28 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
    "30 27 0:40 / /run rw - tmpfs tmpfs rw\n"
    "31 30 8:17 / /run/media/ann/My\\040Stick rw - vfat /dev/sdb1 rw\n"
    "32 27 0:50 / /mnt/nas rw - nfs4 server:/Export/Data rw\n"
    "33 27 0:51 / /mnt/share rw - cifs //FileServer/Public rw\n"
    "34 27 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n"
    "35 27 7:1 / /snap/core/123 ro - squashfs /dev/loop1 ro\n"
    "36 27 0:60 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw\n"
    "this line is not a mount\n"
    "37 27 0:61 / /tmp rw - tmpfs tmpfs rw\n"
    "38 27 0:62 / /media/ram rw - ramfs ramfs rw\n"
    "39 27 0:63 / /dev/shm rw - tmpfs tmpfs rw\n";

TEST(MountInfo, ParsesFieldsAroundOptionalOnesAndUndoesEscapes) {
    const std::vector<MountInfoEntry> entries = ParseMountInfo(kSample);
    ASSERT_EQ(entries.size(), 15u); // the malformed line is skipped
    const MountInfoEntry& home = entries[3];
    EXPECT_EQ(home.mountPoint, "/home");
    EXPECT_EQ(home.fsType, "ext4");
    EXPECT_EQ(home.source, "/dev/sda3");
    EXPECT_EQ(home.root, "/");
    EXPECT_EQ(home.major, 8u);
    EXPECT_EQ(home.minor, 3u);
    EXPECT_EQ(entries[6].mountPoint, "/run/media/ann/My Stick");
}

TEST(MountInfo, UnescapesOnlyThreeDigitOctal) {
    EXPECT_EQ(UnescapeMountField("a\\040b\\011c\\134d"), "a b\tc\\d");
    EXPECT_EQ(UnescapeMountField("a\\04"), "a\\04");
    EXPECT_EQ(UnescapeMountField("a\\xyz\\"), "a\\xyz\\");
}

TEST(MountInfo, UdevLabelEscapesNeedTwoHexDigits) {
    EXPECT_EQ(UnescapeUdevName("My\\x20Stick\\x2fA\\xc3\\xa9"), "My Stick/A\xc3\xa9");
    // A sign or blank is no digit: such text stays as it is.
    EXPECT_EQ(UnescapeUdevName("a\\x-1b\\x 1\\x+f\\x4"), "a\\x-1b\\x 1\\x+f\\x4");
}

TEST(MountInfo, OffersTheMountsAUserPicksFromSortedWithKinds) {
    const std::vector<Drive> drives = SelectDrives(ParseMountInfo(kSample));
    std::vector<std::string> points;
    for (const Drive& drive : drives) {
        points.push_back(drive.mountPoint);
    }
    // RAM disks where a user keeps files (/tmp, /media/ram), not the system's (/run, /dev/shm).
    EXPECT_EQ(points,
              (std::vector<std::string>{"/", "/home", "/media/cdrom", "/media/ram", "/mnt/nas",
                                        "/mnt/share", "/run/media/ann/My Stick", "/tmp"}));
    EXPECT_EQ(drives[0].kind, DriveKind::Fixed);
    EXPECT_EQ(drives[2].kind, DriveKind::CdRom);
    EXPECT_EQ(drives[3].kind, DriveKind::RamDisk);
    EXPECT_EQ(drives[4].kind, DriveKind::Network);
    EXPECT_EQ(drives[4].source, "server:/Export/Data");
    EXPECT_EQ(drives[5].source, "//FileServer/Public");
    EXPECT_EQ(drives[6].kind, DriveKind::Removable);
    EXPECT_EQ(drives[7].kind, DriveKind::RamDisk);
}

TEST(MountInfo, RootIsAlwaysADriveAndLaterMountsHideEarlierOnes) {
    // A container: the root is an overlay; /data is first a disk, then covered.
    const char* text = "1 0 0:30 / / rw - overlay overlay rw\n"
                       "2 1 8:1 / /data rw - ext4 /dev/sda1 rw\n"
                       "3 2 0:31 / /data rw - overlay overlay rw\n"
                       "4 1 8:1 / /work rw - ext4 /dev/sda1 rw\n";
    const std::vector<Drive> drives = SelectDrives(ParseMountInfo(text));
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].mountPoint, "/");
    EXPECT_EQ(drives[1].mountPoint, "/work");
    EXPECT_EQ(SelectDrives({}).at(0).mountPoint, "/");
}

TEST(MountInfo, FindsTheDriveHoldingAPathByWholeComponents) {
    std::vector<Drive> drives(3);
    drives[0].mountPoint = "/";
    drives[1].mountPoint = "/home";
    drives[2].mountPoint = "/home/ann/nas";
    EXPECT_EQ(FindDriveOf("/home/ann/web", drives), 1);
    EXPECT_EQ(FindDriveOf("/home", drives), 1);
    EXPECT_EQ(FindDriveOf("/homework", drives), 0);
    EXPECT_EQ(FindDriveOf("/home/ann/nas/x", drives), 2);
    EXPECT_EQ(FindDriveOf("relative", drives), -1);
}

TEST(MountInfo, ThisSystemListsItsRoot) {
    const std::vector<Drive> drives = ListDrives();
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(drives[0].mountPoint, "/");
    for (const Drive& drive : drives) {
        EXPECT_NE(drive.mountPoint.rfind("/proc", 0), 0u) << drive.mountPoint;
        EXPECT_NE(drive.mountPoint.rfind("/sys", 0), 0u) << drive.mountPoint;
    }
}

} // namespace
} // namespace sheafpad::platform
