// SPDX-License-Identifier: GPL-3.0-or-later
// The read-only pane against every way of editing it: keys, X11's
// middle-click paste and a drop. Runs on a private X server (Xvfb), where the
// primary selection that a middle click pastes exists; each way is first
// shown to edit the pane when it is editable, so that a way that silently
// did nothing cannot pass for one that was refused.
#include "e2e/e2e_util.h"
#include "widgets/rich_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace sheafpad {
namespace {

TEST(ReadOnlyPaneTest, NoKeyMiddleClickOrDropChangesTheText) {
    ASSERT_TRUE(QApplication::clipboard()->supportsSelection()) << "no X11 primary selection";
    TRichEdit pane;
    pane.resize(400, 200);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    QApplication::clipboard()->setText(QStringLiteral("CLIP"));
    QApplication::clipboard()->setText(QStringLiteral("SEL"), QClipboard::Selection);

    const QPoint point = pane.PositionRect(3).center();
    QMimeData dropped;
    dropped.setText(QStringLiteral("DROP"));
    auto key = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        return [&pane, key, modifiers] { QTest::keyClick(&pane, key, modifiers); };
    };
    const struct {
        const char* name;
        std::function<void()> edit;
    } ways[] = {
        {"Delete", key(Qt::Key_Delete)},
        {"Backspace", key(Qt::Key_Backspace)},
        {"Enter", key(Qt::Key_Return)},
        {"a letter", key(Qt::Key_Q)},
        {"Ctrl+V", key(Qt::Key_V, Qt::ControlModifier)},
        {"Ctrl+X",
         [&] {
             pane.SetSelection(0, 5);
             QTest::keyClick(&pane, Qt::Key_X, Qt::ControlModifier);
         }},
        {"Ctrl+Z", key(Qt::Key_Z, Qt::ControlModifier)},
        {"middle click", [&] { QTest::mouseClick(pane.viewport(), Qt::MiddleButton, {}, point); }},
        {"drop",
         [&] {
             // As a drag delivers it: entered and moved over, then dropped.
             QDragEnterEvent enter(point, Qt::CopyAction, &dropped, Qt::LeftButton, {});
             QApplication::sendEvent(pane.viewport(), &enter);
             QDragMoveEvent move(point, Qt::CopyAction, &dropped, Qt::LeftButton, {});
             QApplication::sendEvent(pane.viewport(), &move);
             QDropEvent drop(point, Qt::CopyAction, &dropped, Qt::LeftButton, {});
             QApplication::sendEvent(pane.viewport(), &drop);
         }},
    };
    for (const bool readOnly : {false, true}) {
        for (const auto& way : ways) {
            // Typed text to undo, the caret inside the text.
            pane.SetReadOnly(false);
            pane.setPlainText(QStringLiteral("alpha beta\ngamma"));
            pane.SetCaret(2);
            QTest::keyClick(&pane, Qt::Key_X);
            pane.SetReadOnly(readOnly);
            const QString before = pane.toPlainText();
            QSignalSpy changes(&pane, &TextView::userChangedText);
            way.edit();
            if (readOnly) {
                EXPECT_EQ(pane.toPlainText(), before) << way.name;
                EXPECT_EQ(changes.count(), 0) << way.name;
            } else {
                EXPECT_NE(pane.toPlainText(), before) << way.name << " edits nothing";
            }
        }
    }
}

} // namespace
} // namespace sheafpad

// A private X server for the whole program, then the application on it.
int main(int argc, char** argv) {
    std::optional<sheafpad::e2e::XServer> server;
    try {
        server.emplace();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    ::setenv("DISPLAY", server->display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    int result = 0;
    {
        QApplication app(argc, argv);
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
