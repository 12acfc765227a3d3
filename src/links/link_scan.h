// SPDX-License-Identifier: GPL-3.0-or-later
// The links of a page, a style sheet or a script, read from its syntax
// trees: nothing in a comment, in a text or in a string that is no link is
// taken for one.
//
// In HTML the attributes href, src, srcset (each candidate), poster, data,
// action, formaction and cite of any element, and the URL of a
// <meta http-equiv="refresh">; in CSS url(...) and @import, also in <style>
// elements and style attributes; in JavaScript static import and export
// ... from, import("...") and new Worker("...") / new SharedWorker("...") /
// new URL("...", import.meta.url) with a string.
#pragma once

#include "links/link_text.h"
#include "syntax/syntax_parser.h"
#include "text/text_codec.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sheafpad::links {

// Whether a text of language can hold a link at all: false only where the
// scan would find none, so that its parse can be left out.
bool MayHoldLinks(syntax::Language language, std::string_view utf8);

// The text that trees were parsed over, as the scan reads it.
class ScanText {
public:
    virtual ~ScanText() = default;
    // The bytes of [start, end) as the trees count them, in UTF-8.
    virtual std::string Slice(uint32_t start, uint32_t end) const = 0;
    // How many bytes of the trees the UTF-8 text takes.
    virtual uint32_t Width(std::string_view utf8) const = 0;
    // The column of start (from 1, in UTF-16 units) in its line, which
    // begins at lineStart.
    virtual uint32_t Column(uint32_t lineStart, uint32_t start) const = 0;
};

// A text held as bytes (UTF-8 or Latin-1), parsed as UTF-8.
class ByteText : public ScanText {
public:
    ByteText(std::string_view bytes, TextEncoding encoding) : bytes_(bytes), encoding_(encoding) {}
    std::string Slice(uint32_t start, uint32_t end) const override;
    uint32_t Width(std::string_view utf8) const override;
    uint32_t Column(uint32_t lineStart, uint32_t start) const override;

private:
    std::string_view bytes_;
    TextEncoding encoding_;
    // The last column counted, so that many links on one long line are
    // counted once.
    mutable uint32_t lastLine_ = UINT32_MAX, lastPos_ = 0, lastColumn_ = 0;
};

// The pane's text, parsed as UTF-16: the trees count two bytes a unit.
class SnapshotText : public ScanText {
public:
    explicit SnapshotText(const TextSnapshot& text) : text_(text) {}
    std::string Slice(uint32_t start, uint32_t end) const override;
    uint32_t Width(std::string_view utf8) const override;
    uint32_t Column(uint32_t lineStart, uint32_t start) const override;

private:
    const TextSnapshot& text_;
};

// [start, end] of a text, as its trees count.
struct ByteRange {
    uint32_t start = 0, end = 0;
};

// Reads links; holds the parsers, so that one thread reuses them for file
// after file. Used on one thread at a time.
class LinkScanner {
public:
    LinkScanner();
    ~LinkScanner();
    LinkScanner(const LinkScanner&) = delete;
    LinkScanner& operator=(const LinkScanner&) = delete;

    // The links of a whole file's bytes (without a byte-order mark): their
    // places are byte offsets into bytes.
    std::vector<RawLink> ScanBytes(syntax::Language language, std::string_view bytes,
                                   TextEncoding encoding);
    // The links from trees parsed over text.
    std::vector<RawLink> ScanTrees(const syntax::SyntaxTrees& trees, const ScanText& text);

    // For a page: ranges grown to the whole of each tag and each <script> or
    // <style> element that they meet (touching counts), sorted and merged.
    static std::vector<ByteRange> WholeUnits(const syntax::SyntaxTrees& trees,
                                             std::vector<ByteRange> ranges);
    // The links of a page's trees that lie in ranges, which WholeUnits made.
    std::vector<RawLink> ScanRanges(const syntax::SyntaxTrees& trees, const ScanText& text,
                                    const std::vector<ByteRange>& ranges);

    // Where the element whose id (or, for <a>, name) is fragment begins: the
    // start of its tag, as the trees count; nothing when there is none.
    static std::optional<uint32_t> FindAnchor(const syntax::SyntaxTrees& trees,
                                              const ScanText& text, std::string_view fragment);

private:
    struct Walk;
    std::unique_ptr<syntax::SyntaxParser> ParserFor(syntax::Language language);
    // The links of CSS or script inside a page (a style attribute, a
    // <style> or <script> element), as places in utf8.
    std::vector<RawLink> ScanInner(syntax::Language language, std::string_view utf8);

    std::unique_ptr<syntax::SyntaxParser> html_, css_, script_;
    std::unique_ptr<syntax::SyntaxParser> innerCss_, innerScript_; // for what a page holds
};

} // namespace sheafpad::links
