// SPDX-License-Identifier: GPL-3.0-or-later
// The mounted file systems a user picks a folder from: the root file system,
// home and data disks, removable media, network shares and RAM disks (tmpfs
// and ramfs mounts such as /tmp). The kernel's own file systems (proc, sysfs,
// cgroup, container layers) and the system's own places (/run, /dev, /sys,
// ...) are left out. Paths and names are byte strings, as the kernel reports them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sheafpad::platform {

// One line of the kernel's mount table, with the octal escapes (\040 for a
// blank and so on) of its path fields undone.
struct MountInfoEntry {
    unsigned major = 0; // device numbers of the mounted file system
    unsigned minor = 0;
    std::string root;       // folder of the file system mounted here ("/" unless bound)
    std::string mountPoint; // where it is mounted
    std::string fsType;     // such as "ext4", "nfs4", "fuse.sshfs"
    std::string source;     // device, "server:/export", "//server/share" or a name
};

enum class DriveKind { Fixed, Removable, CdRom, Network, RamDisk };

// A mount offered in the folder dialog's drive list.
struct Drive {
    std::string mountPoint; // the drive root
    DriveKind kind = DriveKind::Fixed;
    std::string label;  // volume label; empty when it cannot be read
    std::string source; // remote name of a network share
    unsigned major = 0; // device numbers, for finding label and removable flag
    unsigned minor = 0;
};

// Undoes the kernel's octal escapes ("\040" -> " "); other bytes stay.
std::string UnescapeMountField(std::string_view field);

// Undoes udev's escapes in a /dev/disk/by-label name ("\x20" -> " "); other
// bytes, and a "\x" without two hexadecimal digits, stay.
std::string UnescapeUdevName(std::string_view name);

// Parses /proc/self/mountinfo text; malformed lines are skipped.
std::vector<MountInfoEntry> ParseMountInfo(std::string_view text);

// The mounts a user would pick, sorted by mount point, one per mount point
// (a later mount on the same point hides the earlier one). The root is always
// there. Kinds come from the file-system type and the mount place; labels are
// left empty.
std::vector<Drive> SelectDrives(const std::vector<MountInfoEntry>& entries);

// The index of the drive whose mount point is the longest leading part of
// path (whole components), or -1.
int FindDriveOf(const std::string& path, const std::vector<Drive>& drives);

// This system's drives: SelectDrives over the live mount table, keeping only
// folders as mount points, with volume labels and removable media marked.
// Never empty: the root is listed even if the table cannot be read.
std::vector<Drive> ListDrives();

} // namespace sheafpad::platform
