// SPDX-License-Identifier: GPL-3.0-or-later
// The live mount table (/proc/self/mountinfo), volume labels from
// /dev/disk/by-label and the removable flag from /sys.
#include "platform/mounts.h"

#include "platform/directory.h"
#include "platform/working_dir.h"

#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace sheafpad::platform {

namespace {

std::string ReadSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string DeviceKey(unsigned major, unsigned minor) {
    return std::to_string(major) + ":" + std::to_string(minor);
}

// A volume label and the block device that carries it.
struct VolumeLabel {
    unsigned major = 0;
    unsigned minor = 0;
    std::string name;
};

// Every label udev lists, read once for all the drives.
std::vector<VolumeLabel> ReadVolumeLabels() {
    const std::string dir = "/dev/disk/by-label";
    std::vector<VolumeLabel> labels;
    ForEachEntry(dir, [&](std::string_view name) {
        struct stat st;
        const std::string link = dir + "/" + std::string(name);
        if (::stat(link.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) {
            labels.push_back({::major(st.st_rdev), ::minor(st.st_rdev), UnescapeUdevName(name)});
        }
    });
    return labels;
}

// The label of the drive's block device, or "" when there is none.
std::string LabelOf(const Drive& drive, const std::vector<VolumeLabel>& labels) {
    for (const VolumeLabel& label : labels) {
        if (label.major == drive.major && label.minor == drive.minor) {
            return label.name;
        }
    }
    return {};
}

// The kernel's removable flag of the disk that holds the device (a partition
// carries no flag of its own; its disk, one folder up, does).
bool IsRemovableDevice(const Drive& drive) {
    if (drive.major == 0) {
        return false; // not backed by a block device
    }
    const std::string base = "/sys/dev/block/" + DeviceKey(drive.major, drive.minor);
    for (const std::string& path : {base + "/removable", base + "/../removable"}) {
        const std::string flag = ReadSmallFile(path);
        if (!flag.empty()) {
            return flag[0] == '1';
        }
    }
    return false;
}

} // namespace

std::vector<Drive> ListDrives() {
    std::vector<Drive> drives = SelectDrives(ParseMountInfo(ReadSmallFile("/proc/self/mountinfo")));
    const std::vector<VolumeLabel> labels = ReadVolumeLabels();
    std::vector<Drive> kept;
    for (Drive& drive : drives) {
        // Files bound into place (a container's /etc/hosts) are no drives.
        if (drive.mountPoint != "/" && !IsDirectory(drive.mountPoint)) {
            continue;
        }
        if (drive.kind == DriveKind::Fixed && IsRemovableDevice(drive)) {
            drive.kind = DriveKind::Removable;
        }
        if (drive.kind != DriveKind::Network) {
            drive.label = LabelOf(drive, labels);
        }
        kept.push_back(std::move(drive));
    }
    return kept;
}

} // namespace sheafpad::platform
