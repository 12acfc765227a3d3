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
    static constexpr int kHue[syntax::kKindCount] = {0,   280, 120, 0,  25,  215, 180,
                                                     340, 45,  0,   80, 310, 250, 0};
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
    UpdateColours();
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
    parsing_ = enabled_ && language_ != syntax::Language::Plain &&
               syntax::GrammarsMissing().empty() && view_->Length() <= kMostColoured;
    if (parsing_) {
        if (!worker_) {
            // Called on the worker's thread (which ends before this object
            // does): the results are taken on this one.
            worker_ = std::make_unique<syntax::ColourWorker>([this] {
                QMetaObject::invokeMethod(
                    this, [this] { TakeResults(); }, Qt::QueuedConnection);
            });
        }
        // The parse begins once the text is painted, so that it never
        // competes with the text for the processor.
        text_ = view_->Snapshot();
        worker_->Start(syntax::Language::Plain, {}, text_.Revision()); // stops a parse under way
        starting_ = true;
        view_->viewport()->update();
    } else {
        text_ = TextSnapshot();
        starting_ = false;
        if (worker_) {
            worker_->Start(syntax::Language::Plain, {}, view_->Buffer().Revision());
        }
    }
}

void SyntaxColouring::StartParsing() {
    startPosted_ = false;
    if (starting_) {
        starting_ = false;
        shown_.Reset(text_.Length(), text_.Revision());
        worker_->Start(language_, text_, text_.Revision(), shownRange_);
    }
}

void SyntaxColouring::DropShown() {
    const bool shown = coloured_;
    coloured_ = false;
    shown_.Reset(0, UINT64_MAX); // no result is of use until the next start
    if (shown) {
        // All of it: no need to find the rows, which may belong to a text
        // that has just come and is not laid out yet.
        view_->viewport()->update();
    }
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
        return;
    }
    // The colours shown move along with the text at once, so that the rows
    // painted before the new colours come keep theirs in place.
    const uint64_t revision = view_->Buffer().Revision();
    shown_.Edited(change, revision);
    const syntax::SyntaxEdit edit = syntax::MakeSyntaxEdit(view_->Buffer(), text_, change);
    text_ = view_->Snapshot();
    worker_->Edited(edit, text_, revision);
    shownRange_ = TextRange{MovePosition(shownRange_.start, change, Stick::Before),
                            MovePosition(shownRange_.end, change, Stick::After)};
}

void SyntaxColouring::TakeResults() {
    if (!parsing_ || starting_) {
        return; // of a text that is gone
    }
    const syntax::ShownColours::Taken taken =
        shown_.Take(worker_->Take(), view_->Buffer().History());
    if (taken.tooCostly) {
        parsing_ = false;
        DropShown();
        return;
    }
    for (const syntax::UnitRange& changed : taken.changed) {
        view_->RecolourRange(qsizetype(changed.start), qsizetype(changed.end - changed.start));
    }
    if (taken.any) {
        coloured_ = true;
        emit coloured();
    }
}

void SyntaxColouring::Colours(qsizetype pos, qsizetype length, std::vector<Run>& runs) const {
    runs.clear();
    const syntax::ColourStore& store = shown_.Store();
    if (!coloured_ || length <= 0 || store.Empty()) {
        return;
    }
    const size_t from = size_t(pos), to = std::min(size_t(pos + length), store.Length());
    for (size_t at = from; at < to;) {
        const Kind kind = store.At(at);
        size_t end = at + 1;
        while (end < to && store.At(end) == kind) {
            ++end;
        }
        if (kind != Kind::None) {
            runs.push_back(Run{int(at - from), int(end - at), colours_[size_t(kind)]});
        }
        at = end;
    }
}

void SyntaxColouring::Shown(qsizetype from, qsizetype to) {
    const TextRange shown{size_t(from), size_t(std::max(from, to))};
    if (shown == shownRange_) {
        return;
    }
    shownRange_ = shown;
    if (parsing_ && !starting_) {
        worker_->Show(shown); // the worker colours it next, if it must
        shown_.Showing();
    }
}

void SyntaxColouring::UpdateColours() {
    for (int kind = 0; kind < syntax::kKindCount; ++kind) {
        colours_[size_t(kind)] = ColourOf(Kind(kind), view_->palette()).rgba();
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
        UpdateColours();
        view_->viewport()->update();
    }
    return QObject::eventFilter(watched, event);
}

syntax::Kind SyntaxColouring::KindAt(qsizetype pos) const {
    const syntax::ColourStore& store = shown_.Store();
    return coloured_ && pos >= 0 && size_t(pos) < store.Length() ? store.At(size_t(pos))
                                                                 : syntax::Kind::None;
}

} // namespace sheafpad
