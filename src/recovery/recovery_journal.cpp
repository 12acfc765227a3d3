// SPDX-License-Identifier: GPL-3.0-or-later
#include "recovery/recovery_journal.h"

#include "text/text_buffer.h"

#include <charconv>
#include <cstring>

namespace sheafpad::recovery {
namespace {

constexpr size_t kHead = 1 + 8 + 8 + 4;
constexpr std::string_view kMagic2 = "Sheafpad journal 2\n";

// FNV-1a over the record's bytes.
uint32_t Check(std::string_view bytes) {
    uint32_t hash = 2166136261u;
    for (const char c : bytes) {
        hash = (hash ^ uint8_t(c)) * 16777619u;
    }
    return hash;
}

template <typename Int> void Put(std::string& out, Int value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename Int> Int Get(const char* at) {
    Int value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

std::string JournalRecord(uint64_t pos, uint64_t removed, std::u16string_view inserted) {
    std::string record;
    record.reserve(kHead + inserted.size() * 2 + 4);
    record += 'E';
    Put(record, pos);
    Put(record, removed);
    Put(record, uint32_t(inserted.size()));
    record.append(reinterpret_cast<const char*>(inserted.data()), inserted.size() * 2);
    Put(record, Check(record));
    return record;
}

std::string JournalStartText(const Entry& about, std::optional<uint64_t> fromFile) {
    Entry header = about;
    header.text.clear();
    return std::string(kMagic2) + Header(header) +
           (fromFile ? "base file " + std::to_string(*fromFile) + "\n" : "base copy\n");
}

std::optional<JournalStart> ParseJournalStart(std::string_view bytes) {
    if (bytes.substr(0, kMagic2.size()) != kMagic2) {
        return std::nullopt;
    }
    std::optional<ParsedHeader> header = ParseHeader(bytes.substr(kMagic2.size()));
    if (!header || header->textLength != 0) {
        return std::nullopt;
    }
    JournalStart start;
    start.about = std::move(header->entry);
    std::string_view rest = bytes.substr(kMagic2.size() + header->headerLength);
    const size_t lineEnd = rest.find('\n');
    if (lineEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view line = rest.substr(0, lineEnd);
    constexpr std::string_view kFile = "base file ";
    if (line.substr(0, kFile.size()) == kFile) {
        uint64_t units = 0;
        const std::string_view digits = line.substr(kFile.size());
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), units);
        if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
            return std::nullopt;
        }
        start.fromFile = units;
    } else if (line != "base copy") {
        return std::nullopt;
    }
    start.length = kMagic2.size() + header->headerLength + lineEnd + 1;
    return start;
}

bool ApplyJournal(std::string_view bytes, TextBuffer& text) {
    if (bytes.substr(0, kJournalMagic1.size()) == kJournalMagic1) {
        bytes.remove_prefix(kJournalMagic1.size());
    } else if (const std::optional<JournalStart> start = ParseJournalStart(bytes)) {
        bytes.remove_prefix(start->length);
    } else {
        return false;
    }
    while (bytes.size() >= kHead && bytes[0] == 'E') {
        const uint64_t pos = Get<uint64_t>(bytes.data() + 1);
        const uint64_t removed = Get<uint64_t>(bytes.data() + 9);
        const uint64_t count = Get<uint32_t>(bytes.data() + 17);
        const uint64_t size = kHead + count * 2;
        if (bytes.size() < size + 4 ||
            Get<uint32_t>(bytes.data() + size) != Check(bytes.substr(0, size)) ||
            pos > text.Length() || removed > text.Length() - pos) {
            break;
        }
        std::u16string inserted(count, u'\0');
        std::memcpy(inserted.data(), bytes.data() + kHead, count * 2);
        text.Remove(pos, removed);
        text.Insert(pos, inserted);
        bytes.remove_prefix(size + 4);
    }
    return true;
}

} // namespace sheafpad::recovery
