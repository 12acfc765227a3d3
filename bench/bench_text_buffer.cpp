// SPDX-License-Identifier: GPL-3.0-or-later
// The text buffer of the pane's own view on big files and long lines, each
// against the plain std::u16string way of doing the same: loading 50 MB (the
// line index is built in one pass over the text, against counting its line
// feeds), typing in the middle of a 5 MB line (against inserting into one
// string) and finding the line of a position in 50 MB after scattered edits
// (against a binary search in a fixed array of line starts).
#include "bench_util.h"
#include "text/text_buffer.h"
#include "text/text_codec.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace sheafpad::bench;

// 50 MB of page-like text as the pane holds it: decoded, '\n' line breaks.
const std::u16string& Page() {
    static const std::u16string text = [] {
        const std::string bytes = HtmlLikeText(50 * kMegabyte);
        std::u16string decoded(sheafpad::DecodedCapacity(bytes), u'\0');
        decoded.resize(
            sheafpad::DecodeText(bytes, sheafpad::DetectEncoding(bytes), decoded.data()));
        std::erase(decoded, u'\r');
        return decoded;
    }();
    return text;
}

// A minified script: 5 MB on one line.
std::u16string LongLine() {
    const std::u16string part = u"function f(a,b){return a.map(x=>x*b).filter(Boolean)};";
    std::u16string line;
    while (line.size() < size_t(5 * kMegabyte)) {
        line += part;
    }
    return line;
}

void BM_Load_TextBuffer(benchmark::State& state) {
    std::optional<sheafpad::TextBuffer> buffer;
    for (auto _ : state) {
        state.PauseTiming();
        buffer.reset();
        std::u16string text = Page();
        state.ResumeTiming();
        buffer.emplace(std::move(text));
        benchmark::DoNotOptimize(buffer->LineCount());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(Page().size() * 2));
    // What it holds: the units and one offset a line.
    state.counters["bytes/unit"] =
        double(buffer->StoredUnits() * 2 + buffer->LineCount() * sizeof(size_t)) /
        double(buffer->Length());
}

void BM_Load_CountLines(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::count(Page().begin(), Page().end(), u'\n'));
    }
    state.SetBytesProcessed(state.iterations() * int64_t(Page().size() * 2));
}

// One key after another in the middle of the line.
void BM_Type_TextBuffer(benchmark::State& state) {
    sheafpad::TextBuffer buffer(LongLine());
    size_t pos = buffer.Length() / 2;
    for (auto _ : state) {
        buffer.Insert(pos++, u"y");
    }
    state.counters["pieces"] = double(buffer.PieceCount());
}

void BM_Type_U16String(benchmark::State& state) {
    std::u16string text = LongLine();
    size_t pos = text.size() / 2;
    for (auto _ : state) {
        text.insert(pos++, 1, u'y');
        benchmark::DoNotOptimize(text.data());
    }
}

// The 50 MB page after 1000 edits scattered over it.
void BM_LineOfPosition_TextBuffer(benchmark::State& state) {
    sheafpad::TextBuffer buffer(Page());
    std::minstd_rand random(1);
    for (int i = 0; i < 1000; ++i) {
        buffer.Insert(random() % buffer.Length(), u"ab\ncd");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(buffer.LineOfPosition(random() % buffer.Length()));
    }
    state.counters["pieces"] = double(buffer.PieceCount());
}

void BM_LineOfPosition_Array(benchmark::State& state) {
    std::vector<size_t> starts{0};
    for (size_t i = 0; i < Page().size(); ++i) {
        if (Page()[i] == u'\n') {
            starts.push_back(i + 1);
        }
    }
    std::minstd_rand random(1);
    for (auto _ : state) {
        const size_t pos = random() % Page().size();
        benchmark::DoNotOptimize(std::upper_bound(starts.begin(), starts.end(), pos));
    }
}

BENCHMARK(BM_Load_CountLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load_TextBuffer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Type_U16String)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Type_TextBuffer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LineOfPosition_Array);
BENCHMARK(BM_LineOfPosition_TextBuffer);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("load 50 MB vs counting its lines", "BM_Load_TextBuffer",
                        "BM_Load_CountLines");
    reporter.PrintRatio("a key in a 5 MB line vs std::u16string", "BM_Type_TextBuffer",
                        "BM_Type_U16String");
    reporter.PrintRatio("line of a position in 50 MB vs a fixed array",
                        "BM_LineOfPosition_TextBuffer", "BM_LineOfPosition_Array");
    benchmark::Shutdown();
    return 0;
}
