// SPDX-License-Identifier: GPL-3.0-or-later
// The links of a page being edited, kept current edit by edit: the links
// after an edit move with it, and only the tags that the edits touched or
// whose structure the parse changed are read again, so that a key in a
// large page costs little. Links of a style sheet or a script are read again
// in full.
#pragma once

#include "links/link_scan.h"
#include "syntax/syntax_edit.h"
#include "syntax/syntax_parser.h"

#include <vector>

namespace sheafpad::links {

class LinkTracker {
public:
    // Whether the links are known: false until a full read, and after Forget.
    bool Known() const { return known_; }
    void Forget();
    // An edit made to the text since the links were read; told to the trees too.
    void Edit(const syntax::SyntaxEdit& edit);
    // After parser parsed the text (the text it parsed): the links read
    // again where needed, or in full where the parse did not reuse the
    // trees the links came from.
    void Update(LinkScanner& scanner, const syntax::SyntaxParser& parser, const SnapshotText& text);
    const std::vector<RawLink>& Links() const { return links_; }

private:
    bool known_ = false;
    std::vector<RawLink> links_;
    std::vector<ByteRange> touched_; // where edits were, as the text is now
};

} // namespace sheafpad::links
