// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/directory_edit.h"

#include "platform/working_dir.h"
#include "test_util.h"
#include "widgets/dir_list_widget.h"
#include "widgets/error_display.h"
#include "widgets/widget_hooks.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace sheafpad {
namespace {

// A field as the main window sets it up, in a scratch tree. The dialog never
// shows: each browse runs `answer` with the live dialog (default: Cancel).
class DirectoryEditTest : public testing::Test,
                          protected test::ErrorCapture,
                          protected test::DirDialogAnswers {
protected:
    DirectoryEditTest() {
        ::mkdir(dir.file("web").c_str(), 0755);
        ::mkdir(dir.file("web/site").c_str(), 0755);
        ::mkdir(dir.file("other").c_str(), 0755);
        window.resize(300, 100);
        edit = new TJvDirectoryEdit(&window);
        edit->setGeometry(8, 88, 145, 21);
        edit->setToolTip("Directory in which the editable files will be found");
        edit->SetDirectInput(false);
        other = new QLineEdit(&window);
        other->setGeometry(8, 8, 145, 21);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    test::TempDir dir;
    QWidget window;
    TJvDirectoryEdit* edit = nullptr;
    QLineEdit* other = nullptr;
};

TEST_F(DirectoryEditTest, DefaultsAndTheButtonInsideTheRightEnd) {
    TJvDirectoryEdit fresh;
    EXPECT_TRUE(fresh.DirectInput());
    EXPECT_FALSE(fresh.ReadOnly());
    EXPECT_EQ(fresh.DialogKind(), TDirDialogKind::dkVCL);
    EXPECT_EQ(fresh.DialogOptions(), 0u);
    EXPECT_FALSE(fresh.MultipleDirs());
    EXPECT_EQ(fresh.ClickKey(), 32808);
    EXPECT_EQ(fresh.GlyphKind(), TGlyphKind::gkDefault);
    EXPECT_EQ(fresh.NumGlyphs(), 1);
    EXPECT_EQ(fresh.ButtonWidth(), 21);
    EXPECT_TRUE(fresh.ButtonHint().isEmpty());
    EXPECT_TRUE(fresh.AutoSelect());
    EXPECT_FALSE(fresh.AcceptFiles());
    EXPECT_EQ(fresh.ButtonPicture().size(), QSize(14, 12));
    EXPECT_EQ(edit->Button()->geometry(), QRect(122, 2, 21, 17));
    EXPECT_TRUE(edit->Button()->toolTip().isEmpty()); // the field's tip shows
    EXPECT_EQ(edit->Button()->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(ShortCutToKey(32808), QKeyCombination(Qt::AltModifier, Qt::Key_Down));
    EXPECT_EQ(ShortCutToKey(0x4000 | 0x41), QKeyCombination(Qt::ControlModifier, Qt::Key_A));
}

TEST_F(DirectoryEditTest, SettingTheSameTextFiresNothing) {
    QSignalSpy changes(edit, &TJvDirectoryEdit::OnChange);
    edit->SetText("/web");
    edit->SetText("/web");
    edit->SetText("/web/");
    edit->SetText("/Web/");
    EXPECT_EQ(changes.count(), 3);
    EXPECT_EQ(edit->text(), "/Web/");
}

// The end of a long path tells folders apart: the field shows it, and the
// tip over the field or its button has the whole path under its own text.
TEST_F(DirectoryEditTest, ALongPathShowsItsEndAndTheTipHoldsItWhole) {
    const std::string path = "/home/someone/" + std::string(60, 'x') + "/web/site";
    edit->SetText(path);
    EXPECT_EQ(edit->cursorPosition(), edit->text().size());
    EXPECT_GT(edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), edit->width() / 2)
        << "the start of the path is shown";
    const QString tip =
        "Directory in which the editable files will be found\n" + QString::fromStdString(path);
    EXPECT_EQ(edit->ShownToolTip(), tip);
    EXPECT_EQ(edit->toolTip(), "Directory in which the editable files will be found");

    QToolTip::hideText();
    const QPoint over(5, 5);
    QHelpEvent help(QEvent::ToolTip, over, edit->Button()->mapToGlobal(over));
    QApplication::sendEvent(edit->Button(), &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), tip);
    QToolTip::hideText();

    edit->SetText("");
    EXPECT_EQ(edit->ShownToolTip(), edit->toolTip()) << "no empty line for no path";
}

TEST_F(DirectoryEditTest, KeysThatEditChangeNothingButCopyWorks) {
    edit->SetText("/srv/www");
    QSignalSpy changes(edit, &TJvDirectoryEdit::OnChange);
    edit->setFocus();
    QApplication::clipboard()->setText("pasted");
    QTest::keyClicks(edit, "abc");
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Escape);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "/srv/www");
    EXPECT_EQ(edit->text(), "/srv/www");
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(browses, 0);
    // The text is still all selected; copying works.
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "/srv/www");
}

TEST_F(DirectoryEditTest, ContextMenuOffersNoCutOrPaste) {
    edit->SetText("/srv/www");
    edit->selectAll();
    QApplication::clipboard()->setText("pasted");
    std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
    bool canCopy = false;
    for (QAction* action : menu->actions()) {
        const QString name = action->text().remove('&');
        const bool edits =
            name.startsWith("Cut") || name.startsWith("Paste") || name.startsWith("Delete");
        EXPECT_FALSE(edits && action->isEnabled()) << name.toStdString();
        if (edits) {
            action->trigger();
        }
        canCopy = canCopy || (name.startsWith("Copy") && action->isEnabled());
    }
    EXPECT_TRUE(canCopy);
    EXPECT_EQ(edit->text(), "/srv/www");
}

TEST_F(DirectoryEditTest, TabDoesNotSelectTheText) {
    edit->SetText("/srv/www");
    other->setFocus();
    QFocusEvent tabIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &tabIn);
    EXPECT_FALSE(edit->hasSelectedText());
    // With typing allowed the usual select-all on entry applies.
    edit->SetDirectInput(true);
    QApplication::sendEvent(edit, &tabIn);
    EXPECT_TRUE(edit->hasSelectedText());
}

TEST_F(DirectoryEditTest, OnlyAltDownAndTheButtonBrowse) {
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier | Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier | Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Up, Qt::AltModifier);
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseDClick(edit, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(browses, 0);
    QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(browses, 1);
    // Pressing the button gives the field the focus first.
    other->setFocus();
    QTest::mouseClick(edit->Button(), Qt::LeftButton);
    EXPECT_EQ(browses, 2);
    EXPECT_TRUE(edit->hasFocus());
    // ReadOnly turns the browse action off, for the key and the button.
    edit->SetReadOnly(true);
    QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
    QTest::mouseClick(edit->Button(), Qt::LeftButton);
    EXPECT_EQ(browses, 2);
}

TEST_F(DirectoryEditTest, DroppedFoldersAreRefused) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.file("web")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(edit, &enter);
    EXPECT_FALSE(enter.isAccepted());
    edit->SetAcceptFiles(true);
    QDragEnterEvent again(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(edit, &again);
    EXPECT_TRUE(again.isAccepted());
}

TEST_F(DirectoryEditTest, ADroppedFolderKeepsTheExactBytesOfItsName) {
    // "caf\xE9" is not UTF-8: any trip through a QString would change it.
    const std::string folder = dir.file("caf\xE9");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    QMimeData data;
    data.setUrls(
        {QUrl::fromEncoded("file://" + QByteArray::fromStdString(folder).toPercentEncoding("/"))});
    edit->SetAcceptFiles(true);
    QSignalSpy changes(edit, &TJvDirectoryEdit::OnChange);
    // As a real drag: Qt delivers no drop that an accepted enter and move
    // did not precede.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(edit, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDragMoveEvent move(QPoint(12, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(edit, &move);
    ASSERT_TRUE(move.isAccepted());
    QDropEvent drop(QPointF(12, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(edit, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(edit->Text(), folder);
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(DirectoryEditTest, OkAtOnceWritesTheFolderWithoutTrailingSlash) {
    edit->SetText(dir.file("web") + "/");
    QSignalSpy changes(edit, &TJvDirectoryEdit::OnChange);
    answer = [](TSelectDirDlg& dlg) { dlg.OKButton->click(); };
    edit->BrowseClick();
    EXPECT_EQ(startedAt, dir.file("web"));
    EXPECT_EQ(edit->Text(), dir.file("web"));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(edit->InitialDir(), dir.file("web"));
    EXPECT_TRUE(errors.empty());
}

TEST_F(DirectoryEditTest, ConfirmingTheFolderShownChangesNothingButSetsInitialDir) {
    edit->SetText(dir.file("web"));
    edit->SetInitialDir("/elsewhere");
    edit->setSelection(2, 3); // a selection does not make a second change
    QSignalSpy changes(edit, &TJvDirectoryEdit::OnChange);
    answer = [](TSelectDirDlg& dlg) { dlg.OKButton->click(); };
    edit->BrowseClick();
    EXPECT_EQ(edit->Text(), dir.file("web"));
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(edit->InitialDir(), dir.file("web"));
}

TEST_F(DirectoryEditTest, VanishedFolderOrEmptyTextOpensTheWorkingDirectory) {
    platform::SetWorkingDir(dir.file("other"));
    edit->SetInitialDir(dir.file("web")); // only for an empty text
    edit->SetText(dir.file("vanished"));
    answer = [](TSelectDirDlg& dlg) { dlg.OKButton->click(); };
    edit->BrowseClick();
    EXPECT_EQ(startedAt, dir.file("other"));
    EXPECT_EQ(edit->Text(), dir.file("other"));

    TJvDirectoryEdit empty(&window);
    empty.SetText("");
    empty.BrowseClick();
    EXPECT_EQ(startedAt, dir.file("other"));
    EXPECT_EQ(empty.Text(), dir.file("other"));
}

TEST_F(DirectoryEditTest, EmptyTextStartsAtInitialDir) {
    edit->SetInitialDir(dir.file("web/site"));
    edit->SetText("");
    answer = [](TSelectDirDlg& dlg) { dlg.OKButton->click(); };
    edit->BrowseClick();
    EXPECT_EQ(startedAt, dir.file("web/site"));
    EXPECT_EQ(edit->Text(), dir.file("web/site"));
}

TEST_F(DirectoryEditTest, CancelAfterBrowsingLeavesTheFieldButNotTheWorkingDirectory) {
    edit->SetText(dir.file("web"));
    edit->SetInitialDir("/initial");
    QSignalSpy changes(edit, &TJvDirectoryEdit::OnChange);
    answer = [](TSelectDirDlg& dlg) {
        dlg.DirListDblClick(dlg.DirList->OpenRow() + 1); // site
        dlg.CancelButton->click();
    };
    other->setFocus();
    edit->BrowseClick();
    EXPECT_EQ(edit->Text(), dir.file("web"));
    EXPECT_EQ(edit->InitialDir(), "/initial");
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(platform::WorkingDir(), dir.file("web/site"));
    EXPECT_TRUE(edit->hasFocus());
}

TEST_F(DirectoryEditTest, HighlightedSubfolderIsNotTheResult) {
    edit->SetText(dir.file("web"));
    answer = [](TSelectDirDlg& dlg) {
        dlg.DirList->setCurrentRow(dlg.DirList->OpenRow() + 1);
        QTest::keyClick(&dlg, Qt::Key_Return); // Enter presses OK
    };
    edit->BrowseClick();
    EXPECT_EQ(edit->Text(), dir.file("web"));
}

TEST_F(DirectoryEditTest, HooksRunInOrderAndCanStopOrChangeTheBrowse) {
    edit->SetText(dir.file("web"));
    std::vector<std::string> calls;
    QObject::connect(edit, &TJvDirectoryEdit::OnButtonClick, [&] { calls.push_back("click"); });
    edit->SetOnBeforeDialog([&](TJvDirectoryEdit*, std::string& name, bool& action) {
        calls.push_back("before " + name);
        action = false;
    });
    edit->BrowseClick();
    EXPECT_EQ(calls, (std::vector<std::string>{"click", "before " + dir.file("web")}));
    EXPECT_EQ(browses, 0);

    calls.clear();
    edit->SetOnBeforeDialog(
        [&](TJvDirectoryEdit*, std::string& name, bool&) { name = dir.file("other"); });
    edit->SetOnAfterDialog([&](TJvDirectoryEdit*, std::string& name, bool& action) {
        calls.push_back("after " + name + (action ? " ok" : " cancel"));
        name += "/..";
    });
    answer = [](TSelectDirDlg& dlg) { dlg.OKButton->click(); };
    edit->BrowseClick();
    EXPECT_EQ(startedAt, dir.file("other"));
    EXPECT_EQ(calls.back(), "after " + dir.file("other") + " ok");
    EXPECT_EQ(edit->Text(), dir.file("other") + "/..");
}

TEST_F(DirectoryEditTest, MultipleDirsAppendsToTheTextLeft) {
    edit->SetMultipleDirs(true);
    edit->SetText(dir.file("web"));
    QSignalSpy changes(edit, &TJvDirectoryEdit::OnChange);
    answer = [this](TSelectDirDlg& dlg) {
        dlg.ApplyStartPath(dir.file("other"));
        dlg.OKButton->click();
    };
    edit->BrowseClick();
    EXPECT_EQ(edit->Text(), dir.file("web") + ";" + dir.file("other"));
    EXPECT_EQ(changes.count(), 1);

    // The selected part goes; the rest keeps its bytes, UTF-8 or not.
    const std::string kept = dir.file("caf\xE9") + ";" + dir.file("\xF0\x9F\x98\x80");
    edit->SetText(kept + ";" + dir.file("web"));
    const QString shown = edit->text();
    const qsizetype cut = shown.lastIndexOf(';');
    edit->setSelection(int(cut), int(shown.size() - cut));
    edit->BrowseClick();
    EXPECT_EQ(edit->Text(), kept + ";" + dir.file("other"));
}

TEST(DefaultFolderGlyph, DrawnForTheScaleNotBlurredUp) {
    const QImage one = DefaultFolderGlyph(1).toImage();
    const QImage two = DefaultFolderGlyph(2).toImage();
    ASSERT_EQ(one.size(), QSize(14, 12));
    ASSERT_EQ(two.size(), QSize(28, 24));
    EXPECT_EQ(two.devicePixelRatio(), 2.0);
    // The folder as it always was at 1x: black outline, white, grey inside.
    EXPECT_EQ(one.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(one.pixelColor(1, 1), QColor(Qt::black));
    EXPECT_EQ(one.pixelColor(1, 2), QColor(Qt::white));
    EXPECT_EQ(one.pixelColor(2, 4), QColor(128, 128, 128));
    // At 2x each pixel is a sharp 2 x 2 block: no colour in between.
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 28; ++x) {
            ASSERT_EQ(two.pixel(x, y), one.pixel(x / 2, y / 2)) << x << "," << y;
        }
    }
    // The button places it by its size in pixels, not in device pixels.
    TJvDirectoryEdit edit;
    EXPECT_EQ(edit.ButtonPicture().deviceIndependentSize(), QSizeF(14, 12));
}

} // namespace
} // namespace sheafpad
