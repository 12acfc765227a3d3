// SPDX-License-Identifier: GPL-3.0-or-later
// Syntax colours in a text view. Parsing runs on a worker thread and never
// holds up the text: a loaded file shows at once, in one colour, and takes
// its colours when the worker has its trees; after an edit the view keeps
// the colours it had, moved along with the text, until the new ones come.
// Each chunk the view lays out asks for the colours of its stretch, which
// come from this thread's own copy of the trees.
#pragma once

#include "syntax/colour_worker.h"
#include "syntax/syntax_highlighter.h"
#include "textview/text_view.h"

#include <QObject>
#include <QPalette>
#include <QTextCharFormat>
#include <array>
#include <memory>

namespace sheafpad {

class SyntaxColouring : public QObject, public TextColours {
    Q_OBJECT
public:
    // Colours view's text; view must outlive this.
    explicit SyntaxColouring(TextView* view);
    ~SyntaxColouring() override;

    // Longer texts stay in one colour, as big files in other editors do.
    static constexpr qsizetype kMostColoured = qsizetype(20) << 20;

    // Removals of more characters leave the text plain until new colours come.
    static constexpr size_t kMostRemovedShown = 16 * 1024;

    // Colours on or off; on at first.
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    // Colours the view's present text as language: called after a file is
    // loaded. Any other replacement of the whole text makes it plain.
    void SetLanguage(syntax::Language language);
    syntax::Language Language() const { return language_; }
    // Whether colours of the present text are shown.
    bool Coloured() const { return !shown_.Empty(); }

    // The colour of a kind on palette: darker colours on a light base, lighter
    // ones on a dark base, each readable on the base.
    static QColor ColourOf(syntax::Kind kind, const QPalette& palette);

    void TextChanged(const TextChange& change, bool loaded) override;
    QList<QTextLayout::FormatRange> Formats(qsizetype pos, qsizetype length) const override;

signals:
    // New colours are shown (after each parse).
    void coloured();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Restart();
    void StartParsing();
    void TakeResult();
    void DropShown();
    void UpdateFormats();
    std::vector<syntax::ColourSpan> SpansOf(const syntax::SyntaxTrees& trees, qsizetype from,
                                            qsizetype to) const;

    TextView* view_;
    bool enabled_ = true;
    syntax::Language language_ = syntax::Language::Plain;
    bool parsing_ = false;     // the worker follows the text
    bool starting_ = false;    // once the text is painted
    bool startPosted_ = false; // a paint has come: StartParsing is on its way
    uint64_t version_ = 0;     // of the text, one more with each change
    TextSnapshot text_;        // the text as of version_
    syntax::SyntaxTrees shown_;
    // Edited since the last colours came: laid out again when they come.
    qsizetype editedFrom_ = -1, editedTo_ = -1;
    mutable syntax::SyntaxHighlighter highlighter_;
    // The colours of a stretch of the text as shown, for the chunks laid out
    // next; forgotten whenever shown_ changes.
    static constexpr qsizetype kWindow = 4 * 1024;
    struct Window {
        qsizetype from = -1, to = -1;
        std::vector<syntax::ColourSpan> spans;
    };
    mutable Window window_;
    std::array<QTextCharFormat, syntax::kKindCount> formats_;
    std::unique_ptr<syntax::ColourWorker> worker_; // made at the first text to colour
};

} // namespace sheafpad
