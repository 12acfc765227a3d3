// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/syntax_colouring.h"

#include <QEvent>
#include <algorithm>
#include <cmath>

namespace sheafpad {

using syntax::Kind;

namespace {

// The contrast of two colours by their relative luminance (1 to 21).
double Contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor Mix(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(float(a.redF() * share + b.redF() * (1 - share)),
                            float(a.greenF() * share + b.greenF() * (1 - share)),
                            float(a.blueF() * share + b.blueF() * (1 - share)));
}

} // namespace

QColor SyntaxColouring::ColourOf(Kind kind, const QPalette& palette) {
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const bool dark = base.lightnessF() < 0.5;
    // Comments and punctuation step back towards the base; the rest take a
    // hue of their own.
    if (kind == Kind::None) {
        return text;
    }
    if (kind == Kind::Comment) {
        return Mix(text, base, 0.6);
    }
    if (kind == Kind::Punctuation) {
        return Mix(text, base, 0.8);
    }
    // Hues of Kind's values, in its order (none, comment and punctuation
    // have none).
    static constexpr int kHue[syntax::kKindCount] = {0, 280, 120, 0, 25, 215, 180, 340, 45, 0};
    const int hue = kHue[int(kind)];
    // Lighter or darker until it reads well on the base.
    double lightness = dark ? 0.7 : 0.32;
    QColor colour = QColor::fromHslF(float(hue / 360.0), dark ? 0.6f : 0.8f, float(lightness));
    for (int step = 0; step < 20 && Contrast(colour, base) < 4.5; ++step) {
        lightness = std::clamp(lightness + (dark ? 0.03 : -0.03), 0.0, 1.0);
        colour = QColor::fromHslF(float(hue / 360.0), dark ? 0.6f : 0.8f, float(lightness));
    }
    return colour;
}

SyntaxColouring::SyntaxColouring(TextView* view) : view_(view) {
    UpdateFormats();
    view_->installEventFilter(this);
    view_->viewport()->installEventFilter(this);
    view_->SetColours(this);
}

SyntaxColouring::~SyntaxColouring() {
    worker_.reset(); // stops the thread: nothing more arrives
    view_->SetColours(nullptr);
}

void SyntaxColouring::SetEnabled(bool enabled) {
    if (enabled != enabled_) {
        enabled_ = enabled;
        Restart();
    }
}

void SyntaxColouring::SetLanguage(syntax::Language language) {
    language_ = language;
    Restart();
}

void SyntaxColouring::Restart() {
    DropShown();
    ++version_;
    parsing_ = enabled_ && language_ != syntax::Language::Plain &&
               syntax::GrammarsMissing().empty() && view_->Length() <= kMostColoured;
    if (parsing_) {
        if (!worker_) {
            // Called on the worker's thread (which ends before this object
            // does): the result is taken on this one.
            worker_ = std::make_unique<syntax::ColourWorker>([this] {
                QMetaObject::invokeMethod(
                    this, [this] { TakeResult(); }, Qt::QueuedConnection);
            });
        }
        // The parse begins once the text is painted, so that it never
        // competes with the text for the processor.
        text_ = view_->Snapshot();
        worker_->Start(syntax::Language::Plain, {}, version_); // stops a parse under way
        starting_ = true;
        view_->viewport()->update();
    } else {
        text_ = TextSnapshot();
        starting_ = false;
        if (worker_) {
            worker_->Start(syntax::Language::Plain, {}, version_);
        }
    }
}

void SyntaxColouring::StartParsing() {
    startPosted_ = false;
    if (starting_) {
        starting_ = false;
        worker_->Start(language_, text_, version_);
    }
}

void SyntaxColouring::DropShown() {
    editedFrom_ = editedTo_ = -1;
    if (shown_.Empty()) {
        return;
    }
    worker_->Discard(std::move(shown_)); // a big tree takes long to free
    shown_ = syntax::SyntaxTrees();
    window_ = {};
    view_->RecolourRange(0, view_->Length());
}

void SyntaxColouring::TextChanged(const TextChange& change, bool loaded) {
    if (loaded) {
        language_ = syntax::Language::Plain;
        Restart();
        return;
    }
    if (!parsing_) {
        return;
    }
    if (view_->Length() > kMostColoured) {
        Restart();
        return;
    }
    if (starting_) { // the parse has not begun: it takes the text as it is then
        text_ = view_->Snapshot();
        ++version_;
        return;
    }
    // The trees shown are moved along with the text at once, so that the
    // lines laid out before the new colours come keep theirs in place. That
    // visits every node the edit removed: after a big removal the text stays
    // plain until the new colours come instead.
    const syntax::SyntaxEdit edit = syntax::MakeSyntaxEdit(view_->Buffer(), text_, change);
    if (change.removed > kMostRemovedShown) {
        DropShown();
    } else {
        shown_.Edit(edit);
        window_ = {};
    }
    text_ = view_->Snapshot();
    worker_->Edited(edit, text_, ++version_);
    const qsizetype pos = qsizetype(change.pos);
    const qsizetype end = pos + qsizetype(change.inserted);
    auto moved = [&](qsizetype mark) {
        return mark >= pos + qsizetype(change.removed)
                   ? mark - qsizetype(change.removed) + qsizetype(change.inserted)
                   : std::min(mark, pos);
    };
    editedFrom_ = editedFrom_ < 0 ? pos : std::min(moved(editedFrom_), pos);
    editedTo_ = editedTo_ < 0 ? end : std::max(moved(editedTo_), end);
}

void SyntaxColouring::TakeResult() {
    std::optional<syntax::ColourWorker::Result> result = worker_->Take();
    if (!result || result->version != version_ || !parsing_) {
        return; // the text has changed since: newer colours are on their way
    }
    if (result->tooCostly) {
        parsing_ = false;
        DropShown();
        return;
    }
    const std::vector<syntax::UnitRange> changed =
        syntax::ChangedRanges(shown_, result->trees, size_t(view_->Length()));
    // Where the text was edited, the lines were laid out with the colours
    // moved along; typed inside a word, a string or a comment they are still
    // right, and laying out a long line's chunk again is what a key costs.
    bool editedRight = false;
    if (editedFrom_ >= 0 && !shown_.Empty()) {
        constexpr qsizetype kAround = 256, kMostCompared = 16 * 1024;
        const qsizetype from = std::max<qsizetype>(0, editedFrom_ - kAround);
        const qsizetype to = std::min(view_->Length(), editedTo_ + kAround);
        editedRight = to - from <= kMostCompared &&
                      SpansOf(shown_, from, to) == SpansOf(result->trees, from, to);
    }
    if (!shown_.Empty()) {
        worker_->Discard(std::move(shown_));
    }
    shown_ = std::move(result->trees);
    window_ = {};
    for (const syntax::UnitRange& range : changed) {
        view_->RecolourRange(qsizetype(range.start), qsizetype(range.end - range.start));
    }
    if (editedFrom_ >= 0 && !editedRight) {
        view_->RecolourRange(editedFrom_, editedTo_ - editedFrom_);
    }
    editedFrom_ = editedTo_ = -1;
    emit coloured();
}

std::vector<syntax::ColourSpan> SyntaxColouring::SpansOf(const syntax::SyntaxTrees& trees,
                                                         qsizetype from, qsizetype to) const {
    const TextBuffer& buffer = view_->Buffer();
    return highlighter_.Spans(
        trees, [&](size_t at, size_t count) { return buffer.Text(at, count); }, size_t(from),
        size_t(to));
}

QList<QTextLayout::FormatRange> SyntaxColouring::Formats(qsizetype pos, qsizetype length) const {
    QList<QTextLayout::FormatRange> formats;
    if (shown_.Empty() || length <= 0) {
        return formats;
    }
    // A screen lays out many short lines, each asking on its own: the
    // colours of a stretch around them are found once (each look-up walks
    // the tree from its root).
    if (pos < window_.from || pos + length > window_.to) {
        window_.from = pos;
        window_.to = std::min(view_->Length(), pos + std::max(length, kWindow));
        window_.spans = SpansOf(shown_, window_.from, window_.to);
    }
    const auto& spans = window_.spans;
    auto span = std::lower_bound(
        spans.begin(), spans.end(), size_t(pos),
        [](const syntax::ColourSpan& s, size_t at) { return s.start + s.length <= at; });
    for (; span != spans.end() && qsizetype(span->start) < pos + length; ++span) {
        const qsizetype from = std::max(qsizetype(span->start), pos);
        const qsizetype to = std::min(qsizetype(span->start + span->length), pos + length);
        formats.append({int(from - pos), int(to - from), formats_[size_t(span->kind)]});
    }
    return formats;
}

void SyntaxColouring::UpdateFormats() {
    for (int kind = 0; kind < syntax::kKindCount; ++kind) {
        formats_[size_t(kind)] = QTextCharFormat();
        formats_[size_t(kind)].setForeground(ColourOf(Kind(kind), view_->palette()));
    }
}

bool SyntaxColouring::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_->viewport() && event->type() == QEvent::Paint && starting_ &&
        !startPosted_) {
        startPosted_ = true; // begins when this paint is done
        QMetaObject::invokeMethod(
            this, [this] { StartParsing(); }, Qt::QueuedConnection);
    }
    if (watched == view_ && event->type() == QEvent::PaletteChange) {
        UpdateFormats();
        view_->RecolourRange(0, view_->Length());
    }
    return QObject::eventFilter(watched, event);
}

} // namespace sheafpad
