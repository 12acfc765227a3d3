// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/link_scan.h"

#include "links/link_text.h"

#include <algorithm>
#include <cstring>

namespace sheafpad::links {

namespace {

// UTF-16 units of a UTF-8 text.
uint32_t Units(std::string_view utf8) {
    uint32_t units = 0;
    for (const char c : utf8) {
        const auto byte = uint8_t(c);
        units += (byte & 0xC0) != 0x80 ? (byte >= 0xF0 ? 2 : 1) : 0;
    }
    return units;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = char(c + ('a' - 'A'));
        }
    }
    return text;
}

constexpr std::string_view kLinkAttributes[] = {"href",   "src",        "poster", "data",
                                                "action", "formaction", "cite"};

// A grammar's node kinds by number, looked up once per tree.
struct Symbols {
    explicit Symbols(const TSLanguage* language) : language_(language) {}
    TSSymbol operator()(const char* name) const {
        return ts_language_symbol_for_name(language_, name, uint32_t(strlen(name)), true);
    }
    const TSLanguage* language_;
};

// Calls visit on every node of the tree in order; visit returns false to
// skip the node's children.
template <typename Visit> void ForEachNode(TSNode root, Visit visit) {
    TSTreeCursor cursor = ts_tree_cursor_new(root);
    for (;;) {
        if (visit(ts_tree_cursor_current_node(&cursor)) &&
            ts_tree_cursor_goto_first_child(&cursor)) {
            continue;
        }
        while (!ts_tree_cursor_goto_next_sibling(&cursor)) {
            if (!ts_tree_cursor_goto_parent(&cursor)) {
                ts_tree_cursor_delete(&cursor);
                return;
            }
        }
    }
}

// The same over the nodes that meet [from, to] (touching counts), skipping
// whole runs of children outside it.
template <typename Visit> void ForEachNodeIn(TSNode root, uint32_t from, uint32_t to, Visit visit) {
    TSTreeCursor cursor = ts_tree_cursor_new(root);
    bool descend = visit(root);
    for (;;) {
        // The first child that ends at from or later, else the next sibling
        // (or the parent's).
        if (!descend ||
            ts_tree_cursor_goto_first_child_for_byte(&cursor, from > 0 ? from - 1 : 0) < 0) {
            while (!ts_tree_cursor_goto_next_sibling(&cursor)) {
                if (!ts_tree_cursor_goto_parent(&cursor)) {
                    ts_tree_cursor_delete(&cursor);
                    return;
                }
            }
        }
        const TSNode node = ts_tree_cursor_current_node(&cursor);
        if (ts_node_start_byte(node) > to || ts_node_end_byte(node) < from) {
            // Past the range: nothing more at this level.
            if (!ts_tree_cursor_goto_parent(&cursor)) {
                ts_tree_cursor_delete(&cursor);
                return;
            }
            descend = false;
            continue;
        }
        descend = visit(node);
    }
}

} // namespace

bool MayHoldLinks(syntax::Language language, std::string_view utf8) {
    switch (language) {
    case syntax::Language::Css:
        // url( in any case, and @import (an at-rule's name has no case).
        for (size_t at = 0; (at = utf8.find_first_of("(@", at)) != std::string_view::npos; ++at) {
            const std::string_view before = utf8.substr(at >= 3 ? at - 3 : 0, at >= 3 ? 3 : 0);
            if ((utf8[at] == '(' && Lower(std::string(before)) == "url") ||
                (utf8[at] == '@' && Lower(std::string(utf8.substr(at + 1, 6))) == "import")) {
                return true;
            }
        }
        return false;
    case syntax::Language::JavaScript:
        // Every link a script holds is written with one of these words.
        for (const std::string_view word : {"import", "export", "Worker", "URL"}) {
            if (utf8.find(word) != std::string_view::npos) {
                return true;
            }
        }
        return false;
    case syntax::Language::Html:
        return true;
    case syntax::Language::Plain:
        break;
    }
    return false;
}

std::string ByteText::Slice(uint32_t start, uint32_t end) const {
    end = std::min<uint32_t>(end, uint32_t(bytes_.size()));
    start = std::min(start, end);
    const std::string_view part = bytes_.substr(start, end - start);
    if (encoding_ == TextEncoding::Utf8) {
        return std::string(part);
    }
    std::string out;
    for (const char c : part) {
        const auto byte = uint8_t(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += char(0xC0 | (byte >> 6));
            out += char(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

uint32_t ByteText::Width(std::string_view utf8) const {
    return encoding_ == TextEncoding::Utf8 ? uint32_t(utf8.size()) : Units(utf8);
}

uint32_t ByteText::Column(uint32_t lineStart, uint32_t start) const {
    uint32_t from = lineStart, column = 1;
    if (lastLine_ == lineStart && lastPos_ <= start) {
        from = lastPos_;
        column = lastColumn_;
    }
    const std::string_view part = bytes_.substr(from, start - from);
    column += encoding_ == TextEncoding::Utf8 ? Units(part) : uint32_t(part.size());
    lastLine_ = lineStart;
    lastPos_ = start;
    lastColumn_ = column;
    return column;
}

std::string SnapshotText::Slice(uint32_t start, uint32_t end) const {
    const std::u16string units = text_.Text(start / 2, (end - start) / 2);
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t code = units[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        AppendUtf8(out, code);
    }
    return out;
}

uint32_t SnapshotText::Width(std::string_view utf8) const {
    return 2 * Units(utf8);
}

uint32_t SnapshotText::Column(uint32_t lineStart, uint32_t start) const {
    return (start - lineStart) / 2 + 1;
}

struct LinkScanner::Walk {
    const ScanText& text;
    LinkScanner* scanner;
    std::vector<RawLink>& out;

    // One cursor for every tag's children: ts_node_named_child(i) walks
    // the children from the first each time.
    std::optional<TSTreeCursor> cursor;
    std::vector<TSNode> children, parts;
    ~Walk() {
        if (cursor) {
            ts_tree_cursor_delete(&*cursor);
        }
    }
    // The named children of node, in order.
    const std::vector<TSNode>& NamedChildren(TSNode node, std::vector<TSNode>& into) {
        into.clear();
        if (cursor) {
            ts_tree_cursor_reset(&*cursor, node);
        } else {
            cursor = ts_tree_cursor_new(node);
        }
        if (ts_tree_cursor_goto_first_child(&*cursor)) {
            do {
                const TSNode child = ts_tree_cursor_current_node(&*cursor);
                if (ts_node_is_named(child)) {
                    into.push_back(child);
                }
            } while (ts_tree_cursor_goto_next_sibling(&*cursor));
        }
        return into;
    }

    // A value at [start, end) that begins at point.
    void Add(uint32_t start, uint32_t end, TSPoint point, LinkKind kind) {
        RawLink link;
        link.start = start;
        link.end = end;
        link.line = point.row + 1;
        link.column = text.Column(start - point.column, start);
        link.kind = kind;
        link.value = text.Slice(start, end);
        out.push_back(std::move(link));
    }

    // A part of a value already added (the last link): [piece.start, piece.end)
    // of its text, which replaces it when replace, else is added after it.
    void AddPiece(const RawLink& whole, Piece piece, LinkKind kind) {
        const std::string_view value = whole.value;
        const std::string_view before = value.substr(0, piece.start);
        RawLink link;
        link.start = whole.start + text.Width(before);
        link.end = link.start + text.Width(value.substr(piece.start, piece.end - piece.start));
        const size_t feed = before.rfind('\n');
        if (feed == std::string_view::npos) {
            link.line = whole.line;
            link.column = whole.column + Units(before);
        } else {
            link.line = whole.line + uint32_t(std::count(before.begin(), before.end(), '\n'));
            link.column = Units(before.substr(feed + 1)) + 1;
        }
        link.kind = kind;
        link.value = std::string(value.substr(piece.start, piece.end - piece.start));
        out.push_back(std::move(link));
    }

    // The inside of a quoted node (an attribute value, a string): without
    // its quotes, the closing one only where it is there.
    void AddQuoted(TSNode node, LinkKind kind) {
        const uint32_t start = ts_node_start_byte(node), end = ts_node_end_byte(node);
        const uint32_t quote = text.Width("\"");
        if (end - start < quote) {
            return;
        }
        const std::string open = text.Slice(start, start + quote);
        const bool closed = end - start >= 2 * quote && text.Slice(end - quote, end) == open;
        TSPoint point = ts_node_start_point(node);
        point.column += quote;
        Add(start + quote, closed ? end - quote : end, point, kind);
    }

    // The HTML grammar's kinds of node that a tag is made of.
    struct TagSymbols {
        explicit TagSymbols(const Symbols& symbol)
            : tagName(symbol("tag_name")), attribute(symbol("attribute")),
              quoted(symbol("quoted_attribute_value")) {}
        TSSymbol tagName, attribute, quoted;
    };
    struct HtmlSymbols;
    // Reads the node; whether its children are to be visited.
    bool HtmlNode(TSNode node, const HtmlSymbols& symbol);
    void Html(TSNode root);
    // Only the nodes that meet ranges (whole tags, in order, apart).
    void HtmlIn(TSNode root, const std::vector<ByteRange>& ranges);
    // The CSS or script inside a <style> or <script> element.
    void Embedded(TSNode content, syntax::Language language);
    void Tag(TSNode tag, const TagSymbols& symbol);
    void Css(TSNode root, LinkKind kind);
    void Script(TSNode root);
    // The CSS of a style attribute's value, the last link added.
    void StyleAttribute();
};

// The HTML grammar's kinds of node that the walk tells apart.
struct LinkScanner::Walk::HtmlSymbols {
    explicit HtmlSymbols(const Symbols& symbol)
        : tag(symbol), startTag(symbol("start_tag")), selfClosing(symbol("self_closing_tag")),
          script(symbol("script_element")), style(symbol("style_element")),
          rawText(symbol("raw_text")), endTag(symbol("end_tag")), text(symbol("text")),
          comment(symbol("comment")) {}
    TagSymbols tag;
    TSSymbol startTag, selfClosing, script, style, rawText, endTag, text, comment;

    // A tag, or a <script> or <style> element: what holds links, read whole.
    bool IsUnit(TSSymbol kind) const {
        return kind == startTag || kind == selfClosing || kind == script || kind == style;
    }
};

bool LinkScanner::Walk::HtmlNode(TSNode node, const HtmlSymbols& symbol) {
    const TSSymbol kind = ts_node_symbol(node);
    if (kind == symbol.startTag || kind == symbol.selfClosing) {
        Tag(node, symbol.tag);
        return false;
    }
    if (kind == symbol.script || kind == symbol.style) {
        // Its contents are read here rather than parsed with the page:
        // most pages' scripts and styles name no file, and are not parsed.
        for (uint32_t i = 0, count = ts_node_child_count(node); i < count; ++i) {
            const TSNode child = ts_node_child(node, i);
            if (ts_node_symbol(child) == symbol.startTag) {
                Tag(child, symbol.tag);
            } else if (ts_node_symbol(child) == symbol.rawText) {
                Embedded(child, kind == symbol.script ? syntax::Language::JavaScript
                                                      : syntax::Language::Css);
            }
        }
        return false;
    }
    return kind != symbol.endTag && kind != symbol.text && kind != symbol.comment;
}

void LinkScanner::Walk::Html(TSNode root) {
    const HtmlSymbols symbol{Symbols(ts_tree_language(root.tree))};
    ForEachNode(root, [&](TSNode node) { return HtmlNode(node, symbol); });
}

void LinkScanner::Walk::HtmlIn(TSNode root, const std::vector<ByteRange>& ranges) {
    const HtmlSymbols symbol{Symbols(ts_tree_language(root.tree))};
    for (const ByteRange& range : ranges) {
        ForEachNodeIn(root, range.start, range.end,
                      [&](TSNode node) { return HtmlNode(node, symbol); });
    }
}

std::vector<ByteRange> LinkScanner::WholeUnits(const syntax::SyntaxTrees& trees,
                                               std::vector<ByteRange> ranges) {
    std::sort(ranges.begin(), ranges.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.start < b.start; });
    std::vector<ByteRange> merged;
    const TSNode root = ts_tree_root_node(trees.tree.get());
    const Walk::HtmlSymbols symbol{Symbols(ts_tree_language(trees.tree.get()))};
    for (ByteRange range : ranges) {
        // Grown to the whole of each tag it meets, until it meets no more.
        for (;;) {
            ByteRange grown = range;
            ForEachNodeIn(root, range.start, range.end, [&](TSNode node) {
                if (!symbol.IsUnit(ts_node_symbol(node))) {
                    return true;
                }
                grown.start = std::min(grown.start, ts_node_start_byte(node));
                grown.end = std::max(grown.end, ts_node_end_byte(node));
                return false;
            });
            if (grown.start == range.start && grown.end == range.end) {
                break;
            }
            range = grown;
        }
        if (!merged.empty() && range.start <= merged.back().end) {
            merged.back().end = std::max(merged.back().end, range.end);
        } else {
            merged.push_back(range);
        }
    }
    return merged;
}

std::vector<RawLink> LinkScanner::ScanRanges(const syntax::SyntaxTrees& trees, const ScanText& text,
                                             const std::vector<ByteRange>& ranges) {
    std::vector<RawLink> links;
    if (trees.Empty() || trees.language != syntax::Language::Html) {
        return links;
    }
    Walk walk{text, this, links};
    walk.HtmlIn(ts_tree_root_node(trees.tree.get()), ranges);
    std::stable_sort(links.begin(), links.end(),
                     [](const RawLink& a, const RawLink& b) { return a.start < b.start; });
    return links;
}

void LinkScanner::Walk::Embedded(TSNode content, syntax::Language language) {
    if (scanner == nullptr) {
        return;
    }
    Add(ts_node_start_byte(content), ts_node_end_byte(content), ts_node_start_point(content),
        LinkKind::Html);
    const RawLink whole = std::move(out.back());
    out.pop_back();
    for (const RawLink& link : scanner->ScanInner(language, whole.value)) {
        AddPiece(whole, Piece{link.start, link.end}, link.kind);
    }
}

void LinkScanner::Walk::Tag(TSNode tag, const TagSymbols& symbol) {
    const TSSymbol tagName = symbol.tagName, attribute = symbol.attribute, quoted = symbol.quoted;
    std::string name;
    bool refresh = false;
    std::optional<RawLink> content;
    for (const TSNode child : NamedChildren(tag, children)) {
        const TSSymbol kind = ts_node_symbol(child);
        if (kind == tagName) {
            name = Lower(text.Slice(ts_node_start_byte(child), ts_node_end_byte(child)));
            continue;
        }
        if (kind != attribute || NamedChildren(child, parts).size() < 2) {
            continue; // an attribute without a value names nothing
        }
        const TSNode key = parts[0];
        const TSNode value = parts[1];
        const std::string attributeName =
            Lower(text.Slice(ts_node_start_byte(key), ts_node_end_byte(key)));
        const bool link = std::find(std::begin(kLinkAttributes), std::end(kLinkAttributes),
                                    attributeName) != std::end(kLinkAttributes);
        const bool wanted = (link && name != "base") || attributeName == "srcset" ||
                            attributeName == "style" || attributeName == "content" ||
                            attributeName == "http-equiv";
        if (!wanted) {
            continue;
        }
        const size_t before = out.size();
        if (ts_node_symbol(value) == quoted) {
            AddQuoted(value, LinkKind::Html);
        } else {
            Add(ts_node_start_byte(value), ts_node_end_byte(value), ts_node_start_point(value),
                LinkKind::Html);
        }
        if (out.size() == before || link) {
            continue;
        }
        // Not a link itself: what it holds is.
        RawLink whole = std::move(out.back());
        out.pop_back();
        if (attributeName == "srcset") {
            for (const Piece& piece : SrcsetUrls(whole.value)) {
                AddPiece(whole, piece, LinkKind::Html);
            }
        } else if (attributeName == "style") {
            out.push_back(std::move(whole));
            StyleAttribute();
        } else if (attributeName == "content") {
            content = std::move(whole);
        } else {
            refresh = Lower(whole.value) == "refresh";
        }
    }
    if (name == "meta" && refresh && content) {
        if (const std::optional<Piece> url = RefreshUrl(content->value)) {
            AddPiece(*content, *url, LinkKind::Html);
        }
    }
}

void LinkScanner::Walk::StyleAttribute() {
    const RawLink whole = std::move(out.back());
    out.pop_back();
    if (scanner == nullptr || !MayHoldLinks(syntax::Language::Css, whole.value)) {
        return;
    }
    // A declaration list, parsed as the block of a rule.
    const std::string sheet = "a{" + whole.value + "}";
    for (const RawLink& link : scanner->ScanInner(syntax::Language::Css, sheet)) {
        AddPiece(whole, Piece{link.start - 2, link.end - 2}, LinkKind::Css);
    }
}

void LinkScanner::Walk::Css(TSNode root, LinkKind kind) {
    const Symbols symbol(ts_tree_language(root.tree));
    const TSSymbol call = symbol("call_expression"), function = symbol("function_name"),
                   arguments = symbol("arguments"), string = symbol("string_value"),
                   plain = symbol("plain_value"), import = symbol("import_statement"),
                   declaration = symbol("declaration");
    auto addValue = [&](TSNode value) {
        if (ts_node_symbol(value) == string) {
            AddQuoted(value, kind);
        } else if (ts_node_symbol(value) == plain) {
            Add(ts_node_start_byte(value), ts_node_end_byte(value), ts_node_start_point(value),
                kind);
        }
    };
    ForEachNode(root, [&](TSNode node) {
        const TSSymbol type = ts_node_symbol(node);
        if ((type == declaration || type == import || ts_node_symbol(node) == TSSymbol(-1)) &&
            ts_node_has_error(node)) {
            // The grammar takes an unquoted url(../a.png) or url(/a.png) for
            // an error: such a declaration is read as CSS reads it.
            Add(ts_node_start_byte(node), ts_node_end_byte(node), ts_node_start_point(node), kind);
            const RawLink whole = std::move(out.back());
            out.pop_back();
            for (const Piece& piece : CssUrls(whole.value)) {
                AddPiece(whole, piece, kind);
            }
            return false;
        }
        if (type == import && ts_node_named_child_count(node) > 0) {
            addValue(ts_node_named_child(node, 0)); // a string; url(...) is a call
        } else if (type == call && ts_node_named_child_count(node) == 2) {
            const TSNode name = ts_node_named_child(node, 0);
            const TSNode args = ts_node_named_child(node, 1);
            if (ts_node_symbol(name) == function && ts_node_symbol(args) == arguments &&
                Lower(text.Slice(ts_node_start_byte(name), ts_node_end_byte(name))) == "url" &&
                ts_node_named_child_count(args) == 1) {
                addValue(ts_node_named_child(args, 0));
            }
            return false;
        }
        return true;
    });
}

void LinkScanner::Walk::Script(TSNode root) {
    const Symbols symbol(ts_tree_language(root.tree));
    const TSSymbol importStatement = symbol("import_statement"),
                   exportStatement = symbol("export_statement"), call = symbol("call_expression"),
                   newExpression = symbol("new_expression"), string = symbol("string"),
                   import = symbol("import"), identifier = symbol("identifier");
    auto field = [](TSNode node, const char* name) {
        return ts_node_child_by_field_name(node, name, uint32_t(strlen(name)));
    };
    auto slice = [&](TSNode node) {
        return text.Slice(ts_node_start_byte(node), ts_node_end_byte(node));
    };
    // The first argument, when it is a string; the arguments when given.
    auto firstString = [&](TSNode node, TSNode* args) {
        const TSNode list = field(node, "arguments");
        if (args) {
            *args = list;
        }
        if (ts_node_is_null(list) || ts_node_named_child_count(list) == 0) {
            return TSNode{};
        }
        const TSNode first = ts_node_named_child(list, 0);
        return ts_node_symbol(first) == string ? first : TSNode{};
    };
    ForEachNode(root, [&](TSNode node) {
        const TSSymbol type = ts_node_symbol(node);
        if (type == importStatement || type == exportStatement) {
            const TSNode source = field(node, "source");
            if (!ts_node_is_null(source) && ts_node_symbol(source) == string) {
                AddQuoted(source, LinkKind::Script);
            }
        } else if (type == call) {
            const TSNode callee = field(node, "function");
            const TSNode first = firstString(node, nullptr);
            if (!ts_node_is_null(callee) && ts_node_symbol(callee) == import &&
                first.tree != nullptr) {
                AddQuoted(first, LinkKind::Script);
            }
        } else if (type == newExpression) {
            const TSNode made = field(node, "constructor");
            TSNode args{};
            const TSNode first = firstString(node, &args);
            if (ts_node_is_null(made) || ts_node_symbol(made) != identifier ||
                first.tree == nullptr) {
                return true;
            }
            const std::string name = slice(made);
            const bool url = name == "URL" && ts_node_named_child_count(args) == 2 &&
                             slice(ts_node_named_child(args, 1)) == "import.meta.url";
            if (name == "Worker" || name == "SharedWorker" || url) {
                AddQuoted(first, LinkKind::Script);
            }
        }
        // A string's parts hold nothing more (a data file such as a search
        // index is mostly strings).
        return type != string;
    });
}

LinkScanner::LinkScanner() = default;
LinkScanner::~LinkScanner() = default;

std::unique_ptr<syntax::SyntaxParser> LinkScanner::ParserFor(syntax::Language language) {
    return std::make_unique<syntax::SyntaxParser>(language, false);
}

std::vector<RawLink> LinkScanner::ScanInner(syntax::Language language, std::string_view utf8) {
    std::vector<RawLink> found;
    if (!MayHoldLinks(language, utf8)) {
        return found;
    }
    std::unique_ptr<syntax::SyntaxParser>& parser =
        language == syntax::Language::Css ? innerCss_ : innerScript_;
    if (!parser) {
        parser = ParserFor(language);
    }
    if (parser->ParseUtf8(utf8) != syntax::ParseOutcome::Parsed || parser->Trees().Empty()) {
        return found;
    }
    const ByteText text(utf8, TextEncoding::Utf8);
    Walk inner{text, nullptr, found};
    const TSNode root = ts_tree_root_node(parser->Trees().tree.get());
    if (language == syntax::Language::Css) {
        inner.Css(root, LinkKind::Css);
    } else {
        inner.Script(root);
    }
    parser->Drop();
    return found;
}

std::vector<RawLink> LinkScanner::ScanBytes(syntax::Language language, std::string_view bytes,
                                            TextEncoding encoding) {
    std::unique_ptr<syntax::SyntaxParser>* parser = nullptr;
    switch (language) {
    case syntax::Language::Html:
        parser = &html_;
        break;
    case syntax::Language::Css:
        parser = &css_;
        break;
    case syntax::Language::JavaScript:
        parser = &script_;
        break;
    case syntax::Language::Plain:
        return {};
    }
    if (!MayHoldLinks(language, bytes)) {
        return {};
    }
    if (!*parser) {
        *parser = ParserFor(language);
    }
    if ((*parser)->ParseUtf8(bytes) != syntax::ParseOutcome::Parsed) {
        return {};
    }
    const ByteText text(bytes, encoding);
    std::vector<RawLink> links = ScanTrees((*parser)->Trees(), text);
    (*parser)->Drop(); // the trees take many times the text
    return links;
}

std::vector<RawLink> LinkScanner::ScanTrees(const syntax::SyntaxTrees& trees,
                                            const ScanText& text) {
    std::vector<RawLink> links;
    if (trees.Empty()) {
        return links;
    }
    Walk walk{text, this, links};
    auto walkTree = [&](syntax::Language language, TSNode root) {
        switch (language) {
        case syntax::Language::Html:
            walk.Html(root);
            break;
        case syntax::Language::Css:
            walk.Css(root, LinkKind::Css);
            break;
        case syntax::Language::JavaScript:
            walk.Script(root);
            break;
        case syntax::Language::Plain:
            break;
        }
    };
    // A page's styles and scripts are read from its own tree, not from
    // trees.embedded.
    walkTree(trees.language, ts_tree_root_node(trees.tree.get()));
    std::stable_sort(links.begin(), links.end(),
                     [](const RawLink& a, const RawLink& b) { return a.start < b.start; });
    return links;
}

std::optional<uint32_t> LinkScanner::FindAnchor(const syntax::SyntaxTrees& trees,
                                                const ScanText& text, std::string_view fragment) {
    if (trees.Empty() || trees.language != syntax::Language::Html || fragment.empty()) {
        return std::nullopt;
    }
    const TSNode root = ts_tree_root_node(trees.tree.get());
    const Symbols symbol(ts_tree_language(trees.tree.get()));
    const TSSymbol startTag = symbol("start_tag"), selfClosing = symbol("self_closing_tag"),
                   attribute = symbol("attribute"), tagName = symbol("tag_name"),
                   quoted = symbol("quoted_attribute_value");
    std::optional<uint32_t> found;
    ForEachNode(root, [&](TSNode node) {
        const TSSymbol kind = ts_node_symbol(node);
        if (found || (kind != startTag && kind != selfClosing)) {
            return !found;
        }
        bool anchor = false;
        for (uint32_t i = 0; i < ts_node_named_child_count(node); ++i) {
            const TSNode child = ts_node_named_child(node, i);
            if (ts_node_symbol(child) == tagName) {
                anchor =
                    Lower(text.Slice(ts_node_start_byte(child), ts_node_end_byte(child))) == "a";
            }
            if (ts_node_symbol(child) != attribute || ts_node_named_child_count(child) < 2) {
                continue;
            }
            const TSNode key = ts_node_named_child(child, 0);
            const std::string name =
                Lower(text.Slice(ts_node_start_byte(key), ts_node_end_byte(key)));
            if (name != "id" && !(name == "name" && anchor)) {
                continue;
            }
            std::vector<RawLink> value;
            Walk walk{text, nullptr, value};
            const TSNode valueNode = ts_node_named_child(child, 1);
            if (ts_node_symbol(valueNode) == quoted) {
                walk.AddQuoted(valueNode, LinkKind::Html);
            } else {
                walk.Add(ts_node_start_byte(valueNode), ts_node_end_byte(valueNode),
                         ts_node_start_point(valueNode), LinkKind::Html);
            }
            if (!value.empty() && SplitValue(value[0].value, LinkKind::Html).path == fragment) {
                found = ts_node_start_byte(node);
                return false;
            }
        }
        return false;
    });
    return found;
}

} // namespace sheafpad::links
