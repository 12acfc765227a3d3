// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of the mount logic that need no system calls: parsing the mount
// table and deciding which mounts are drives.
#include "platform/mounts.h"

#include "base/hex_value.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>

namespace sheafpad::platform {

namespace {

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && line[pos] == ' ') {
            ++pos;
        }
        const size_t end = std::min(line.find(' ', pos), line.size());
        if (end > pos) {
            fields.push_back(line.substr(pos, end - pos));
        }
        pos = end;
    }
    return fields;
}

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// path is dir itself or lies below it.
bool IsAtOrBelow(std::string_view path, std::string_view dir) {
    if (dir == "/") {
        return !path.empty() && path[0] == '/';
    }
    return StartsWith(path, dir) && (path.size() == dir.size() || path[dir.size()] == '/');
}

// File systems of the kernel and of the system's own plumbing: never drives.
bool IsPseudoType(std::string_view type) {
    static constexpr std::array<std::string_view, 32> kTypes = {
        "proc",        "sysfs",      "devtmpfs",      "devpts",     "cgroup",
        "cgroup2",     "securityfs", "pstore",        "efivarfs",   "bpf",
        "debugfs",     "tracefs",    "configfs",      "fusectl",    "hugetlbfs",
        "mqueue",      "autofs",     "binfmt_misc",   "rpc_pipefs", "nsfs",
        "overlay",     "squashfs",   "selinuxfs",     "nfsd",       "fuse.gvfsd-fuse",
        "fuse.portal", "fuse.lxcfs", "fuse.snapfuse", "aufs",       "shiftfs",
        "devfs",       "none"};
    return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

// File systems held in memory: RAM disks where a user may pick them.
bool IsRamType(std::string_view type) {
    return type == "tmpfs" || type == "ramfs";
}

bool IsNetworkType(std::string_view type) {
    static constexpr std::array<std::string_view, 14> kTypes = {
        "nfs", "nfs4", "cifs",      "smb3",       "smbfs", "ncpfs",       "afs",
        "9p",  "ceph", "glusterfs", "fuse.sshfs", "davfs", "fuse.rclone", "fuse.glusterfs"};
    return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

// Places where the system keeps its own mounts.
bool IsSystemPlace(std::string_view mountPoint) {
    if (IsAtOrBelow(mountPoint, "/run/media")) {
        return false;
    }
    static constexpr std::array<std::string_view, 9> kPlaces = {"/proc",
                                                                "/sys",
                                                                "/dev",
                                                                "/run",
                                                                "/snap",
                                                                "/var/lib/docker",
                                                                "/var/lib/containers",
                                                                "/var/snap",
                                                                "/var/lib/kubelet"};
    return std::any_of(kPlaces.begin(), kPlaces.end(),
                       [&](std::string_view place) { return IsAtOrBelow(mountPoint, place); });
}

DriveKind KindOf(const MountInfoEntry& entry) {
    if (IsNetworkType(entry.fsType)) {
        return DriveKind::Network;
    }
    if (IsRamType(entry.fsType)) {
        return DriveKind::RamDisk;
    }
    if (entry.fsType == "iso9660" || entry.fsType == "udf") {
        return DriveKind::CdRom;
    }
    if (IsAtOrBelow(entry.mountPoint, "/media") || IsAtOrBelow(entry.mountPoint, "/run/media")) {
        return DriveKind::Removable;
    }
    return DriveKind::Fixed;
}

} // namespace

std::string UnescapeMountField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
            IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
            out += char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                        (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::string UnescapeUdevName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        // Two digits exactly: no sign or blank may stand in for one.
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            HexValue(name[i + 2]) >= 0 && HexValue(name[i + 3]) >= 0) {
            out += char(HexValue(name[i + 2]) * 16 + HexValue(name[i + 3]));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return out;
}

std::vector<MountInfoEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountInfoEntry> entries;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = std::min(text.find('\n', pos), text.size());
        const std::vector<std::string_view> fields = SplitFields(text.substr(pos, end - pos));
        pos = end + 1;
        // id parent major:minor root mount-point options [optional...] - type source options
        const auto dash = std::find(fields.begin(), fields.end(), std::string_view("-"));
        if (fields.size() < 6 || dash == fields.end() || dash - fields.begin() < 6 ||
            fields.end() - dash < 3) {
            continue;
        }
        MountInfoEntry entry;
        const std::string device(fields[2]);
        if (std::sscanf(device.c_str(), "%u:%u", &entry.major, &entry.minor) != 2) {
            continue;
        }
        entry.root = UnescapeMountField(fields[3]);
        entry.mountPoint = UnescapeMountField(fields[4]);
        entry.fsType = UnescapeMountField(dash[1]);
        entry.source = UnescapeMountField(dash[2]);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<Drive> SelectDrives(const std::vector<MountInfoEntry>& entries) {
    // Later mounts on the same point hide earlier ones, so the last one counts.
    std::map<std::string, Drive> byPoint;
    for (const MountInfoEntry& entry : entries) {
        const bool isRoot = entry.mountPoint == "/";
        if (!isRoot && (IsPseudoType(entry.fsType) || IsSystemPlace(entry.mountPoint))) {
            byPoint.erase(entry.mountPoint);
            continue;
        }
        Drive drive;
        drive.mountPoint = entry.mountPoint;
        drive.kind = KindOf(entry);
        if (drive.kind == DriveKind::Network) {
            drive.source = entry.source;
        }
        drive.major = entry.major;
        drive.minor = entry.minor;
        byPoint[entry.mountPoint] = std::move(drive);
    }
    if (byPoint.find("/") == byPoint.end()) {
        byPoint["/"].mountPoint = "/";
    }
    std::vector<Drive> drives;
    for (auto& [point, drive] : byPoint) {
        drives.push_back(std::move(drive));
    }
    return drives;
}

int FindDriveOf(const std::string& path, const std::vector<Drive>& drives) {
    int best = -1;
    for (size_t i = 0; i < drives.size(); ++i) {
        const std::string& point = drives[i].mountPoint;
        if (IsAtOrBelow(path, point) &&
            (best < 0 || point.size() > drives[size_t(best)].mountPoint.size())) {
            best = int(i);
        }
    }
    return best;
}

} // namespace sheafpad::platform
