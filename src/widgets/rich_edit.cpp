// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/rich_edit.h"

#include "base/errors.h"
#include "base/user_text.h"
#include "platform/file_identity.h"
#include "platform/file_io.h"
#include "platform/memory.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdio>
#include <limits>

namespace sheafpad {

namespace {

// Line breaks as CR LF.
QString WithCrLf(QString text) {
    return text.replace(QChar('\n'), QStringLiteral("\r\n"));
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
    return QCoreApplication::translate("TRichEdit",
                                       "The text holds %1, which this file's encoding cannot store")
        .arg(character)
        .toStdString();
}

} // namespace

QFont TRichEdit::FixedPitchFont(const QFont& font) {
    if (QFontInfo(font).fixedPitch()) {
        return font;
    }
    // The font matcher's own monospace first (the user's choice where the
    // desktop has none), then families that desktops ship, then any.
    QFont fixed = font;
    fixed.setStyleHint(QFont::Monospace);
    QStringList families = {QStringLiteral("monospace"), QStringLiteral("DejaVu Sans Mono"),
                            QStringLiteral("Liberation Mono"), QStringLiteral("Noto Sans Mono")};
    families += QFontDatabase::families();
    for (const QString& family : families) {
        fixed.setFamilies({family});
        if (QFontInfo(fixed).fixedPitch()) {
            return fixed;
        }
    }
    return font;
}

TRichEdit::TRichEdit(QWidget* parent) : TextView(parent) {
    SetBaseFont(FixedPitchFont(QFontDatabase::systemFont(QFontDatabase::FixedFont)));
    SetMaxLength(kInitialMaxLength);
    setReadOnly(true);
    // The selection is not shown while the pane does not have the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Inactive, QPalette::Base));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Inactive, QPalette::Text));
    setPalette(colours);
}

namespace {

// A size as people read it: "2.1 GB", "340 MB", "12 KB", "900 bytes".
std::string SizeText(uint64_t bytes) {
    char text[32];
    if (bytes >= (uint64_t(1) << 30)) {
        std::snprintf(text, sizeof text, "%.1f GB", double(bytes) / double(uint64_t(1) << 30));
    } else if (bytes >= (1u << 20)) {
        std::snprintf(text, sizeof text, "%.0f MB", double(bytes) / double(1u << 20));
    } else if (bytes >= 1024) {
        std::snprintf(text, sizeof text, "%.0f KB", double(bytes) / 1024.0);
    } else {
        return UserText("TRichEdit", "%n byte(s)", nullptr, int(bytes));
    }
    return text;
}

// bytes decoded as encoding, line breaks as '\n'.
std::u16string Decoded(std::string_view bytes, TextEncoding encoding) {
    std::u16string text(DecodedCapacity(bytes), u'\0');
    text.resize(DecodeText(bytes, encoding, text.data()));
    return text;
}

} // namespace

uint64_t TRichEdit::LoadTextFile(const std::string& path) {
    // A file that the computer's memory could not hold next to everything
    // else is refused before it is read, naming its size.
    const size_t memory = platform::PhysicalMemoryBytes();
    const platform::FileIdentity file = platform::FileIdentityOf(path);
    const auto refuse = [&](uint64_t size) {
        throw EFOpenError(
            platform::AbsolutePath(path),
            FillIn(UserText("TRichEdit", "The file is %1, more than a quarter of this "
                                         "computer's memory (%2), too large to open"),
                   {SizeText(size), SizeText(memory)}));
    };
    if (memory > 0 && file.size > memory / 4) {
        refuse(file.size);
    }
    std::u16string text;
    std::string narrow;
    TextFormat format;
    ContentHasher hasher;
    {
        // The file's bytes live only until they are decoded, and each part's
        // memory goes back as soon as it is: a big file never needs its bytes
        // and its whole text at once. A NUL byte refuses the file at the
        // piece where it stands, before the rest is read.
        uint64_t read = 0;
        std::string bytes = platform::ReadFileBytes(path, [&](std::string_view piece) {
            if (ContainsNul(piece)) {
                throw EFOpenError(
                    platform::AbsolutePath(path),
                    UserText("TRichEdit", "The file holds NUL bytes, so it is not a text file"));
            }
            read += piece.size();
            if (memory > 0 && read > memory / 4) {
                refuse(read); // grown while it was read
            }
            hasher.Add(piece);
        });
        format = DetectFormat(bytes);
        const size_t bom = format.BomLength();
        if (DecodesNarrow(TextBytes(bytes, format), format.encoding)) {
            // One byte a character, decoded where the bytes are (over the
            // byte-order mark, which is no part of the text).
            bytes.resize(DecodeNarrowInPlace(bytes, bom, format.encoding));
            narrow = std::move(bytes);
        } else {
            constexpr size_t kPart = 256 * 1024;
            size_t discarded = 0;
            DecodeTextInParts(
                TextBytes(bytes, format), format.encoding, text, kPart, [&](size_t decoded) {
                    decoded += bom;
                    platform::DiscardMemory(bytes.data() + discarded, decoded - discarded);
                    discarded = decoded;
                });
        }
    }
    if (text.empty() && !narrow.empty()) {
        SetLoadedNarrow(std::move(narrow), format);
    } else {
        SetLoadedText(std::move(text), format);
    }
    fileText_ = Snapshot();
    return hasher.Value();
}

void TRichEdit::LoadTextBytes(std::string_view bytes, TextEncoding stored,
                              const TextFormat& format) {
    SetLoadedText(Decoded(bytes, stored), format);
}

void TRichEdit::SetLoadedNarrow(std::string units, const TextFormat& format) {
    fileText_.reset(); // a load of a file sets it again
    LoadNarrowText(std::move(units));
    FinishLoad(format);
}

void TRichEdit::SetLoadedText(std::u16string text, const TextFormat& format) {
    fileText_.reset(); // a load of a file sets it again
    LoadText(std::move(text));
    FinishLoad(format);
}

void TRichEdit::FinishLoad(const TextFormat& format) {
    format_ = format;
    emit formatChanged();
    SetMaxLength(kLoadedMaxLength);
    if (OnFileLoaded) {
        OnFileLoaded();
    }
}

std::string TRichEdit::FileBytes(const std::string& path) const {
    // Encoded part by part: the text is never copied whole. A part that ends
    // in the first half of a surrogate pair keeps it for the next one.
    constexpr size_t kPart = 64 * 1024;
    std::string bytes;
    // Room for a text of single-byte characters with CR LF line breaks, the
    // common case, so that the bytes are seldom moved while they grow.
    bytes.reserve(format_.BomLength() + size_t(Length() + LineCount()));
    bytes.append(kUtf8Bom.substr(0, format_.BomLength()));
    std::u16string part;
    size_t partStart = 0;
    auto encode = [&](size_t keep) {
        size_t bad = 0;
        const std::u16string_view units(part.data(), part.size() - keep);
        if (!EncodeText(units, format_.encoding, bytes, &bad, format_.lineBreak)) {
            const size_t at = partStart + bad;
            const QString near = Text(qsizetype(at), 2);
            throw EFCreateError(platform::AbsolutePath(path), UnstorableReason(near, 0));
        }
        partStart += units.size();
        part.erase(0, units.size());
    };
    Buffer().ForEachChunk(0, size_t(Length()), [&](std::u16string_view chunk) {
        part.append(chunk);
        if (part.size() >= kPart) {
            const bool split = part.back() >= 0xD800 && part.back() < 0xDC00;
            encode(split ? 1 : 0);
        }
        return true;
    });
    encode(0);
    return bytes;
}

platform::FileIdentity TRichEdit::SaveTextFile(const std::string& path) const {
    return platform::WriteFileBytes(path, FileBytes(path));
}

QString TRichEdit::LinesText() const {
    QString text = WithCrLf(toPlainText());
    if (!text.isEmpty() && !text.endsWith('\n')) {
        text += QStringLiteral("\r\n");
    }
    return text;
}

qsizetype TRichEdit::LinesTextLength() const {
    const qsizetype length = Length();
    if (length == 0) {
        return 0;
    }
    // Each line break becomes CR LF; an unbroken last line gains one.
    const qsizetype breaks = LineCount() - 1;
    const bool endsWithBreak = Buffer().At(size_t(length - 1)) == u'\n';
    return length + breaks + (endsWithBreak ? 0 : 2);
}

void TRichEdit::ClearText() {
    Replace(0, Length(), QString(), Origin::Program);
    SetCaret(0);
}

void TRichEdit::AppendLine(const QString& line) {
    const bool endsWithBreak = Length() == 0 || Buffer().At(size_t(Length() - 1)) == u'\n';
    const QString insertion = endsWithBreak ? line + '\n' : '\n' + line;
    const qsizetype expected = PaneLength(Normalized(insertion));
    const qsizetype taken = Replace(Length(), 0, insertion, Origin::Program);
    SetCaret(Length());
    if (taken != expected) {
        throw EOutOfResources(UserText("TRichEdit", "RichEdit line insertion error"));
    }
}

void TRichEdit::SetSelectionStart(qsizetype position) {
    SetCaret(position);
}

QString TRichEdit::SelectedText() const {
    return WithCrLf(SelectedPlainText());
}

void TRichEdit::ReplaceSelection(const QString& text) {
    TextView::ReplaceSelection(text, Origin::User);
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
    const QString needle = Normalized(text);
    const qsizetype total = Length();
    start = std::max<qsizetype>(start, 0);
    if (needle.isEmpty() || start > total || length < 0) {
        return -1;
    }
    const qsizetype end = length > total - start ? total : start + length;
    const bool matchCase = options.testFlag(MatchCase);
    const qsizetype n = needle.size();
    // A match is whole when no word character touches it (the end of the
    // searched span counts as a border).
    auto accepted = [&](qsizetype at) {
        if (!options.testFlag(WholeWord)) {
            return true;
        }
        const bool wordStart = at == 0 || !IsWordChar(QChar(Buffer().At(size_t(at - 1))));
        const bool wordEnd = at + n == end || !IsWordChar(QChar(Buffer().At(size_t(at + n))));
        return wordStart && wordEnd;
    };
    // The first accepted match in hay (which starts at position hayStart)
    // that starts before limit, or -1.
    auto scan = [&](QStringView hay, qsizetype hayStart, qsizetype limit) -> qsizetype {
        for (qsizetype from = 0;;) {
            const qsizetype found = matchCase ? hay.indexOf(needle, from, Qt::CaseSensitive)
                                              : IndexOfCaseless(hay, needle, from);
            if (found < 0 || found >= limit) {
                return -1;
            }
            if (accepted(hayStart + found)) {
                return hayStart + found;
            }
            from = found + 1;
        }
    };
    // The text is searched part by part as stored; the last n - 1 units of
    // each part are joined to the next one for matches across the border.
    qsizetype result = -1, partStart = start;
    std::u16string tail;
    Buffer().ForEachChunk(size_t(start), size_t(end - start), [&](std::u16string_view part) {
        if (!tail.empty()) {
            std::u16string joined = tail;
            joined.append(part.substr(0, size_t(n - 1)));
            const qsizetype tailStart = partStart - qsizetype(tail.size());
            result = scan(QStringView(joined.data(), qsizetype(joined.size())), tailStart,
                          qsizetype(tail.size()));
            if (result >= 0) {
                return false;
            }
        }
        const QStringView hay(part.data(), qsizetype(part.size()));
        result = scan(hay, partStart, hay.size());
        if (result >= 0) {
            return false;
        }
        // Only the last n - 1 units are kept (never the whole part).
        const size_t keep = size_t(n - 1);
        if (part.size() >= keep) {
            tail.assign(part.substr(part.size() - keep));
        } else {
            tail.append(part);
            tail.erase(0, tail.size() > keep ? tail.size() - keep : 0);
        }
        partStart += qsizetype(part.size());
        return true;
    });
    return result;
}

void TRichEdit::SetReadOnly(bool readOnly) {
    setReadOnly(readOnly);
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
    return TextView::event(event);
}

void TRichEdit::keyPressEvent(QKeyEvent* event) {
    if (MovesFocus(event)) {
        event->ignore(); // only when there is nowhere to go
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
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        RaiseContextPopup(QPoint(-1, -1)); // the keyboard's other context-menu key
        event->accept();
        return;
    }
    TextView::keyPressEvent(event);
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

} // namespace sheafpad
