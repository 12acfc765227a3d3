// SPDX-License-Identifier: GPL-3.0-or-later
#include "recovery/recovery_journal.h"

#include "text/text_buffer.h"

#include <cstring>

namespace sheafpad::recovery {
namespace {

constexpr size_t kHead = 1 + 8 + 8 + 4;

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

bool ApplyJournal(std::string_view bytes, TextBuffer& text) {
    if (bytes.substr(0, kJournalMagic.size()) != kJournalMagic) {
        return false;
    }
    bytes.remove_prefix(kJournalMagic.size());
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
