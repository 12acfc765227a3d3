// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/directory_edit.h"

#include "folder_glyph_svg.h" // generated from folder_glyph.svg
#include "platform/working_dir.h"
#include "text/shown_text.h"
#include "widgets/error_display.h"
#include "widgets/line_edit_accessible.h"
#include "widgets/utf8_text.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyleOptionButton>
#include <QSvgRenderer>
#include <QToolTip>
#include <QUrl>

namespace sheafpad {

namespace {

constexpr int kBorder = 2;       // the field's 3-D border, each side
constexpr int kTextToButton = 2; // gap between the text and the button
constexpr int kMinButtonWidth = 21;

QString FromShown(const ShownText& shown) {
    return QString::fromUtf16(shown.text.data(), qsizetype(shown.text.size()));
}

// The text shown for the bytes; each byte that is not UTF-8 shows as one
// U+FFFD, so that a place in the shown text leads back to a place in the bytes.
QString FromBytes(const std::string& bytes) {
    return FromShown(ShowBytes(bytes));
}

// The exact bytes of a dropped local path. The URL carries them
// percent-encoded; decoding them through QString would turn bytes that are
// not UTF-8 into replacement characters and so name another folder.
std::string LocalPathBytes(const QUrl& url) {
    if (!url.isLocalFile()) {
        return {};
    }
    const QByteArray bytes =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return std::string(bytes.constData(), size_t(bytes.size()));
}

constexpr Qt::KeyboardModifiers kShortCutModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

} // namespace

QPixmap DefaultFolderGlyph(qreal scale) {
    // Drawn for the screen's scale, not scaled up from 14 x 12 pixels,
    // which blurs it.
    const QSize size(14, 12);
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(QByteArray::fromRawData(kFolderGlyphSvg, sizeof kFolderGlyphSvg - 1));
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    image.setDevicePixelRatio(scale);
    return QPixmap::fromImage(image);
}

QKeyCombination ShortCutToKey(int shortCut) {
    const int code = shortCut & 0xFF;
    Qt::Key key = Qt::Key_unknown;
    if (code >= 0x30 && code <= 0x39) {
        key = Qt::Key(Qt::Key_0 + (code - 0x30));
    } else if (code >= 0x41 && code <= 0x5A) {
        key = Qt::Key(Qt::Key_A + (code - 0x41));
    } else if (code >= 0x70 && code <= 0x87) {
        key = Qt::Key(Qt::Key_F1 + (code - 0x70));
    } else {
        static const std::pair<int, Qt::Key> kKeys[] = {
            {0x08, Qt::Key_Backspace}, {0x09, Qt::Key_Tab},    {0x0D, Qt::Key_Return},
            {0x1B, Qt::Key_Escape},    {0x20, Qt::Key_Space},  {0x21, Qt::Key_PageUp},
            {0x22, Qt::Key_PageDown},  {0x23, Qt::Key_End},    {0x24, Qt::Key_Home},
            {0x25, Qt::Key_Left},      {0x26, Qt::Key_Up},     {0x27, Qt::Key_Right},
            {0x28, Qt::Key_Down},      {0x2D, Qt::Key_Insert}, {0x2E, Qt::Key_Delete}};
        for (const auto& [vk, qtKey] : kKeys) {
            if (vk == code) {
                key = qtKey;
            }
        }
    }
    Qt::KeyboardModifiers modifiers;
    if (shortCut & 0x2000) {
        modifiers |= Qt::ShiftModifier;
    }
    if (shortCut & 0x4000) {
        modifiers |= Qt::ControlModifier;
    }
    if (shortCut & 0x8000) {
        modifiers |= Qt::AltModifier;
    }
    return QKeyCombination(modifiers, key);
}

TJvEditButton::TJvEditButton(TJvDirectoryEdit* edit) : QAbstractButton(edit), edit_(edit) {
    setObjectName(QStringLiteral("Button"));
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
}

void TJvEditButton::mousePressEvent(QMouseEvent* event) {
    // The field takes the focus first, as a click in its text would give it.
    if (event->button() == Qt::LeftButton && (edit_->focusPolicy() & Qt::TabFocus) &&
        edit_->isEnabled() && edit_->isVisible() && !edit_->hasFocus()) {
        edit_->setFocus(Qt::MouseFocusReason);
    }
    QAbstractButton::mousePressEvent(event);
}

void TJvEditButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
    const QPixmap picture = edit_->ButtonPicture();
    const QSize size = picture.deviceIndependentSize().toSize();
    const int shift = isDown() ? 1 : 0;
    const QPoint at((width() - size.width()) / 2 + shift, (height() - size.height()) / 2 + shift);
    if (isEnabled()) {
        painter.drawPixmap(at, picture);
    } else {
        painter.setOpacity(0.4);
        painter.drawPixmap(at, picture);
    }
}

TJvDirectoryEdit::TJvDirectoryEdit(QWidget* parent) : QLineEdit(parent) {
    InstallLineEditAccessibility(); // before the field's interface is asked for
    button_ = new TJvEditButton(this);
    button_->setAccessibleName(tr("Select Directory")); // the dialog it opens
    connect(button_, &QAbstractButton::clicked, this,
            [this] { ErrorDisplay::Guard([this] { BrowseClick(); }); });
    // Typing (only possible with DirectInput on) changes the text like SetText.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        text_ = ToUtf8(text);
        emit OnChange();
    });
    setAcceptDrops(true);
    UpdateEditable();
    UpdateButtonWidth();
}

void TJvDirectoryEdit::SetText(const std::string& text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    setText(FromBytes(text));
    // The end of a long path tells the folder apart; the tool-tip has it whole.
    end(false);
    emit OnChange();
}

void TJvDirectoryEdit::SetDirectInput(bool on) {
    directInput_ = on;
    UpdateEditable();
}

void TJvDirectoryEdit::SetReadOnly(bool on) {
    readOnly_ = on;
    UpdateEditable();
}

void TJvDirectoryEdit::UpdateEditable() {
    // Qt's read-only line edit refuses typing, cut, paste and drops of text
    // (keys and context menu alike) and still allows selecting and copying.
    setReadOnly(readOnly_ || !directInput_);
}

void TJvDirectoryEdit::SetGlyphKind(TGlyphKind kind) {
    glyphKind_ = kind;
    UpdateButtonWidth();
}

void TJvDirectoryEdit::SetGlyph(const QPixmap& glyph) {
    glyph_ = glyph;
    UpdateButtonWidth();
}

void TJvDirectoryEdit::SetNumGlyphs(int count) {
    numGlyphs_ = std::clamp(count, 1, 4);
    UpdateButtonWidth();
}

QPixmap TJvDirectoryEdit::ButtonPicture() const {
    QPixmap strip;
    switch (glyphKind_) {
    case TGlyphKind::gkCustom:
        strip = glyph_;
        break;
    case TGlyphKind::gkDefault:
        strip = DefaultFolderGlyph(devicePixelRatioF());
        break;
    case TGlyphKind::gkDropDown:
    case TGlyphKind::gkEllipsis: {
        strip = QPixmap(9, 6);
        strip.fill(Qt::transparent);
        QPainter painter(&strip);
        painter.setPen(Qt::black);
        painter.setBrush(Qt::black);
        if (glyphKind_ == TGlyphKind::gkDropDown) {
            painter.drawPolygon(QPolygon({QPoint(1, 1), QPoint(7, 1), QPoint(4, 4)}));
        } else {
            for (int x : {0, 4, 8}) {
                painter.drawPoint(x, 4);
            }
        }
        return strip;
    }
    }
    if (strip.isNull()) {
        return strip;
    }
    // The first picture of the strip is the one for the normal state.
    QPixmap first = strip.copy(0, 0, strip.width() / numGlyphs_, strip.height());
    first.setDevicePixelRatio(strip.devicePixelRatio());
    return first;
}

void TJvDirectoryEdit::UpdateButtonWidth() {
    if (!buttonWidthSet_) {
        const int pictureWidth = int(ButtonPicture().deviceIndependentSize().width());
        buttonWidth_ = std::max(pictureWidth + 6, kMinButtonWidth);
    }
    UpdateButtonGeometry();
}

void TJvDirectoryEdit::SetButtonWidth(int width) {
    buttonWidthSet_ = true;
    buttonWidth_ = std::max(width, 0);
    UpdateButtonGeometry();
}

void TJvDirectoryEdit::SetButtonHint(const QString& hint) {
    buttonHint_ = hint;
    // Without a hint of its own the button shows the field's tool-tip.
    button_->setToolTip(hint);
}

void TJvDirectoryEdit::UpdateButtonGeometry() {
    const int border = hasFrame() ? kBorder : 0;
    button_->setGeometry(width() - border - buttonWidth_, border, buttonWidth_,
                         height() - 2 * border);
    button_->setVisible(buttonWidth_ > 0);
    setTextMargins(0, 0, buttonWidth_ > 0 ? buttonWidth_ + kTextToButton : 0, 0);
}

void TJvDirectoryEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    UpdateButtonGeometry();
}

bool TJvDirectoryEdit::IsClickKey(const QKeyEvent* event) const {
    const QKeyCombination wanted = ShortCutToKey(clickKey_);
    return buttonWidth_ > 0 && wanted.key() != Qt::Key_unknown && event->key() == wanted.key() &&
           (event->modifiers() & kShortCutModifiers) == wanted.keyboardModifiers();
}

QString TJvDirectoryEdit::ShownToolTip() const {
    if (text_.empty()) {
        return toolTip();
    }
    return toolTip().isEmpty() ? text() : toolTip() + QLatin1Char('\n') + text();
}

bool TJvDirectoryEdit::event(QEvent* event) {
    // Claim the click key before any shortcut of the window can take it.
    if (event->type() == QEvent::ShortcutOverride && IsClickKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    // Also over the button, which has no tip of its own unless ButtonHint.
    if (event->type() == QEvent::ToolTip && !ShownToolTip().isEmpty()) {
        const auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), ShownToolTip(), this, QRect(), toolTipDuration());
        return true;
    }
    return QLineEdit::event(event);
}

void TJvDirectoryEdit::keyPressEvent(QKeyEvent* event) {
    if (IsClickKey(event)) {
        event->accept();
        ErrorDisplay::Guard([this] { BrowseClick(); });
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape) {
        event->ignore(); // the window's default and cancel buttons, if any
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TJvDirectoryEdit::focusInEvent(QFocusEvent* event) {
    const bool fromKeyboard = event->reason() == Qt::TabFocusReason ||
                              event->reason() == Qt::BacktabFocusReason ||
                              event->reason() == Qt::ShortcutFocusReason;
    if (fromKeyboard && !(autoSelect_ && directInput_)) {
        // Qt would select the whole text on a keyboard entry.
        QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
        QLineEdit::focusInEvent(&plain);
        return;
    }
    QLineEdit::focusInEvent(event);
}

bool TJvDirectoryEdit::RefusesDrop(const QDropEvent* event) const {
    if (event->mimeData()->hasUrls()) {
        return !acceptFiles_ || readOnly_;
    }
    return isReadOnly();
}

void TJvDirectoryEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (RefusesDrop(event)) {
        event->ignore();
    } else if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        QLineEdit::dragEnterEvent(event);
    }
}

void TJvDirectoryEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (RefusesDrop(event)) {
        event->ignore();
    } else if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        QLineEdit::dragMoveEvent(event);
    }
}

void TJvDirectoryEdit::dropEvent(QDropEvent* event) {
    if (RefusesDrop(event)) {
        event->ignore();
        return;
    }
    if (!event->mimeData()->hasUrls()) {
        QLineEdit::dropEvent(event);
        return;
    }
    // A dropped folder replaces the text (or joins the list).
    for (const QUrl& url : event->mimeData()->urls()) {
        const std::string path = LocalPathBytes(url);
        if (platform::IsDirectory(path)) {
            SetText(multipleDirs_ && !text_.empty() ? text_ + ";" + path : path);
            event->acceptProposedAction();
            return;
        }
    }
    event->ignore();
}

std::string TJvDirectoryEdit::WithoutSelection() const {
    if (!hasSelectedText()) {
        return text_;
    }
    // The selection is a range of the shown text; the bytes it stands for go,
    // every other byte stays as it is.
    const ShownText shown = ShowBytes(text_);
    const qsizetype start = selectionStart();
    const qsizetype end = start + selectedText().size();
    if (FromShown(shown) != text() || end >= qsizetype(shown.byteAt.size())) {
        QString rest = text(); // typed text: the shown text is the text
        return ToUtf8(rest.remove(start, end - start));
    }
    const size_t from = shown.byteAt[size_t(start)];
    const size_t to = shown.byteAt[size_t(end)];
    return text_.substr(0, from) + text_.substr(to);
}

void TJvDirectoryEdit::BrowseClick() {
    if (readOnly_) {
        return;
    }
    emit OnButtonClick();
    std::string start = text_;
    bool action = true;
    if (onBeforeDialog_) {
        onBeforeDialog_(this, start, action);
        if (!action) {
            return;
        }
    }
    // "" opens the dialog at the process's working directory. That is where
    // an empty field without InitialDir starts, and any text that names no
    // folder: InitialDir stands in only for an empty text.
    if (start.empty()) {
        start = initialDir_;
    }
    if (!platform::IsDirectory(start)) {
        start.clear();
    }
    // Both dialog kinds open the same dialog here; this system has no other
    // folder picker of its own, and no system error boxes to switch off.
    action = ChooseDirectory(start, dialogOptions_, 0, window());
    if (isEnabled() && isVisible() && focusPolicy() != Qt::NoFocus) {
        setFocus(Qt::OtherFocusReason);
    }
    if (onAfterDialog_) {
        onAfterDialog_(this, start, action);
    }
    if (!action) {
        return;
    }
    // One change of the text at most: the chosen folder, or with MultipleDirs
    // the text less its selection with the folder appended.
    std::string newText = start;
    if (multipleDirs_) {
        const std::string kept = WithoutSelection();
        if (!kept.empty()) {
            newText = kept + ";" + start;
        }
    }
    SetText(newText);
    if (platform::IsDirectory(start)) {
        initialDir_ = start;
    }
}

} // namespace sheafpad
