// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_util.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace sheafpad::test {

TempDir::TempDir() {
    char pattern[] = "/tmp/sheafpad-test-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave read-only entries behind; make them removable first.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
        ::chmod(entry.path().c_str(), 0700);
    }
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::file(const std::string& name) const {
    return path_ + "/" + name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

void WriteFileIn(const std::string& root, const std::string& relative, const std::string& bytes) {
    const std::filesystem::path path = std::filesystem::path(root) / relative;
    std::filesystem::create_directories(path.parent_path());
    WriteFile(path.string(), bytes);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void AppendFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out.flush()) {
        throw std::runtime_error("cannot append to " + path);
    }
}

std::vector<std::string> DirNames(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* handle = ::opendir(dir.c_str())) {
        while (const dirent* entry = ::readdir(handle)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(handle);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string JoinedDirNames(const std::string& dir) {
    std::string joined;
    for (const std::string& name : DirNames(dir)) {
        joined += (joined.empty() ? "" : " ") + name;
    }
    return joined;
}

bool AwaitUnnamedFiles(const std::string& dir, int count, int64_t size) {
    const std::string prefix = dir + "/#";
    for (int tries = 0; tries < 60000; ++tries) {
        int found = 0;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
            struct stat st {};
            found += !error && target.rfind(prefix, 0) == 0 &&
                             ::stat(entry.path().c_str(), &st) == 0 && st.st_size == size
                         ? 1
                         : 0;
        }
        if (found == count) {
            return true;
        }
        ::usleep(1000);
    }
    return false;
}

bool OpenedByThisProcess(const std::string& path) {
    bool opened = false;
    for (const std::string& fd : DirNames("/proc/self/fd")) {
        char target[4096];
        const ssize_t size = ::readlink(("/proc/self/fd/" + fd).c_str(), target, sizeof target - 1);
        opened = opened || (size > 0 && std::string(target, size_t(size)) == path);
    }
    return opened;
}

int OpenDescriptorCount() {
    return int(DirNames("/proc/self/fd").size()) - 1; // the one reading the folder
}

void WriteSparseFile(const std::string& path, const std::string& start, int64_t size) {
    WriteFile(path, start);
    if (::truncate(path.c_str(), off_t(size)) != 0) {
        throw std::runtime_error("truncate failed");
    }
}

namespace {

// A "Name:   <kB> kB" line of /proc/self/status, in bytes.
int64_t StatusBytes(const std::string& name) {
    const std::string status = ReadFile("/proc/self/status");
    const size_t at = status.find("\n" + name + ":");
    return at == std::string::npos ? -1 : std::atoll(status.c_str() + at + name.size() + 2) * 1024;
}

} // namespace

int64_t PeakMemoryGrowth(const std::function<void()>& fn) {
    const int64_t before = StatusBytes("VmRSS");
    // "5" resets the peak (VmHWM) to the memory in use now.
    WriteFile("/proc/self/clear_refs", "5");
    fn();
    return StatusBytes("VmHWM") - before;
}

} // namespace sheafpad::test
