// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/link_text.h"

#include "base/hex_value.h"

#include <algorithm>
#include <cctype>

namespace sheafpad::links {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The character references a path may hold; any other is kept as written.
std::string DecodeReferences(std::string_view text) {
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const std::string_view rest = text.substr(i + 1);
        bool done = false;
        for (const auto& [name, c] : kNamed) {
            if (rest.substr(0, name.size()) == name) {
                out += c;
                i += name.size();
                done = true;
                break;
            }
        }
        if (!done && rest.size() > 1 && rest[0] == '#') {
            const bool hex = rest[1] == 'x' || rest[1] == 'X';
            size_t j = hex ? 2 : 1;
            uint32_t code = 0;
            const size_t first = j;
            while (j < rest.size() && j < first + 7) {
                const int digit =
                    hex ? HexValue(rest[j]) : (std::isdigit(uint8_t(rest[j])) ? rest[j] - '0' : -1);
                if (digit < 0) {
                    break;
                }
                code = code * (hex ? 16 : 10) + uint32_t(digit);
                ++j;
            }
            if (j > first) {
                AppendUtf8(out, code);
                i += j + (j < rest.size() && rest[j] == ';' ? 1 : 0);
                done = true;
            }
        }
        if (!done) {
            out += '&';
        }
    }
    return out;
}

// CSS's and JavaScript's backslash escapes, as far as a path may use them.
std::string DecodeBackslashes(std::string_view text, LinkKind kind) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        if (next == '\n' || next == '\r' || next == '\f') {
            if (next == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            continue; // a line continued
        }
        size_t j = i;
        uint32_t code = 0;
        size_t most = 0;
        if (kind == LinkKind::Css && HexValue(next) >= 0) {
            most = 6;
        } else if (kind == LinkKind::Script && next == 'x') {
            j = i + 1;
            most = 2;
        } else if (kind == LinkKind::Script && next == 'u') {
            j = i + 1;
            most = 4;
            if (j < text.size() && text[j] == '{') {
                ++j;
                most = 6;
            }
        }
        const size_t first = j;
        while (most > 0 && j < text.size() && j < first + most && HexValue(text[j]) >= 0) {
            code = code * 16 + uint32_t(HexValue(text[j++]));
        }
        if (j == first || most == 0) {
            out += next;
            continue;
        }
        AppendUtf8(out, code);
        i = j - 1;
        if (kind == LinkKind::Css && j < text.size() && IsBlank(text[j])) {
            ++i; // one blank ends a hex escape
        } else if (kind == LinkKind::Script && j < text.size() && text[j] == '}') {
            ++i;
        }
    }
    return out;
}

std::string Unescape(std::string_view text, LinkKind kind) {
    if (kind == LinkKind::Html) {
        return text.find('&') == std::string_view::npos ? std::string(text)
                                                        : DecodeReferences(text);
    }
    return text.find('\\') == std::string_view::npos ? std::string(text)
                                                     : DecodeBackslashes(text, kind);
}

std::string PercentDecoded(std::string_view text, bool* nonAscii) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            const char c = char(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            if (uint8_t(c) >= 0x80 && nonAscii) {
                *nonAscii = true;
            }
            out += c;
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

void AppendUtf8(std::string& out, uint32_t code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        code = 0xFFFD;
    }
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

ValueParts SplitValue(std::string_view value, LinkKind kind) {
    ValueParts parts;
    size_t start = 0, end = value.size();
    while (start < end && IsBlank(value[start])) {
        ++start;
    }
    while (end > start && IsBlank(value[end - 1])) {
        --end;
    }
    const std::string_view text = value.substr(start, end - start);
    const size_t cut = std::min(text.find_first_of("?#"), text.size());
    parts.pathStart = start;
    parts.pathEnd = start + cut;
    parts.path = PercentDecoded(Unescape(text.substr(0, cut), kind), &parts.encodedNonAscii);
    const size_t hash = text.find('#');
    parts.hasQuery = cut < text.size() && text[cut] == '?';
    if (hash != std::string_view::npos) {
        parts.hasFragment = true;
        parts.fragment = PercentDecoded(Unescape(text.substr(hash + 1), kind), nullptr);
    }
    return parts;
}

std::string EncodePath(std::string_view path, LinkKind kind, bool encodeNonAscii) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto byte = uint8_t(c);
        const bool unsafe = byte <= 0x20 || byte == 0x7F ||
                            std::string_view("\"'<>%#?\\`").find(c) != std::string_view::npos ||
                            (kind == LinkKind::Css && (c == '(' || c == ')')) ||
                            (byte >= 0x80 && encodeNonAscii);
        if (unsafe) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else if (c == '&' && kind == LinkKind::Html) {
            out += "&amp;";
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<Piece> SrcsetUrls(std::string_view value) {
    std::vector<Piece> urls;
    size_t i = 0;
    while (i < value.size()) {
        while (i < value.size() && (IsBlank(value[i]) || value[i] == ',')) {
            ++i;
        }
        if (i == value.size()) {
            break;
        }
        const size_t start = i;
        while (i < value.size() && !IsBlank(value[i])) {
            ++i;
        }
        size_t end = i;
        if (value[end - 1] == ',') {
            while (end > start && value[end - 1] == ',') {
                --end; // no descriptors
            }
        } else {
            // The descriptors, up to a comma outside parentheses.
            int depth = 0;
            while (i < value.size() && !(value[i] == ',' && depth == 0)) {
                depth += value[i] == '(' ? 1 : value[i] == ')' && depth > 0 ? -1 : 0;
                ++i;
            }
        }
        if (end > start) {
            urls.push_back({start, end});
        }
    }
    return urls;
}

std::vector<Piece> CssUrls(std::string_view text) {
    std::vector<Piece> urls;
    auto isName = [](char c) {
        return std::isalnum(uint8_t(c)) || c == '_' || c == '-' || uint8_t(c) >= 0x80;
    };
    // The end of the string that begins at i (its closing quote, or the end).
    auto stringEnd = [&](size_t i) {
        const char quote = text[i];
        for (++i; i < text.size() && text[i] != quote && text[i] != '\n'; ++i) {
            i += text[i] == '\\' ? 1 : 0;
        }
        return std::min(i, text.size());
    };
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            const size_t close = text.find("*/", i + 2);
            i = close == std::string_view::npos ? text.size() : close + 2;
        } else if (c == '"' || c == '\'') {
            i = stringEnd(i) + 1;
        } else if ((c | 0x20) == 'u' && (i == 0 || !isName(text[i - 1])) && i + 4 <= text.size() &&
                   (text[i + 1] | 0x20) == 'r' && (text[i + 2] | 0x20) == 'l' &&
                   text[i + 3] == '(') {
            size_t j = i + 4;
            while (j < text.size() && IsBlank(text[j])) {
                ++j;
            }
            if (j < text.size() && (text[j] == '"' || text[j] == '\'')) {
                const size_t end = stringEnd(j);
                urls.push_back({j + 1, end});
                i = end + 1;
                continue;
            }
            size_t end = std::min(text.find(')', j), text.size());
            i = end;
            while (end > j && IsBlank(text[end - 1])) {
                --end;
            }
            if (end > j) {
                urls.push_back({j, end});
            }
        } else {
            ++i;
        }
    }
    return urls;
}

std::optional<Piece> RefreshUrl(std::string_view content) {
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < content.size() && IsBlank(content[i])) {
            ++i;
        }
    };
    skipBlanks();
    while (i < content.size() && (std::isdigit(uint8_t(content[i])) || content[i] == '.')) {
        ++i;
    }
    skipBlanks();
    if (i == content.size() || (content[i] != ';' && content[i] != ',')) {
        return std::nullopt;
    }
    ++i;
    skipBlanks();
    if (content.size() - i >= 3 && (content[i] | 0x20) == 'u' && (content[i + 1] | 0x20) == 'r' &&
        (content[i + 2] | 0x20) == 'l') {
        size_t j = i + 3;
        while (j < content.size() && IsBlank(content[j])) {
            ++j;
        }
        if (j < content.size() && content[j] == '=') {
            i = j + 1;
            skipBlanks();
        }
    }
    if (i == content.size()) {
        return std::nullopt;
    }
    size_t end = content.size();
    if (content[i] == '\'' || content[i] == '"') {
        const size_t close = content.find(content[i], i + 1);
        end = close == std::string_view::npos ? content.size() : close;
        ++i;
    }
    while (end > i && IsBlank(content[end - 1])) {
        --end;
    }
    if (end == i) {
        return std::nullopt;
    }
    return Piece{i, end};
}

} // namespace sheafpad::links
