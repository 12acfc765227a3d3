// SPDX-License-Identifier: GPL-3.0-or-later
// The directory field: a one-line text box with a browse button inside its
// right end. With DirectInput off the user cannot type into it; the button, or
// its key Alt+Down, opens the "Select Directory" dialog, and OK writes the
// chosen folder into the field.
#pragma once

#include "widgets/select_dir_dialog.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPixmap>
#include <functional>
#include <string>

namespace sheafpad {

class TJvDirectoryEdit;

enum class TDirDialogKind { dkVCL, dkWin32 };
enum class TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };

// Before and after the dialog: the path (in/out) and whether to go on (in/out).
using TExecOpenDialogEvent =
    std::function<void(TJvDirectoryEdit* sender, std::string& name, bool& action)>;

// The button inside the field. Takes no focus; pressing it focuses the field.
class TJvEditButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TJvEditButton(TJvDirectoryEdit* edit);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TJvDirectoryEdit* edit_;
};

class TJvDirectoryEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TJvDirectoryEdit(QWidget* parent = nullptr);

    // The directory, exactly as set (bytes, as on disk).
    const std::string& Text() const { return text_; }
    // Replaces the text and fires OnChange once, unless the text is equal.
    void SetText(const std::string& text);

    // Start folder of the dialog, used only when the text is empty.
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& dir) { initialDir_ = dir; }

    // False: the user cannot type, cut or paste (the program sets it false).
    bool DirectInput() const { return directInput_; }
    void SetDirectInput(bool on);
    // True: the text cannot be edited and the browse action is off.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);

    TDirDialogKind DialogKind() const { return dialogKind_; }
    void SetDialogKind(TDirDialogKind kind) { dialogKind_ = kind; }
    TSelectDirOpts DialogOptions() const { return dialogOptions_; }
    void SetDialogOptions(TSelectDirOpts options) { dialogOptions_ = options; }
    // True: the text is a ";"-separated list and OK appends the chosen folder.
    bool MultipleDirs() const { return multipleDirs_; }
    void SetMultipleDirs(bool on) { multipleDirs_ = on; }
    // The key that acts as a click on the button, as a shortcut value: key
    // code plus 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt (32808 is Alt+Down).
    int ClickKey() const { return clickKey_; }
    void SetClickKey(int key) { clickKey_ = key; }

    TGlyphKind GlyphKind() const { return glyphKind_; }
    void SetGlyphKind(TGlyphKind kind);
    // The picture strip of gkCustom.
    const QPixmap& Glyph() const { return glyph_; }
    void SetGlyph(const QPixmap& glyph);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int count);
    // The picture shown on the button (one frame of the strip).
    QPixmap ButtonPicture() const;
    // Pixels; the larger of picture width + 6 and 21 unless set.
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int width);
    // The button's own tool-tip; empty shows the field's.
    const QString& ButtonHint() const { return buttonHint_; }
    void SetButtonHint(const QString& hint);
    // Select all on entering from the keyboard; only while DirectInput is on.
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool on) { autoSelect_ = on; }
    // Accept folders dropped on the field.
    bool AcceptFiles() const { return acceptFiles_; }
    void SetAcceptFiles(bool on) { acceptFiles_ = on; }

    void SetOnBeforeDialog(TExecOpenDialogEvent handler) { onBeforeDialog_ = std::move(handler); }
    void SetOnAfterDialog(TExecOpenDialogEvent handler) { onAfterDialog_ = std::move(handler); }

    TJvEditButton* Button() const { return button_; }

    // The tip shown over the field and its button: the field's tool-tip,
    // then the whole directory on a line of its own. The field shows the
    // end of a path too long for it.
    QString ShownToolTip() const;

    // The browse action: the dialog at the field's folder; OK writes the
    // chosen folder into the field (OnChange runs before this returns).
    void BrowseClick();

signals:
    void OnChange();
    void OnButtonClick();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool IsClickKey(const QKeyEvent* event) const;
    // The text's bytes less those of the selected part.
    std::string WithoutSelection() const;
    bool RefusesDrop(const QDropEvent* event) const;
    void UpdateEditable();
    void UpdateButtonGeometry();
    void UpdateButtonWidth();

    std::string text_;       // the directory as set, byte for byte
    std::string initialDir_; // start folder of the dialog when the text is empty
    bool directInput_ = true;
    bool readOnly_ = false;
    TDirDialogKind dialogKind_ = TDirDialogKind::dkVCL;
    TSelectDirOpts dialogOptions_ = 0;
    bool multipleDirs_ = false;
    int clickKey_ = 32808; // Alt+Down
    TGlyphKind glyphKind_ = TGlyphKind::gkDefault;
    QPixmap glyph_;               // custom picture strip
    int numGlyphs_ = 1;           // pictures in the strip
    int buttonWidth_ = 21;        // pixels
    bool buttonWidthSet_ = false; // set explicitly: no longer follows the picture
    QString buttonHint_;
    bool autoSelect_ = true;
    bool acceptFiles_ = false;
    TExecOpenDialogEvent onBeforeDialog_;
    TExecOpenDialogEvent onAfterDialog_;
    TJvEditButton* button_ = nullptr;
};

// The default picture: a 14 x 12 open folder on a transparent background,
// drawn for scale device pixels to a pixel (2 on a screen at 2x).
QPixmap DefaultFolderGlyph(qreal scale = 1);

// A shortcut value (key code | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt) as a
// Qt key combination; an unknown key code gives Qt::Key_unknown.
QKeyCombination ShortCutToKey(int shortCut);

} // namespace sheafpad
