// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the settings file's parser and editor: any bytes as the
// file, checked for crashes and for the editor's promises: a value written is
// the value found, and no other entry changes.
#include "settings/ini_file.h"
#include "settings/ini_text.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

constexpr std::string_view kKeys[] = {"Dir", "Left", "FindEdit", "x"};
constexpr std::string_view kSections[] = {"Initial", "Other"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    (void)sheafpad::IniTextToInt(content.substr(0, 64));

    // The first byte picks the entry to write; the value is a fixed safe text
    // or a piece of the input when that fits on one line.
    const uint8_t pick = size > 0 ? data[0] : 0;
    const std::string_view key = kKeys[pick % 4];
    const std::string_view section = kSections[(pick / 4) % 2];
    std::string_view value = content.substr(0, std::min<size_t>(size, 16));
    if (!sheafpad::ini::FitsOnOneLine(value)) {
        value = "v a=l[u]e";
    }

    const std::string updated = sheafpad::ini::SetValue(content, section, key, value);
    Check(sheafpad::ini::FindValue(updated, section, key) == value);
    for (std::string_view otherSection : kSections) {
        for (std::string_view otherKey : kKeys) {
            if (otherSection == section && otherKey == key) {
                continue;
            }
            Check(sheafpad::ini::FindValue(updated, otherSection, otherKey) ==
                  sheafpad::ini::FindValue(content, otherSection, otherKey));
        }
    }
    return 0;
}
