// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/tooltip_style.h"

namespace sheafpad {

int ToolTipStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const {
    if (hint == SH_ToolTip_WakeUpDelay) {
        return kToolTipDelayMs;
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

} // namespace sheafpad
