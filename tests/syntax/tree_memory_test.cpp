// SPDX-License-Identifier: GPL-3.0-or-later
#include "syntax/grammars_or_skip.h"
#include "syntax/syntax_parser.h"
#include "syntax/tree_memory.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>

namespace sheafpad::syntax {
namespace {

// The count is kept a thread at a time: trees made on a thread that has ended
// and freed on another must neither stay counted nor be taken off twice, however
// often that happens (the link index's workers end after each build).
TEST(TreeMemory, TreesMadeOnEndedThreadsAndFreedElsewhereLeaveTheCountWhereItWas) {
    SKIP_WITHOUT_GRAMMARS();
    std::string script;
    while (script.size() < 100'000) {
        script += "function f(a, b) { return [a, b, \"s\"].map(x => x * 2); }\n";
    }
    // A tree kept throughout, so that a count that drifts below shows too.
    SyntaxParser kept(Language::JavaScript);
    ASSERT_EQ(kept.ParseUtf8(script), ParseOutcome::Parsed);
    const auto at = [] { return double(TreeMemory()); };
    const double start = at();
    ASSERT_GT(start, double(script.size())) << "the counter misses tree-sitter's allocations";
    const double slack = 4 * 64 * 1024; // what each thread may not have added yet

    for (int round = 0; round < 30; ++round) {
        std::unique_ptr<SyntaxParser> parser;
        std::thread([&] {
            parser = std::make_unique<SyntaxParser>(Language::JavaScript);
            parser->ParseUtf8(script);
        }).join();
        ASSERT_FALSE(parser->Trees().Empty());
        ASSERT_GT(at(), start + double(script.size())) << "round " << round;
        parser.reset();
        ASSERT_NEAR(at(), start, slack) << "round " << round;
    }
}

} // namespace
} // namespace sheafpad::syntax
