// SPDX-License-Identifier: GPL-3.0-or-later
// Syntax colours in a text view. Parsing runs on a worker thread and never
// holds up the text: a loaded file shows at once, in one colour, and takes
// its colours as the worker finds them, what is shown first (of a big
// script, only what is shown and a margin: the view tells what it shows as
// it paints); after an edit the view keeps the colours it had, moved along
// with the text, until the new ones come. The colours are kept here a
// character a byte; the rows the view paints ask for theirs.
#pragma once

#include "syntax/colour_worker.h"
#include "syntax/shown_colours.h"
#include "textview/text_view.h"

#include <QObject>
#include <QPalette>
#include <array>
#include <memory>
#include <utility>
#include <vector>

namespace sheafpad {

class SyntaxColouring : public QObject, public TextColours {
    Q_OBJECT
public:
    // Colours view's text; view must outlive this.
    explicit SyntaxColouring(TextView* view);
    ~SyntaxColouring() override;

    // Longer texts stay in one colour, as big files in other editors do.
    static constexpr qsizetype kMostColoured = qsizetype(20) << 20;

    // Colours on or off; on at first.
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    // Colours the view's present text as language: called after a file is
    // loaded. Any other replacement of the whole text makes it plain.
    void SetLanguage(syntax::Language language);
    syntax::Language Language() const { return language_; }
    // Whether colours of the present text are shown.
    bool Coloured() const { return coloured_; }
    // Whether they are all final: the worker has found every one that is
    // wanted (of a big script, those shown and around them).
    bool Complete() const { return coloured_ && shown_.Complete(); }
    // Whether those of what the view shows are.
    bool ShownComplete() const { return coloured_ && shown_.ShownComplete(); }
    // The kind the character at pos is shown as (None: uncoloured, or not
    // yet coloured).
    syntax::Kind KindAt(qsizetype pos) const;
    // What the colours shown take in memory.
    size_t MemoryBytes() const { return shown_.Store().MemoryBytes(); }

    // The colour of a kind on palette: darker colours on a light base, lighter
    // ones on a dark base, each readable on the base.
    static QColor ColourOf(syntax::Kind kind, const QPalette& palette);

    void TextChanged(const TextChange& change, bool loaded) override;
    void Colours(qsizetype pos, qsizetype length, std::vector<Run>& runs) const override;
    void Shown(qsizetype from, qsizetype to) override;

signals:
    // New colours are shown (what the worker found next).
    void coloured();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Restart();
    void StartParsing();
    void TakeResults();
    void DropShown();
    void UpdateColours();

    TextView* view_;
    bool enabled_ = true;
    syntax::Language language_ = syntax::Language::Plain;
    bool parsing_ = false;     // the worker follows the text
    bool starting_ = false;    // once the text is painted
    bool startPosted_ = false; // a paint has come: StartParsing is on its way
    TextSnapshot text_;        // the text as the worker was last told of it
    TextRange shownRange_;     // what the view showed at its last paint
    bool coloured_ = false;
    syntax::ShownColours shown_;
    std::array<QRgb, syntax::kKindCount> colours_{}; // of each kind, on the view's palette
    std::unique_ptr<syntax::ColourWorker> worker_;   // made at the first text to colour
};

} // namespace sheafpad
