#include "widgets/rich_edit.h"

#include "base/errors.h"
#include "platform/file_io.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <limits>

namespace sheafpad {

namespace {

constexpr QChar kParagraphSeparator(0x2029); // a block break in the document's raw text
constexpr QChar kLineSeparator(0x2028);      // Qt's soft line break, never kept in the pane

// Counts the program's own edits so that the document's change signal is not
// taken for the user's.
class ProgramEdit {
public:
    explicit ProgramEdit(int& depth) : depth_(depth) { ++depth_; }
    ~ProgramEdit() { --depth_; }

private:
    int& depth_;
};

// Text for the document: ends at its first NUL; CR LF, CR, LF and U+2028 each
// become one block break.
QString ToPaneText(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar(0)) {
            break;
        }
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            result += kParagraphSeparator;
        } else if (c == '\n' || c == kLineSeparator) {
            result += kParagraphSeparator;
        } else {
            result += c;
        }
    }
    return result;
}

// Block breaks of the document's raw text as CR LF.
QString WithCrLf(QString text) {
    return text.replace(kParagraphSeparator, QStringLiteral("\r\n"));
}

// Case-insensitive search as QStringView::indexOf does it, but anchored on the
// needle's first character, found with Qt's vectorised single-character scan:
// several times faster on long texts. Falls back to indexOf where the first
// character has case partners outside ASCII.
qsizetype IndexOfCaseless(QStringView haystack, QStringView needle, qsizetype from) {
    const char16_t first = needle[0].unicode();
    const bool asciiLetter = first < 128 && QChar(first).isLetter();
    const bool foldsWide = asciiLetter && (QChar(first).toLower() == 'k' ||
                                           QChar(first).toLower() == 's'); // Kelvin sign, long s
    if (first >= 128 || foldsWide) {
        return haystack.indexOf(needle, from, Qt::CaseInsensitive);
    }
    const QChar variants[2] = {QChar(first).toLower(), QChar(first).toUpper()};
    const int count = asciiLetter ? 2 : 1;
    constexpr qsizetype kNone = std::numeric_limits<qsizetype>::max();
    qsizetype next[2] = {-1, -1}; // next occurrence of each variant at or after from
    const QStringView rest = needle.mid(1);
    for (;;) {
        qsizetype candidate = kNone;
        for (int i = 0; i < count; ++i) {
            if (next[i] != kNone && next[i] < from) {
                next[i] = haystack.indexOf(variants[i], from);
                next[i] = next[i] < 0 ? kNone : next[i];
            }
            candidate = std::min(candidate, next[i]);
        }
        if (candidate == kNone || candidate > haystack.size() - needle.size()) {
            return -1;
        }
        if (haystack.mid(candidate + 1, rest.size()).compare(rest, Qt::CaseInsensitive) == 0) {
            return candidate;
        }
        from = candidate + 1;
    }
}

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == '_';
}

// Tab and Shift+Tab move the focus; they never reach the pane's owner.
bool MovesFocus(const QKeyEvent* event) {
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    return tab && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

// Alt with a key that types a character (Alt+X on X11): the key is reported
// and used by shortcuts, but types nothing, as on systems where Alt+letter
// produces no character. AltGr (a group switch here, Ctrl+Alt elsewhere)
// still types its characters.
bool IsAltCharacter(const QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    return (modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier) &&
           !event->text().isEmpty() && event->text().front().isPrint();
}

// While read-only the caret is still moved and text selected with the
// keyboard (and the caret is drawn), as with the mouse.
constexpr Qt::TextInteractionFlags kReadOnlyInteraction =
    Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;

// "the text holds "€" (U+20AC)" for the character at index.
std::string UnstorableReason(const QString& text, qsizetype index) {
    char32_t code = text[index].unicode();
    QString shown = text.mid(index, 1);
    if (text[index].isHighSurrogate() && index + 1 < text.size() &&
        text[index + 1].isLowSurrogate()) {
        code = QChar::surrogateToUcs4(text[index], text[index + 1]);
        shown = text.mid(index, 2);
    } else if (text[index].isSurrogate()) {
        shown.clear(); // a lone half of a pair cannot be shown
    }
    const QString name = QStringLiteral("U+%1").arg(uint(code), 4, 16, QChar('0')).toUpper();
    const QString character =
        shown.isEmpty() ? name : QStringLiteral("\"%1\" (%2)").arg(shown, name);
    return QStringLiteral("The text holds %1, which this file's encoding cannot store")
        .arg(character)
        .toStdString();
}

} // namespace

TRichEdit::TRichEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(kReadOnlyInteraction);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    // The selection is not shown while the pane does not have the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Inactive, QPalette::Base));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Inactive, QPalette::Text));
    setPalette(colours);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &TRichEdit::KeepCaretLineShaped);
    // Every change of the document that is not the program's own is the user's.
    connect(document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (programEdit_ == 0 && (removed != 0 || added != 0)) {
            emit userChangedText();
        }
    });
}

namespace {

// bytes decoded as encoding, line breaks as '\n'.
QString Decoded(std::string_view bytes, TextEncoding encoding) {
    QString text(qsizetype(DecodedCapacity(bytes)), Qt::Uninitialized);
    text.truncate(qsizetype(DecodeText(bytes, encoding, reinterpret_cast<char16_t*>(text.data()))));
    return text;
}

} // namespace

void TRichEdit::LoadTextFile(const std::string& path) {
    QString text;
    TextEncoding encoding;
    {
        // The file's bytes live only until they are decoded.
        const std::string bytes = platform::ReadFileBytes(path);
        if (ContainsNul(bytes)) {
            throw EFOpenError(platform::AbsolutePath(path),
                              "The file holds NUL bytes, so it is not a text file");
        }
        encoding = DetectEncoding(bytes);
        text = Decoded(bytes, encoding);
    }
    SetLoadedText(std::move(text), encoding);
}

void TRichEdit::LoadTextBytes(std::string_view bytes, TextEncoding stored, TextEncoding encoding) {
    SetLoadedText(Decoded(bytes, stored), encoding);
}

void TRichEdit::SetLoadedText(QString text, TextEncoding encoding) {
    // Line breaks in the document's own form, so that the text is its raw text.
    text.replace(QChar('\n'), kParagraphSeparator);
    {
        ProgramEdit edit(programEdit_);
        SetTextKeepingWidth(text);
    }
    mirror_.Reset(std::move(text));
    encoding_ = encoding;
    maxLength_ = kLoadedMaxLength;
    moveCursor(QTextCursor::Start);
    KeepCaretLineShaped();
}

void TRichEdit::SetTextKeepingWidth(const QString& text) {
    // A scroll bar that appears narrows the text area, and Qt answers a new
    // width by laying out every line again and giving each one a layout
    // object of its own: on a big file that costs seconds and a third of the
    // memory. So the bar that a tall text needs is shown while the pane is
    // empty, and the text comes after.
    const int rows = std::max(1, viewport()->height() / fontMetrics().lineSpacing());
    const qsizetype columns = std::max(1, viewport()->width() / fontMetrics().averageCharWidth());
    const qsizetype lines = text.count(kParagraphSeparator) + 1;
    const bool tall = lines > rows || text.size() / columns > rows;
    const bool barFirst = tall && !verticalScrollBar()->isVisible();
    if (barFirst) {
        clear();
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    const qsizetype firstBreak = text.indexOf(kParagraphSeparator);
    if ((firstBreak < 0 ? text.size() : firstBreak) < kLongLine) {
        setPlainText(text);
    } else {
        // The caret starts on this long line: it keeps its shaping data from
        // its first layout on, so that placing the caret does not shape it again.
        setPlainText(QString());
        document()->firstBlock().layout()->setCacheEnabled(true);
        shapedLine_ = 0;
        QTextCursor cursor(document());
        document()->setUndoRedoEnabled(false);
        cursor.insertText(text);
        document()->setUndoRedoEnabled(true);
    }
    if (barFirst) {
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    }
}

void TRichEdit::SaveTextFile(const std::string& path) const {
    const QString& text = mirror_.Text();
    std::string bytes;
    size_t bad = 0;
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.constData()),
                                    size_t(text.size()));
    if (!EncodeText(units, encoding_, bytes, &bad)) {
        throw EFCreateError(platform::AbsolutePath(path), UnstorableReason(text, qsizetype(bad)));
    }
    platform::WriteFileBytes(path, bytes);
}

QString TRichEdit::LinesText() const {
    QString text = WithCrLf(mirror_.Text());
    if (!text.isEmpty() && !text.endsWith('\n')) {
        text += QStringLiteral("\r\n");
    }
    return text;
}

qsizetype TRichEdit::LinesTextLength() const {
    const qsizetype length = TextLength();
    if (length == 0) {
        return 0;
    }
    // Each block break becomes CR LF; an unbroken last line gains one.
    const qsizetype breaks = document()->blockCount() - 1;
    const bool endsWithBreak = document()->lastBlock().length() == 1;
    return length + breaks + (endsWithBreak ? 0 : 2);
}

void TRichEdit::ClearText() {
    ProgramEdit edit(programEdit_);
    clear();
    mirror_.Reset(QString());
}

void TRichEdit::AppendLine(const QString& line) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const bool endsWithBreak = cursor.positionInBlock() == 0;
    const QString insertion = endsWithBreak ? line + '\n' : '\n' + line;
    const qsizetype expected = PaneLength(insertion);
    const qsizetype taken = InsertLimited(cursor, insertion);
    setTextCursor(cursor);
    if (taken != expected) {
        throw EOutOfResources("RichEdit line insertion error");
    }
}

qsizetype TRichEdit::SelectionStart() const {
    return textCursor().selectionStart();
}

void TRichEdit::SetSelectionStart(qsizetype position) {
    QTextCursor cursor = textCursor();
    cursor.setPosition(int(std::clamp<qsizetype>(position, 0, TextLength())));
    setTextCursor(cursor);
}

QString TRichEdit::SelectedText() const {
    return WithCrLf(textCursor().selectedText());
}

void TRichEdit::ReplaceSelection(const QString& text) {
    QTextCursor cursor = textCursor();
    InsertLimited(cursor, text);
    setTextCursor(cursor);
}

QString TRichEdit::FittingPaneText(const QTextCursor& cursor, const QString& text) const {
    QString insertion = ToPaneText(text);
    // The selection goes, so its characters make room.
    const qsizetype room = std::max<qsizetype>(
        0, maxLength_ - (TextLength() - (cursor.selectionEnd() - cursor.selectionStart())));
    if (insertion.size() > room) {
        insertion.truncate(room);
    }
    return insertion;
}

qsizetype TRichEdit::InsertLimited(QTextCursor& cursor, const QString& text) {
    const QString insertion = FittingPaneText(cursor, text);
    ProgramEdit edit(programEdit_);
    // Outside the undo history: the recorded steps would no longer fit the text.
    document()->setUndoRedoEnabled(false);
    cursor.insertText(insertion);
    document()->setUndoRedoEnabled(true);
    return insertion.size();
}

qsizetype TRichEdit::TextLength() const {
    return document()->characterCount() - 1;
}

qsizetype TRichEdit::PaneLength(const QString& text) {
    qsizetype length = text.size();
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '\r' && text[i + 1] == '\n') {
            --length;
        }
    }
    return length;
}

qsizetype TRichEdit::FindForward(const QString& text, qsizetype start, qsizetype length,
                                 FindOptions options) const {
    const QString needle = ToPaneText(text);
    if (needle.isEmpty()) {
        return -1;
    }
    const QString& raw = mirror_.Text();
    start = std::max<qsizetype>(start, 0);
    if (start > raw.size() || length < 0) {
        return -1;
    }
    const qsizetype end = length > raw.size() - start ? raw.size() : start + length;
    const QStringView span(raw.constData(), end);
    const bool matchCase = options.testFlag(MatchCase);
    for (qsizetype from = start;; ++from) {
        const qsizetype found = matchCase ? span.indexOf(needle, from, Qt::CaseSensitive)
                                          : IndexOfCaseless(span, needle, from);
        if (found < 0 || !options.testFlag(WholeWord)) {
            return found;
        }
        const qsizetype after = found + needle.size();
        const bool wordStart = found == 0 || !IsWordChar(span[found - 1]);
        const bool wordEnd = after == span.size() || !IsWordChar(span[after]);
        if (wordStart && wordEnd) {
            return found;
        }
        from = found;
    }
}

void TRichEdit::KeepCaretLineShaped() {
    // Qt drops a line's shaping data after each layout and paint, so every
    // caret blink and every paint of the caret shapes its whole line again:
    // on a long line that alone takes much of a core. The caret's line keeps
    // its data while it is long; a line it leaves drops it at its next paint.
    const QTextBlock block = textCursor().block();
    if (block.blockNumber() == shapedLine_ && block.length() >= kLongLine) {
        return;
    }
    const QTextBlock previous = document()->findBlockByNumber(shapedLine_);
    if (previous.isValid() && previous.layout() != nullptr) {
        previous.layout()->setCacheEnabled(false);
    }
    shapedLine_ = -1;
    if (block.isValid() && block.length() >= kLongLine) {
        block.layout()->setCacheEnabled(true);
        shapedLine_ = block.blockNumber();
    }
}

void TRichEdit::SetReadOnly(bool readOnly) {
    if (readOnly != isReadOnly()) {
        setReadOnly(readOnly);
        if (readOnly) {
            setTextInteractionFlags(kReadOnlyInteraction);
        }
    }
}

void TRichEdit::RaiseKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    if (OnKeyDown) {
        OnKeyDown(key, modifiers);
    }
}

void TRichEdit::RaiseContextPopup(QPoint mousePos) {
    setFocus(Qt::PopupFocusReason);
    if (OnContextPopup) {
        OnContextPopup(mousePos);
    }
}

bool TRichEdit::event(QEvent* event) {
    // A key that the window turns into a shortcut (Alt+Q) arrives only as a
    // ShortcutOverride, so the key-down is raised there, once.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (!MovesFocus(keyEvent)) {
            int key = keyEvent->key();
            RaiseKeyDown(key, keyEvent->modifiers());
            pending_ = {true, keyEvent->key(), keyEvent->modifiers(), key == 0};
            if (key == 0) {
                event->accept(); // the pane takes the key, so no shortcut runs
                return true;
            }
        }
    } else if (event->type() == QEvent::KeyRelease) {
        pending_.valid = false;
    }
    return QPlainTextEdit::event(event);
}

void TRichEdit::keyPressEvent(QKeyEvent* event) {
    if (MovesFocus(event)) {
        QPlainTextEdit::keyPressEvent(event); // only when there is nowhere to go
        return;
    }
    const bool reported =
        pending_.valid && pending_.key == event->key() && pending_.modifiers == event->modifiers();
    bool swallowed = reported && pending_.swallowed;
    pending_.valid = false;
    if (!reported) {
        int key = event->key();
        RaiseKeyDown(key, event->modifiers());
        swallowed = key == 0;
    }
    if (swallowed) {
        event->accept();
        return;
    }
    if (IsAltCharacter(event)) {
        event->ignore();
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ShiftModifier)) {
        // Shift+Enter is an ordinary line break, not Qt's U+2028.
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                        event->text(), event->isAutoRepeat(), ushort(event->count()));
        QPlainTextEdit::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
        return;
    }
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        RaiseContextPopup(QPoint(-1, -1)); // the keyboard's other context-menu key
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TRichEdit::contextMenuEvent(QContextMenuEvent* event) {
    // The pane has no menu of its own; its owner may open one.
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        RaiseContextPopup(QPoint(-1, -1));
        return;
    }
    const QPoint pos = viewport()->mapFromGlobal(event->globalPos());
    if (viewport()->rect().contains(pos)) {
        RaiseContextPopup(pos);
    }
}

void TRichEdit::insertFromMimeData(const QMimeData* source) {
    // Pasted and dropped text as plain text, with the pane's rules for line
    // breaks and NUL; a user change, recorded for undo.
    if (source == nullptr || !source->hasText()) {
        return;
    }
    QTextCursor cursor = textCursor();
    cursor.insertText(FittingPaneText(cursor, source->text()));
    setTextCursor(cursor);
    ensureCursorVisible();
}

} // namespace sheafpad
