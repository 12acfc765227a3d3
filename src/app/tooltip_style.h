// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

namespace sheafpad {

// Tool-tips appear after the pointer rests 500 ms on a control. (How long a
// tip stays, 2500 ms, is set on each control with setToolTipDuration.)
class ToolTipStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;
};

constexpr int kToolTipDelayMs = 500;
constexpr int kToolTipDurationMs = 2500;

} // namespace sheafpad
