// SPDX-License-Identifier: GPL-3.0-or-later
// On a small screen at 2x (683 x 384 of the layout's pixels, 1366 x 768 of its own): the
// window's first start fits it; bounds the user stored are kept as stored.
#include "app/form1.h"
#include "test_util.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>
#include <memory>

namespace sheafpad {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(SmallScreen, TheFirstWindowFitsTheScreenAStoredOneKeepsItsBounds) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(screen->devicePixelRatio(), 2.0) << "the platform's screen is not set up";
    const QRect area = screen->availableGeometry();
    ASSERT_LT(area.width(), 268 + 924);
    ASSERT_LT(area.height(), 116 + 480);

    TempDir settings;
    auto first = std::make_unique<TForm1>();
    first->SettingsPathOverride = settings.file("Sheafpad.ini");
    first->show();
    const QRect fitted = first->OuterBounds();
    EXPECT_TRUE(area.contains(fitted))
        << fitted.x() << "," << fitted.y() << " " << fitted.width() << "x" << fitted.height();
    EXPECT_EQ(fitted.size(), QSize(924, 480).boundedTo(area.size()));

    WriteFile(settings.file("Sheafpad.ini"),
              "[Initial]\r\nLeft=300\r\nTop=200\r\nHeight=300\r\nWidth=400\r\n");
    auto stored = std::make_unique<TForm1>();
    stored->SettingsPathOverride = settings.file("Sheafpad.ini");
    stored->show();
    EXPECT_EQ(stored->OuterBounds(), QRect(300, 200, 400, 300)) << "partly off the screen";
}

} // namespace
} // namespace sheafpad
