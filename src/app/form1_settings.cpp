// SPDX-License-Identifier: GPL-3.0-or-later
// Settings at start-up and close, window bounds, and the external editor.
#include "app/form1.h"

#include "app/pane_habits.h"
#include "app/search_controller.h"
#include "base/errors.h"
#include "files/file_list.h"
#include "platform/file_io.h"
#include "platform/process.h"
#include "platform/user_dirs.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_place.h"
#include "widgets/directory_edit.h"
#include "widgets/error_display.h"
#include "widgets/rich_edit.h"
#include "widgets/syntax_colouring.h"
#include "widgets/translations.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>

namespace sheafpad {
namespace {

TForm1::QuestionHook& QuestionHookRef() {
    static TForm1::QuestionHook hook;
    return hook;
}

std::string ToSettingsText(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

// The find text as stored: UTF-8, though a value cut to its maximum length
// may end inside a character, which is then dropped. Other bytes (a file
// written by hand in another code page) come back one character per byte.
QString FromSettingsText(const std::string& bytes) {
    size_t end = bytes.size();
    size_t lead = end;
    while (lead > 0 && end - lead < 4 && (uchar(bytes[lead - 1]) & 0xC0) == 0x80) {
        --lead;
    }
    if (end == kIniMaxValueLength && lead > 0 && uchar(bytes[lead - 1]) >= 0xC0) {
        const uchar first = uchar(bytes[lead - 1]);
        const size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : 2;
        if (end - (lead - 1) < length) {
            end = lead - 1;
        }
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(QByteArrayView(bytes.data(), qsizetype(end)));
    if (!decoder.hasError()) {
        return text;
    }
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

// dir made absolute against the working directory; "" (the root) stays.
std::string AbsoluteDirText(const std::string& dir) {
    return dir.empty() ? dir : platform::AbsolutePath(dir);
}

} // namespace

std::string TForm1::SettingsPath() const {
    return SettingsPathOverride.empty() ? settings::SettingsFileFor(ExeDir) : SettingsPathOverride;
}

void TForm1::SetQuestionHook(QuestionHook hook) {
    QuestionHookRef() = std::move(hook);
}

void TForm1::ReadSettings() {
    using namespace settings;
    const std::string path = SettingsPath();
    TIniFile ini(path);
    // A portable copy starts in its own folder; an installed one, whose
    // settings live in the user's config folder, in the user's home folder
    // rather than in /usr/bin.
    const bool besideProgram = !SettingsPathOverride.empty() || path.rfind(ExeDir, 0) == 0;
    const std::string home = platform::HomeDir();
    const std::string defaultDir = besideProgram || home.empty() ? ExeDir : home;
    // A relative directory is taken against the working directory at start,
    // once: the folder dialog moves the working directory, and the list must
    // not change folder under the user. It is shown, and kept, absolute.
    SiteSettings(ini, false); // the switch first: the folder is then listed once
    dirEdit->SetInitialDir(AbsoluteDirText(ini.ReadString(kSection, kDir, defaultDir)));
    dirEdit->SetText(dirEdit->InitialDir());

    // Each edge is applied as soon as it is read, height before width.
    QRect bounds = OuterBounds();
    const QRect layout = bounds;
    bounds.moveLeft(ini.ReadInteger(kSection, kLeft, bounds.left()));
    SetOuterBounds(bounds);
    bounds.moveTop(ini.ReadInteger(kSection, kTop, bounds.top()));
    SetOuterBounds(bounds);
    bounds.setHeight(ini.ReadInteger(kSection, kHeight, bounds.height()));
    SetOuterBounds(bounds);
    bounds.setWidth(ini.ReadInteger(kSection, kWidth, bounds.width()));
    SetOuterBounds(bounds);
    KeepOnScreen(layout);

    // The field's prompt is stored as its text; one written in another
    // language's session shows in this session's language.
    const QString find =
        FromSettingsText(ini.ReadString(kSection, kFindEdit, ToSettingsText(FindEdit->text())));
    if (!Translations::EveryLanguage("sheafpad::TForm1", kFindPrompt).contains(find)) {
        FindEdit->setText(find);
    }
    FindEdit->setCursorPosition(0); // show the text from its start
    // Only the name: the file is opened when the user selects it.
    LoadedFName = ini.ReadString(kSection, kLoadedFName, LoadedFName);
    PaneSettings(ini, false);
    search_->ReadSettings(ini);
    ini.Release();
}

void TForm1::PaneSettings(TIniFile& ini, bool write) {
    using namespace settings;
    // The size the pane's font was zoomed to. At the desktop's size nothing
    // is stored (an earlier size is emptied), so the pane follows the desktop.
    if (!write) {
        if (const int32_t size = ini.ReadInteger(kPaneSection, kFontSize, 0); size > 0) {
            Memo1->ZoomTo(size);
        }
    } else if (Memo1->PointSize() != Memo1->BasePointSize()) {
        ini.WriteInteger(kPaneSection, kFontSize, int32_t(std::lround(Memo1->PointSize())));
    } else if (!ini.ReadString(kPaneSection, kFontSize, "").empty()) {
        ini.WriteString(kPaneSection, kFontSize, "");
    }
    // Syntax colours: on unless the file says 0; written at every close, so
    // that the switch can be found in the file.
    if (!write) {
        Colours->SetEnabled(ini.ReadInteger(kPaneSection, kHighlighting, 1) != 0);
    } else {
        ini.WriteInteger(kPaneSection, kHighlighting, Colours->Enabled() ? 1 : 0);
    }
    habits_->Settings(ini, write);
}

void TForm1::WriteSettings() {
    using namespace settings;
    const std::string path = SettingsPath();
    MakeSettingsFolder(path); // the user's config folder, at the first close
    TIniFile ini(path);
    ini.WriteString(kSection, kDir, dirEdit->Text());
    const QRect bounds = OuterBounds();
    ini.WriteInteger(kSection, kLeft, bounds.left());
    ini.WriteInteger(kSection, kTop, bounds.top());
    ini.WriteInteger(kSection, kHeight, bounds.height());
    ini.WriteInteger(kSection, kWidth, bounds.width());
    // A pasted find text may hold line breaks, which no line of the file can:
    // its first line is kept. (Paths with line breaks are refused by the store.)
    std::string findText = ToSettingsText(FindEdit->text());
    findText.resize(
        std::min(findText.size(), findText.find_first_of(std::string_view("\r\n\0", 3))));
    ini.WriteString(kSection, kFindEdit, findText);
    ini.WriteString(kSection, kLoadedFName, LoadedFName);
    PaneSettings(ini, true);
    SiteSettings(ini, true);
    search_->WriteSettings(ini);
    ini.Release();
}

bool TForm1::AskQuitWithoutSettings() {
    return AskQuestion(tr("Quit without saving the settings?\n\n"
                          "A changed file is still saved before the program ends."));
}

bool TForm1::AskQuestion(const QString& text, bool defaultYes) {
    if (QuestionHookRef()) {
        return QuestionHookRef()(text);
    }
    const auto box =
        ErrorDisplay::MakeBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No,
                              QApplication::activeWindow() ? QApplication::activeWindow() : this);
    box->setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box->exec() == QMessageBox::Yes;
}

QMargins TForm1::FrameMargins() const {
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                    frame.right() - client.right(), frame.bottom() - client.bottom());
}

QRect TForm1::OuterBounds() const {
    if (isMinimized() && !isMaximized()) {
        // The rectangle the window gets back when restored.
        const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
        return normal.marginsAdded(FrameMargins());
    }
    return frameGeometry(); // maximized: the maximized rectangle
}

void TForm1::SetOuterBounds(const QRect& bounds) {
    // A window is framed only once it is on screen; until then the margins are
    // 0 and the bounds are applied again when they become known.
    const QMargins margins = FrameMargins();
    if (margins.isNull()) {
        pendingBounds_ = bounds;
    } else {
        pendingBounds_.reset();
    }
    move(bounds.topLeft()); // a window's position is that of its frame
    // A width or height of zero or less (a stored "Height=-5") would make a
    // window that the system never shows: the smallest size a window can
    // have stands in for it; any other size is applied as it is, down to a
    // client area of one pixel.
    const QSize smallest = minimumSizeHint().expandedTo(minimumSize()).expandedTo(QSize(1, 1));
    const int width = bounds.width() <= 0
                          ? smallest.width()
                          : std::max(1, bounds.width() - margins.left() - margins.right());
    const int height = bounds.height() <= 0
                           ? smallest.height()
                           : std::max(1, bounds.height() - margins.top() - margins.bottom());
    resize(width, height);
}

bool TForm1::event(QEvent* event) {
    const bool result = QWidget::event(event);
    const QEvent::Type type = event->type();
    // The margins are known once the window manager has framed the window,
    // at the latest when the framed window is first painted.
    if (pendingBounds_ &&
        (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Paint) &&
        !FrameMargins().isNull()) {
        const QRect bounds = *pendingBounds_;
        pendingBounds_.reset();
        if (windowState() == Qt::WindowNoState) {
            SetOuterBounds(bounds);
        }
    }
    return result;
}

void TForm1::KeepOnScreen(const QRect& layout) {
    // Bounds that lie outside every screen would open a window nobody can
    // reach: such a window moves onto the primary screen, keeping its size.
    QRect bounds = OuterBounds();
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return;
    }
    if (std::none_of(screens.begin(), screens.end(),
                     [&](QScreen* screen) { return screen->geometry().intersects(bounds); })) {
        const QRect area = primary->availableGeometry();
        bounds.moveTopLeft(QPoint(area.left() + std::max(0, (area.width() - bounds.width()) / 2),
                                  area.top() + std::max(0, (area.height() - bounds.height()) / 2)));
        SetOuterBounds(bounds);
    }
    // A stored size larger than the screen gives edges and a scroll bar that
    // nobody can reach: it becomes the screen's available width or height,
    // from its start. (The layout's own size is kept, as on every first start.)
    QScreen* screen = QGuiApplication::screenAt(bounds.topLeft());
    const QRect area = (screen != nullptr ? screen : primary)->availableGeometry();
    if (bounds == layout) {
        // Nothing stored: the layout's place and size, pixels at 96 dpi, may
        // reach past a small screen, all the more at 2x. The window moves up
        // and left into the available area, and is cut to it.
        if (!area.contains(bounds)) {
            QRect fitted(bounds.topLeft(), bounds.size().boundedTo(area.size()));
            fitted.moveRight(std::min(fitted.right(), area.right()));
            fitted.moveBottom(std::min(fitted.bottom(), area.bottom()));
            fitted.moveLeft(std::max(fitted.left(), area.left()));
            fitted.moveTop(std::max(fitted.top(), area.top()));
            SetOuterBounds(fitted);
        }
        return;
    }
    QRect fitted = bounds;
    if (bounds.width() > area.width() && bounds.width() != layout.width()) {
        fitted.setLeft(area.left());
        fitted.setWidth(area.width());
    }
    if (bounds.height() > area.height() && bounds.height() != layout.height()) {
        fitted.setTop(area.top());
        fitted.setHeight(area.height());
    }
    if (fitted != bounds) {
        SetOuterBounds(fitted);
    }
}

void TForm1::filesLBDblClick() {
    const std::optional<std::string> name = SelectedName();
    if (!name) {
        return;
    }
    const std::string path = JoinPath(dirEdit->Text(), *name);
    // The desktop's text editor, started without waiting; one that cannot
    // start says why (the file stays open in the pane).
    const std::string reason =
        platform::OpenInTextEditor(path.front() == '-' ? "./" + path : path); // never an option
    if (!reason.empty()) {
        throw EEditorStartError(path, reason);
    }
}

} // namespace sheafpad
