// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the benchmarks that run the pane shown on the screen: focus,
// painting at once, and the processor share of an idle event loop.
#pragma once

#include "widgets/rich_edit.h"

namespace sheafpad::bench {

// Handles pending events, then paints the pane at once, as the screen would.
void Paint(TRichEdit& pane);

// Shows the pane at 800 x 600 pixels and waits until it has the focus (the
// caret blinks only then), then paints it.
void ShowFocused(TRichEdit& pane);

// Runs the event loop for milliseconds and returns the share of one core
// that the process took meanwhile (0 to 1 a core).
double IdleCpuShare(int milliseconds);

} // namespace sheafpad::bench
