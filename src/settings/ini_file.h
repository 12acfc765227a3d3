// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store: values kept by section and key in an initialization
// file. A store only records its path when created; each operation goes to
// the file itself, so every write is in the file as soon as it returns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sheafpad {

// Values read back are cut to this many characters.
constexpr size_t kIniMaxValueLength = 2047;

// Text to 32-bit integer by the settings file's rules: leading spaces, one
// optional sign, then decimal digits (in range) or a hexadecimal number
// marked by "$", "x", "X" or "0x"/"0X" (up to FFFFFFFF, taken as signed 32
// bits, a "-" negating it); nothing may follow the digits. A text of more
// than two characters starting "0x" or "0X" counts as hexadecimal too.
std::optional<int32_t> IniTextToInt(std::string_view text);

// Decimal digits with a leading "-" for negative values.
std::string IniIntToText(int32_t value);

class TCustomIniFile {
public:
    explicit TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    virtual ~TCustomIniFile() = default;
    TCustomIniFile(const TCustomIniFile&) = delete;
    TCustomIniFile& operator=(const TCustomIniFile&) = delete;

    const std::string& FileName() const { return fileName_; }

    // The key's value, or def when the file, section or key is missing or the
    // file cannot be read; either cut to kIniMaxValueLength characters.
    virtual std::string ReadString(std::string_view section, std::string_view ident,
                                   std::string_view def) = 0;
    // Throws EIniFileException (with FileName()) when the value cannot be written.
    virtual void WriteString(std::string_view section, std::string_view ident,
                             std::string_view value) = 0;
    // The key's value read as text and converted by IniTextToInt; def when it
    // is missing or does not convert.
    virtual int32_t ReadInteger(std::string_view section, std::string_view ident, int32_t def);
    virtual void WriteInteger(std::string_view section, std::string_view ident, int32_t value);

private:
    std::string fileName_; // full path of the file
};

// The store on a file of this machine. Lines are ended by CR LF; entries and
// sections it does not write are kept byte for byte, in their places. A value
// that would break a line (holding CR, LF or NUL) is refused like a failed
// write: the file is left as it was.
class TIniFile : public TCustomIniFile {
public:
    using TCustomIniFile::TCustomIniFile;
    ~TIniFile() override { Release(); }

    std::string ReadString(std::string_view section, std::string_view ident,
                           std::string_view def) override;
    void WriteString(std::string_view section, std::string_view ident,
                     std::string_view value) override;

    // Every write is already in the file; kept so that the end of a store's
    // use is marked where the caller releases it.
    void Release() {}
};

} // namespace sheafpad
