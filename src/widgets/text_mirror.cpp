#include "widgets/text_mirror.h"

#include <QAbstractTextDocumentLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace sheafpad {

TextMirror::TextMirror(QTextDocument* document) : document_(document) {
    // A document reports its changes only once it has a layout.
    document->documentLayout();
    changes_ = QObject::connect(
        document, &QTextDocument::contentsChange, document,
        [this](int position, int removed, int added) { Changed(position, removed, added); });
}

TextMirror::~TextMirror() {
    QObject::disconnect(changes_);
}

void TextMirror::Reset(QString text) {
    text_ = std::move(text);
    valid_ = true;
    dirty_ = false;
}

void TextMirror::Changed(int position, int removed, int added) {
    if (!valid_) {
        return;
    }
    // The change replaced [position, position + removed) of the document as
    // it was; merge it with the span already changed, in both coordinates.
    const qsizetype endBefore = position + qsizetype(removed);
    if (!dirty_) {
        start_ = position;
        endOld_ = endBefore;
        endNew_ = endBefore + added - removed;
        dirty_ = true;
        return;
    }
    const qsizetype reach = std::max(endNew_, endBefore);
    endOld_ += reach - endNew_; // beyond the span the two texts still agree
    endNew_ = reach + added - removed;
    start_ = std::min(start_, qsizetype(position));
}

void TextMirror::Rebuild() {
    text_ = document_->toRawText();
    valid_ = true;
    dirty_ = false;
}

const QString& TextMirror::Text() {
    if (!valid_) {
        Rebuild();
        return text_;
    }
    if (!dirty_) {
        return text_;
    }
    // Spans may reach the document's closing block separator, which the raw
    // text leaves out.
    const qsizetype length = document_->characterCount() - 1;
    const qsizetype endOld = std::min(endOld_, text_.size());
    const qsizetype endNew = std::min(endNew_, length);
    const bool consistent = start_ >= 0 && start_ <= endOld && start_ <= endNew &&
                            text_.size() - (endOld - start_) + (endNew - start_) == length;
    if (!consistent) {
        Rebuild(); // never trust a patch that does not add up
        return text_;
    }
    QTextCursor span(document_);
    span.setPosition(int(start_));
    span.setPosition(int(endNew), QTextCursor::KeepAnchor);
    text_.replace(start_, endOld - start_, span.selectedText());
    dirty_ = false;
    return text_;
}

} // namespace sheafpad
