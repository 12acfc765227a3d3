// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ini_file.h"
#include "base/user_text.h"

#include "base/errors.h"
#include "base/hex_value.h"
#include "settings/ini_storage.h"
#include "settings/ini_text.h"

namespace sheafpad {
namespace {

std::string CutToMaxLength(std::string_view text) {
    return std::string(text.substr(0, kIniMaxValueLength));
}

// True when a section or key name can be written without changing the file's
// structure.
bool IsSafeName(std::string_view name, std::string_view forbidden) {
    return !name.empty() && ini::FitsOnOneLine(name) &&
           name.find_first_of(forbidden) == std::string_view::npos && name.front() != ' ' &&
           name.back() != ' ' && name.front() != '\t' && name.back() != '\t';
}

} // namespace

std::optional<int32_t> IniTextToInt(std::string_view text) {
    // "0x" and "0X" are taken after the sign below, so a text starting with
    // them needs no case of its own.
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    const auto at = [&](size_t k) { return k < text.size() ? text[k] : '\0'; };
    bool hex = false;
    if (at(i) == '$' || at(i) == 'x' || at(i) == 'X') {
        hex = true;
        i += 1;
    } else if (at(i) == '0' && (at(i + 1) == 'x' || at(i + 1) == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size()) {
        return std::nullopt; // no digit
    }
    if (hex) {
        uint32_t value = 0;
        for (; i < text.size(); ++i) {
            const int digit = HexValue(text[i]);
            if (digit < 0 || value > 0x0FFFFFFFu) {
                return std::nullopt;
            }
            value = value * 16 + uint32_t(digit);
        }
        if (negative) {
            value = 0u - value;
        }
        return int32_t(value);
    }
    // Decimal: accumulate as a magnitude and check the range of the sign.
    const uint64_t limit = negative ? 2147483648u : 2147483647u;
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + uint64_t(text[i] - '0');
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    return negative ? int32_t(-int64_t(magnitude)) : int32_t(magnitude);
}

std::string IniIntToText(int32_t value) {
    return std::to_string(value);
}

int32_t TCustomIniFile::ReadInteger(std::string_view section, std::string_view ident, int32_t def) {
    return IniTextToInt(ReadString(section, ident, "")).value_or(def);
}

void TCustomIniFile::WriteInteger(std::string_view section, std::string_view ident, int32_t value) {
    WriteString(section, ident, IniIntToText(value));
}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident,
                                 std::string_view def) {
    const std::optional<std::string> content = ini::ReadCapped(FileName());
    if (!content) {
        return CutToMaxLength(def);
    }
    const std::optional<std::string_view> value = ini::FindValue(*content, section, ident);
    if (!value) {
        return CutToMaxLength(def);
    }
    // A NUL cannot be part of any name or text this program keeps; what
    // follows one is not taken.
    return CutToMaxLength(value->substr(0, value->find('\0')));
}

void TIniFile::WriteString(std::string_view section, std::string_view ident,
                           std::string_view value) {
    if (!IsSafeName(section, "[]")) {
        throw EIniFileException(
            FileName(),
            FillIn(UserText("Settings", "The section name \"%1\" cannot be stored in it"),
                   {section}));
    }
    if (!IsSafeName(ident, "=[")) {
        throw EIniFileException(
            FileName(),
            FillIn(UserText("Settings", "The key name \"%1\" cannot be stored in it"), {ident}));
    }
    if (!ini::FitsOnOneLine(value)) {
        // A value runs to the end of its line, so it cannot hold a line break.
        const bool nul = value.find('\0') != std::string_view::npos &&
                         value.find_first_of("\r\n") == std::string_view::npos;
        throw EIniFileException(
            FileName(),
            FillIn(nul ? UserText("Settings", "The value of \"%1\" holds a NUL character")
                       : UserText("Settings", "The value of \"%1\" holds a line break"),
                   {ident}));
    }
    std::string content; // stays empty for a missing file, which is created
    if (!ini::ReadForUpdate(FileName(), content)) {
        throw EIniFileException(FileName());
    }
    if (!ini::ReplaceContent(FileName(), ini::SetValue(content, section, ident, value))) {
        throw EIniFileException(FileName());
    }
}

} // namespace sheafpad
