// SPDX-License-Identifier: GPL-3.0-or-later
// The editor pane: the text view, reading and writing whole files, searching
// forward and reporting key strokes and context menu requests to its owner
// before acting on them.
//
// Positions (caret, selection, search results) are the view's own: a line
// break counts as one position. The pane's text holds no NUL, and its line
// breaks are '\n' (never U+2028).
#pragma once

#include "platform/file_identity.h"
#include "text/text_format.h"
#include "textview/text_view.h"

#include <functional>
#include <optional>
#include <string>

namespace sheafpad {

class TRichEdit : public TextView {
    Q_OBJECT
public:
    enum FindOption { NoFindOptions = 0, WholeWord = 1, MatchCase = 2 };
    Q_DECLARE_FLAGS(FindOptions, FindOption)

    // The limit that applies before the first load: far above any report the
    // program writes, low enough that a runaway one stops.
    static constexpr qsizetype kInitialMaxLength = qsizetype(64) * 1024 * 1024;
    // The limit after every successful load (hexadecimal 7FFFFFF0).
    static constexpr qsizetype kLoadedMaxLength = 2147483632;

    // The pane's font (zoom 0) is the desktop's fixed-width font at its size.
    explicit TRichEdit(QWidget* parent = nullptr);
    // font when it is fixed-pitch, else an installed fixed-pitch family at
    // font's size (a desktop theme may give a proportional "fixed" font).
    static QFont FixedPitchFont(const QFont& font);

    // Replaces the whole text by the file's and keeps the file's format
    // (encoding, line break, byte-order mark) for the saves. Throws
    // EFOpenError when the file cannot be read or holds NUL bytes; the pane
    // is then unchanged. Returns the hash of the bytes read (ContentHasher).
    uint64_t LoadTextFile(const std::string& path);
    // The bytes that a save writes: the text in the format of the last load.
    // Throws EFCreateError, naming path, when the text holds a character
    // that the encoding cannot store.
    std::string FileBytes(const std::string& path) const;
    // Writes FileBytes(path). Throws as FileBytes does (file untouched),
    // EFCreateError when the file cannot be created, EOutOfResources when
    // the write fails. The pane is never changed. Returns what the file is
    // once written.
    platform::FileIdentity SaveTextFile(const std::string& path) const;
    // The loaded file's format; saves write in it.
    const TextFormat& Format() const { return format_; }
    TextEncoding Encoding() const { return format_.encoding; }
    // Whether the text is, unedited, what the last LoadTextFile made of the
    // file's bytes: decoding the same bytes again gives it back.
    bool HoldsLoadedFile() const { return fileText_ && Holds(*fileText_); }
    // Replaces the whole text by bytes decoded as stored (line breaks CR, LF
    // or CR LF, no byte-order mark), as a load does; later saves write in
    // format. bytes hold no NUL.
    void LoadTextBytes(std::string_view bytes, TextEncoding stored, const TextFormat& format);

    // Every line followed by CR LF, the last one included; empty for an empty pane.
    QString LinesText() const;
    // LinesText().size(), without building the text.
    qsizetype LinesTextLength() const;
    // The text becomes empty; the caret is at 0.
    void ClearText();
    // Adds line as the new last line, whatever the read-only flag. Throws
    // EOutOfResources("RichEdit line insertion error") when MaxLength stops it.
    void AppendLine(const QString& line);

    // Puts the caret at position with nothing selected.
    void SetSelectionStart(qsizetype position);
    // The selected characters, line breaks as CR LF.
    QString SelectedText() const;
    // Replaces the selection by text (CR, LF and CR LF become line breaks; the
    // text ends at a NUL), whatever the read-only flag, as an edit of the
    // user's: one step of the undo history, as Ctrl+X or Ctrl+V.
    void ReplaceSelection(const QString& text);

    // Position of the first occurrence of text starting at or after start and
    // ending within start + length (clamped to the text's end), or -1. An
    // empty text finds nothing. Case-insensitive unless MatchCase.
    qsizetype FindForward(const QString& text, qsizetype start, qsizetype length,
                          FindOptions options = NoFindOptions) const;
    // The number of positions text takes in the pane (CR LF counts one).
    static qsizetype PaneLength(const QString& text);

    bool ReadOnly() const { return isReadOnly(); }
    // Read-only: the user cannot change the text, but still moves the caret
    // (which is drawn) and selects, with the keyboard as with the mouse.
    void SetReadOnly(bool readOnly);

    // Raised for every key pressed in the pane (also when read-only) before
    // the pane acts, except Tab and Shift+Tab, which move the focus. Setting
    // key to 0 stops the pane from acting on it. shift holds the modifiers,
    // Qt::KeypadModifier included.
    std::function<void(int& key, Qt::KeyboardModifiers shift)> OnKeyDown;
    // Raised when the user asks for a context menu: a right-click in the text
    // area (position in viewport coordinates) or the keyboard ((-1, -1)).
    std::function<void(QPoint mousePos)> OnContextPopup;
    // Raised when a file's text has replaced the whole text (LoadTextFile,
    // LoadTextBytes), not when the program writes its own texts.
    std::function<void()> OnFileLoaded;

signals:
    // The format that saves write in changed (a file was loaded).
    void formatChanged();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The text of a load (line breaks '\n') replaces the whole text.
    void SetLoadedText(std::u16string text, const TextFormat& format);
    // The same for a text of units below U+0100, one byte each.
    void SetLoadedNarrow(std::string units, const TextFormat& format);
    void FinishLoad(const TextFormat& format);
    void RaiseKeyDown(int& key, Qt::KeyboardModifiers modifiers);
    void RaiseContextPopup(QPoint mousePos);

    // A key already reported on its ShortcutOverride, so that the KeyPress
    // that may follow is not reported twice.
    struct PendingKey {
        bool valid = false;
        int key = 0;
        Qt::KeyboardModifiers modifiers;
        bool swallowed = false; // the handler set the key to 0
    };
    PendingKey pending_;
    // The format of the last load; the save writes in it.
    TextFormat format_;
    // The text as the last LoadTextFile left it, while no other load followed.
    std::optional<TextSnapshot> fileText_;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TRichEdit::FindOptions)

} // namespace sheafpad
