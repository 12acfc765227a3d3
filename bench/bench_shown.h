// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the benchmarks that run the pane shown on the screen: focus,
// painting at once, and the processor share of an idle event loop.
#pragma once

#include "bench_util.h"
#include "widgets/rich_edit.h"

#include <functional>
#include <string>

namespace sheafpad::bench {

// Handles pending events, then paints the pane at once, as the screen would.
void Paint(TRichEdit& pane);

// Shows the pane at 800 x 600 pixels and waits until it has the focus (the
// caret blinks only then), then paints it.
void ShowFocused(TRichEdit& pane);

// Runs the event loop for milliseconds and returns the share of one core
// that the process took meanwhile (0 to 1 a core).
double IdleCpuShare(int milliseconds);

// The main of a benchmark program of the pane: on Qt's offscreen platform
// unless told otherwise; as "--peak-child=mode path", peakChild's child
// alone; else the benchmarks chosen, then ratios prints the ratios.
using PeakChildFn = int (*)(int argc, char** argv, const std::string& mode,
                            const std::string& path);
int RunPaneBenchmarks(int argc, char** argv, PeakChildFn peakChild,
                      const std::function<void(RatioReporter&)>& ratios);

} // namespace sheafpad::bench
