// A copy of a QTextDocument's raw text (blocks joined by U+2029, as
// toRawText() gives it), kept up to date from the document's change
// notifications. Copying the text out of the document walks its piece table
// fragment by fragment, which costs more than the whole save or search that
// needs it; the mirror instead patches the one span that changed since it was
// last read.
#pragma once

#include <QMetaObject>
#include <QString>

class QTextDocument;

namespace sheafpad {

class TextMirror {
public:
    explicit TextMirror(QTextDocument* document);
    ~TextMirror();
    TextMirror(const TextMirror&) = delete;
    TextMirror& operator=(const TextMirror&) = delete;

    // The document's raw text, brought up to date.
    const QString& Text();
    // The program has just replaced the whole text by text (raw form).
    void Reset(QString text);

private:
    void Changed(int position, int removed, int added);
    void Rebuild();

    QTextDocument* document_;
    QMetaObject::Connection changes_;
    QString text_;       // the raw text as of the last Text(), patched lazily
    bool valid_ = false; // false: text_ is no copy of the document at all
    // The span changed since text_ was up to date: [start_, endOld_) of text_
    // became [start_, endNew_) of the document.
    bool dirty_ = false;
    qsizetype start_ = 0;
    qsizetype endOld_ = 0;
    qsizetype endNew_ = 0;
};

} // namespace sheafpad
