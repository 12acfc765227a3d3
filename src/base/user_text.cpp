// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/user_text.h"

#include <atomic>
#include <vector>

namespace sheafpad {
namespace {
std::atomic<TextTranslator> installed{nullptr};
} // namespace

void SetTextTranslator(TextTranslator translator) {
    installed.store(translator);
}

std::string UserText(const char* context, const char* english) {
    const TextTranslator translator = installed.load();
    return translator != nullptr ? translator(context, english) : std::string(english);
}

std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> args) {
    const std::vector<std::string_view> values(args);
    std::string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const size_t index = size_t(pattern[i + 1] - '1');
            if (index < values.size()) {
                out += values[index];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

} // namespace sheafpad
