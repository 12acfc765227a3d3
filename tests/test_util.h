// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the tests: a scratch directory and whole-file access.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sheafpad::test {

// A fresh directory under /tmp, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
// Writes root + "/" + relative, making the folders on the way ("css/site.css").
void WriteFileIn(const std::string& root, const std::string& relative, const std::string& bytes);
std::string ReadFile(const std::string& path);
// Adds bytes at the file's end, as another program's "echo >>" does.
void AppendFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// The entry names in dir, "." and ".." left out, sorted (empty when dir
// cannot be read): shows any file left behind.
std::vector<std::string> DirNames(const std::string& dir);
// The same names joined by single spaces.
std::string JoinedDirNames(const std::string& dir);

// A file of size bytes that takes no room on disk: the bytes after start are
// NUL (a hole), as a sparse file or a file of zeros reads.
void WriteSparseFile(const std::string& path, const std::string& start, int64_t size);
// Whether a descriptor of this process is open on the file at path now.
bool OpenedByThisProcess(const std::string& path);
// How many descriptors this process has open.
int OpenDescriptorCount();
// Waits (up to a minute) until this process has count files of size bytes
// open in dir that have no name there (made with O_TMPFILE); false if not.
bool AwaitUnnamedFiles(const std::string& dir, int count, int64_t size);
// How far the process's resident memory rose above what it was before fn,
// in bytes, at fn's peak.
int64_t PeakMemoryGrowth(const std::function<void()>& fn);

} // namespace sheafpad::test
