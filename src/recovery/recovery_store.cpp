#include "recovery/recovery_store.h"

#include "platform/directory.h"
#include "platform/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <random>
#include <set>

namespace sheafpad::recovery {
namespace {

constexpr size_t kRunIdLength = 16;
constexpr std::string_view kEntrySuffix = ".entry";

std::string Hex16(uint64_t value) {
    char text[kRunIdLength + 1];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string NewRunId() {
    std::random_device random;
    return Hex16((uint64_t(random()) << 32) ^ uint64_t(random()));
}

// FNV-1a: a stable key for a path within one run's names.
uint64_t PathKey(std::string_view path) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : path) {
        hash = (hash ^ uint8_t(c)) * 1099511628211ull;
    }
    return hash;
}

// The run that a file of the folder belongs to ("" for a foreign file):
// "<run>.lock", "<run>-<key>.entry", or a temporary file ".<run>...".
std::string RunOf(std::string_view name) {
    if (!name.empty() && name.front() == '.') {
        name.remove_prefix(1);
    }
    if (name.size() <= kRunIdLength || (name[kRunIdLength] != '-' && name[kRunIdLength] != '.')) {
        return {};
    }
    const std::string_view run = name.substr(0, kRunIdLength);
    const bool hex = std::all_of(run.begin(), run.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
    return hex ? std::string(run) : std::string();
}

// Temporary files start with "." and the entry's name, so they are known as the run's.
std::string TempPrefix(const std::string& entryPath) {
    return "." + entryPath.substr(entryPath.rfind('/') + 1) + ".";
}

} // namespace

Store::Store(std::string dir, std::string run, platform::ProcessLock lock)
    : dir_(std::move(dir)), run_(std::move(run)), lock_(std::move(lock)) {}

std::unique_ptr<Store> Store::Open(const std::string& dir, int* error) {
    std::string folder = dir.empty() || dir.back() == '/' ? dir : dir + '/';
    *error = folder.empty() ? ENOENT : platform::MakePrivateDirectory(folder);
    if (*error != 0) {
        return nullptr;
    }
    // A run id already in use (vanishingly unlikely) just draws another.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string run = NewRunId();
        std::optional<platform::ProcessLock> lock;
        *error = platform::ProcessLock::Create(folder + run + ".lock", &lock);
        if (*error == 0) {
            return std::unique_ptr<Store>(new Store(folder, run, std::move(*lock)));
        }
        if (*error != EEXIST) {
            break;
        }
    }
    return nullptr;
}

Store::~Store() {
    ReleaseClaimed();
    lock_.RemoveAndRelease();
}

std::string Store::EntryPath(const std::string& path) const {
    return dir_ + run_ + "-" + Hex16(PathKey(path)) + std::string(kEntrySuffix);
}

int Store::Write(const std::string& entryPath, const Entry& entry) const {
    const std::string header = Header(entry);
    return platform::WritePrivateFile(entryPath, TempPrefix(entryPath), {header, entry.text});
}

Store::PendingWrite Store::Stage(const std::string& entryPath, Entry entry,
                                 std::u16string_view text, TextEncoding fileEncoding) const {
    entry.encoding = fileEncoding;
    entry.text.clear();
    std::unique_ptr<platform::PrivateFileWriter> file;
    size_t lengthAt = 0;
    uint64_t length = 0;
    EncodeForCopy(
        text, fileEncoding,
        [&](TextEncoding encoding) {
            // The header names the text's encoding: each attempt starts a new file.
            entry.textEncoding = encoding;
            const std::string header = Header(entry);
            lengthAt = LengthOffset(header);
            length = 0;
            file = std::make_unique<platform::PrivateFileWriter>(entryPath, TempPrefix(entryPath));
            file->Reserve(header.size() + text.size()); // every unit takes a byte at least
            file->Append(header);
        },
        [&](std::string_view piece) {
            file->Append(piece);
            length += piece.size();
        });
    file->WriteAt(lengthAt, LengthDigits(length));
    return PendingWrite(std::move(file));
}

int Store::Remove(const std::string& entryPath) const {
    return platform::RemoveFile(entryPath);
}

int Store::Adopt(const std::string& entryPath, const std::string& path) const {
    return platform::RenameFile(entryPath, EntryPath(path));
}

bool Store::Claim(const std::string& run) {
    const std::string lockPath = dir_ + run + ".lock";
    std::optional<platform::ProcessLock> lock;
    using Outcome = platform::ProcessLock::Outcome;
    Outcome outcome = platform::ProcessLock::Take(lockPath, &lock);
    if (outcome == Outcome::Missing) {
        // No lock left to take: make one, so that no other program claims
        // the run as well; if another was quicker, its lock decides.
        const int error = platform::ProcessLock::Create(lockPath, &lock);
        if (error == EEXIST) {
            outcome = platform::ProcessLock::Take(lockPath, &lock);
        } else {
            outcome = error == 0 ? Outcome::Taken : Outcome::HeldByOther;
        }
    }
    if (outcome != Outcome::Taken) {
        return false;
    }
    claimed_.push_back(std::move(*lock));
    return true;
}

std::vector<Store::Found> Store::ClaimEnded() {
    std::map<std::string, std::vector<std::string>> namesByRun;
    platform::ForEachEntry(dir_, [&](std::string_view name) {
        const std::string run = RunOf(name);
        if (!run.empty() && run != run_) {
            namesByRun[run].emplace_back(name);
        }
    });
    std::vector<Found> found;
    for (const auto& [run, names] : namesByRun) {
        if (!Claim(run)) {
            continue; // a program still running
        }
        for (const std::string& name : names) {
            const std::string path = dir_ + name;
            if (name.front() == '.') {
                platform::RemoveFile(path); // a write that the end of its run cut short
                continue;
            }
            if (name.size() <= kEntrySuffix.size() ||
                name.compare(name.size() - kEntrySuffix.size(), kEntrySuffix.size(),
                             kEntrySuffix) != 0) {
                continue;
            }
            try {
                if (std::optional<Entry> entry = Parse(platform::ReadFileBytes(path))) {
                    found.push_back({path, std::move(*entry)});
                }
            } catch (const std::exception&) {
                // Unreadable now (gone, or no access): left for a later start.
            }
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.entry.copiedAtNs < b.entry.copiedAtNs;
    });
    return found;
}

void Store::ReleaseClaimed() {
    for (platform::ProcessLock& lock : claimed_) {
        lock.RemoveAndRelease();
    }
    claimed_.clear();
}

} // namespace sheafpad::recovery
