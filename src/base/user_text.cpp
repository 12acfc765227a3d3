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
    return translator != nullptr ? translator(context, english, -1) : std::string(english);
}

std::string UserText(const char* context, const char* english, const char*, int n) {
    const TextTranslator translator = installed.load();
    if (translator != nullptr) {
        return translator(context, english, n);
    }
    std::string text = english;
    const std::string number = std::to_string(n);
    for (size_t at = text.find("%n"); at != std::string::npos; at = text.find("%n", at)) {
        text.replace(at, 2, number);
        at += number.size();
    }
    return text;
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
