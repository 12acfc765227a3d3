// SPDX-License-Identifier: GPL-3.0-or-later
// A plain literal found byte for byte in the text: no line break in it, and
// when case is ignored only ASCII letters that fold within ASCII.
#include "search/matcher.h"

namespace sheafpad::search {

namespace {

// How much text is searched between two looks at the stop flag.
constexpr size_t kStretch = 1 << 20;

class LiteralMatcher final : public Matcher {
public:
    LiteralMatcher(SearchOptions options, Prefilter prefilter)
        : Matcher(options, std::move(prefilter)),
          finder_(LineBreaksAsLf(options.find), !options.matchCase),
          replace_(LineBreaksAsLf(options.replace)) {}

    bool ForEach(std::string_view text, MatchScratch&, const FoundFn& found, std::string*,
                 const std::atomic<bool>* stop) const override {
        const size_t n = finder_.size();
        size_t at = 0;
        while (at < text.size()) {
            if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
                return true;
            }
            // A stretch at a time, overlapping by the needle less one byte.
            const size_t stretchEnd = std::min(text.size(), at + kStretch + n - 1);
            const std::string_view stretch = text.substr(0, stretchEnd);
            size_t hit = finder_.Find(stretch, at);
            for (; hit != std::string_view::npos; hit = finder_.Find(stretch, hit + n)) {
                const size_t groups[2] = {hit, hit + n};
                if (!found(Found{hit, hit + n, groups, 1})) {
                    return true;
                }
                at = hit + n;
            }
            if (stretchEnd == text.size()) {
                break;
            }
            at = std::max(at, stretchEnd - (n - 1));
        }
        return true;
    }

    std::string Expand(std::string_view, const Found&) const override { return replace_; }

private:
    LiteralFinder finder_;
    std::string replace_;
};

} // namespace

std::shared_ptr<const Matcher> MakeLiteralMatcher(SearchOptions options, Prefilter prefilter) {
    return std::make_shared<LiteralMatcher>(std::move(options), std::move(prefilter));
}

} // namespace sheafpad::search
