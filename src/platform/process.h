// Starting another program without waiting for it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sheafpad::platform {

// Starts program (looked up in PATH) with args as its arguments, each passed
// whole, with no shell in between. Does not wait and leaves no zombie: the
// program runs on in its own session when this one ends. Returns false when
// no process could be created; a program that cannot be run is not reported.
bool StartDetached(const std::string& program, const std::vector<std::string>& args);

// With a hook set, StartDetached calls it instead of starting anything and
// returns true (for tests). An empty hook restores the real start.
using StartDetachedHook =
    std::function<void(const std::string& program, const std::vector<std::string>& args)>;
void SetStartDetachedHook(StartDetachedHook hook);

} // namespace sheafpad::platform
