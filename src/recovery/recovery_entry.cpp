// SPDX-License-Identifier: GPL-3.0-or-later
#include "recovery/recovery_entry.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace sheafpad::recovery {
namespace {

constexpr std::string_view kMagic = "Sheafpad recovery 1\n";

std::string_view EncodingName(TextEncoding encoding) {
    return encoding == TextEncoding::Latin1 ? "latin-1" : "utf-8";
}

std::string_view LineBreakName(LineBreak lineBreak) {
    return lineBreak == LineBreak::CrLf ? "crlf" : lineBreak == LineBreak::Lf ? "lf" : "cr";
}

// Reads the fields of the header in order, each a line "<key> <values>".
class Reader {
public:
    explicit Reader(std::string_view bytes) : rest_(bytes) {}

    bool Literal(std::string_view text) {
        if (rest_.substr(0, text.size()) != text) {
            return false;
        }
        rest_.remove_prefix(text.size());
        return true;
    }
    // A decimal number followed by the single character after.
    template <typename Int> bool Number(Int* value, char after) {
        const auto [end, error] =
            std::from_chars(rest_.data(), rest_.data() + rest_.size(), *value);
        if (error != std::errc() || end == rest_.data() || end == rest_.data() + rest_.size() ||
            *end != after) {
            return false;
        }
        rest_.remove_prefix(size_t(end - rest_.data()) + 1);
        return true;
    }
    bool Bytes(size_t length, std::string* out) {
        if (length > rest_.size()) {
            return false;
        }
        out->assign(rest_.substr(0, length));
        rest_.remove_prefix(length);
        return true;
    }
    bool Encoding(TextEncoding* encoding) {
        for (const TextEncoding candidate : {TextEncoding::Utf8, TextEncoding::Latin1}) {
            if (Literal(EncodingName(candidate)) && Literal("\n")) {
                *encoding = candidate;
                return true;
            }
        }
        return false;
    }
    bool LineBreakKind(LineBreak* lineBreak) {
        for (const LineBreak candidate : {LineBreak::CrLf, LineBreak::Lf, LineBreak::Cr}) {
            if (Literal(LineBreakName(candidate)) && Literal("\n")) {
                *lineBreak = candidate;
                return true;
            }
        }
        return false;
    }
    bool AtEnd() const { return rest_.empty(); }
    size_t Left() const { return rest_.size(); }

private:
    std::string_view rest_;
};

bool ParseLoaded(Reader& in, platform::FileIdentity* loaded) {
    if (!in.Literal("loaded ")) {
        return false;
    }
    if (in.Literal("-\n")) {
        *loaded = {};
        return true;
    }
    loaded->exists = true;
    if (!in.Number(&loaded->device, ' ') || !in.Number(&loaded->inode, ' ') ||
        !in.Number(&loaded->mtimeNs, ' ')) {
        return false;
    }
    // The status-change time and the content's hash follow the size; copies
    // written before they were kept end the line after the size.
    return in.Number(&loaded->size, '\n') ||
           (in.Number(&loaded->size, ' ') &&
            (in.Number(&loaded->ctimeNs, '\n') ||
             (in.Number(&loaded->ctimeNs, ' ') && in.Number(&loaded->contentHash, '\n'))));
}

} // namespace

TextEncoding EncodeForCopy(const TextParts& text, TextEncoding fileEncoding,
                           const std::function<void(TextEncoding)>& begin,
                           const std::function<void(std::string_view)>& sink) {
    // Pieces large enough that each write's own cost is small, and small
    // enough to stay in the cache between encoding and writing.
    constexpr size_t kPiece = 256 * 1024;
    std::string buffer(EncodedCapacity(kPiece), '\0');
    std::u16string units;
    units.reserve(kPiece);
    const auto isHigh = [](char16_t unit) { return unit >= 0xD800 && unit < 0xDC00; };
    const auto attempt = [&](TextEncoding encoding, bool repair) {
        begin(encoding);
        units.clear();
        bool ok = true;
        const auto flush = [&](bool last) {
            size_t end = units.size();
            if (!last && end > 0 && isHigh(units[end - 1])) {
                --end; // a surrogate pair stays whole: its first half waits
            }
            for (size_t i = 0; repair && i < end; ++i) {
                if (isHigh(units[i]) && i + 1 < end && units[i + 1] >= 0xDC00 &&
                    units[i + 1] <= 0xDFFF) {
                    ++i; // a whole pair
                } else if (units[i] >= 0xD800 && units[i] <= 0xDFFF) {
                    units[i] = u'\uFFFD'; // a lone half, which no encoding stores
                }
            }
            const size_t size = EncodeTextInto(std::u16string_view(units.data(), end), encoding,
                                               buffer.data(), nullptr);
            if (size == SIZE_MAX) {
                ok = false;
                return;
            }
            sink(std::string_view(buffer.data(), size));
            units.erase(0, end);
        };
        text([&](std::u16string_view part) {
            while (ok && !part.empty()) {
                const size_t take = std::min(part.size(), kPiece - units.size());
                units.append(part.substr(0, take));
                part.remove_prefix(take);
                if (units.size() >= kPiece) {
                    flush(false);
                }
            }
            return ok;
        });
        if (ok) {
            flush(true);
        }
        return ok;
    };
    if (attempt(fileEncoding, false)) {
        return fileEncoding;
    }
    if (fileEncoding != TextEncoding::Utf8 && attempt(TextEncoding::Utf8, false)) {
        return TextEncoding::Utf8;
    }
    attempt(TextEncoding::Utf8, true); // only lone surrogates are left to refuse
    return TextEncoding::Utf8;
}

TextEncoding EncodeForCopy(std::u16string_view text, TextEncoding fileEncoding,
                           const std::function<void(TextEncoding)>& begin,
                           const std::function<void(std::string_view)>& sink) {
    return EncodeForCopy(
        [text](const std::function<bool(std::u16string_view)>& part) { part(text); }, fileEncoding,
        begin, sink);
}

void SetText(Entry& entry, std::u16string_view text, const TextFormat& fileFormat) {
    entry.format = fileFormat;
    entry.textEncoding = EncodeForCopy(
        text, fileFormat.encoding, [&](TextEncoding) { entry.text.clear(); },
        [&](std::string_view piece) { entry.text.append(piece); });
}

std::string LengthDigits(uint64_t length) {
    std::string digits = std::to_string(length);
    return std::string(kLengthDigits - digits.size(), '0') + digits;
}

std::string Header(const Entry& entry) {
    std::string header(kMagic);
    header += "path " + std::to_string(entry.path.size()) + "\n" + entry.path + "\n";
    const platform::FileIdentity& id = entry.loaded;
    if (id.exists) {
        header += "loaded " + std::to_string(id.device) + " " + std::to_string(id.inode) + " " +
                  std::to_string(id.mtimeNs) + " " + std::to_string(id.size) + " " +
                  std::to_string(id.ctimeNs) + " " + std::to_string(id.contentHash) + "\n";
    } else {
        header += "loaded -\n";
    }
    header += "encoding " + std::string(EncodingName(entry.format.encoding)) + "\n";
    header += "text-encoding " + std::string(EncodingName(entry.textEncoding)) + "\n";
    header += "line-break " + std::string(LineBreakName(entry.format.lineBreak)) + "\n";
    if (entry.format.bom) {
        header += "byte-order-mark\n";
    }
    header += "copied " + std::to_string(entry.copiedAtNs) + "\n";
    if (entry.journal != 0) {
        header += "journal " + std::to_string(entry.journal) + "\n";
    }
    header += "text " + LengthDigits(entry.text.size()) + "\n";
    return header;
}

std::optional<ParsedHeader> ParseHeader(std::string_view bytes) {
    Reader in(bytes);
    ParsedHeader parsed;
    Entry& entry = parsed.entry;
    size_t pathLength = 0;
    // Copies from before the format was kept hold CR LF line breaks and no mark.
    entry.format.lineBreak = LineBreak::CrLf;
    bool whole = in.Literal(kMagic) && in.Literal("path ") && in.Number(&pathLength, '\n') &&
                 in.Bytes(pathLength, &entry.path) && in.Literal("\n") &&
                 ParseLoaded(in, &entry.loaded) && in.Literal("encoding ") &&
                 in.Encoding(&entry.format.encoding) && in.Literal("text-encoding ") &&
                 in.Encoding(&entry.textEncoding) &&
                 (!in.Literal("line-break ") || in.LineBreakKind(&entry.format.lineBreak));
    entry.format.bom = whole && in.Literal("byte-order-mark\n");
    whole = whole && in.Literal("copied ") && in.Number(&entry.copiedAtNs, '\n') &&
            (!in.Literal("journal ") || in.Number(&entry.journal, '\n')) && in.Literal("text ") &&
            in.Number(&parsed.textLength, '\n');
    if (!whole || entry.path.empty()) {
        return std::nullopt;
    }
    parsed.headerLength = bytes.size() - in.Left();
    return parsed;
}

std::optional<Entry> Parse(std::string_view bytes) {
    std::optional<ParsedHeader> parsed = ParseHeader(bytes);
    if (!parsed || bytes.size() - parsed->headerLength != parsed->textLength) {
        return std::nullopt;
    }
    parsed->entry.text = bytes.substr(parsed->headerLength);
    return std::move(parsed->entry);
}

} // namespace sheafpad::recovery
