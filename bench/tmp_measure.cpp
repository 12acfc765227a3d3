#include "bench_util.h"
#include "syntax/colour_worker.h"
#include "syntax/segmented_colours.h"
#include "syntax/syntax_parser.h"
#include "syntax/syntax_highlighter.h"
#include "syntax/tree_memory.h"
#include <chrono>
#include <cstdio>
#include <algorithm>
using namespace sheafpad;
using namespace sheafpad::syntax;
static double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }
static std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }
int main(int argc, char** argv) {
    std::string lib = bench::ReadWhole("/usr/share/javascript/jquery/jquery.min.js");
    std::replace(lib.begin(), lib.end(), '\n', ' ');
    std::string js;
    size_t size = argc > 1 ? atol(argv[1]) : 1u << 20;
    while (js.size() < size) js += lib + ";";
    TextBuffer buffer(U16(js));
    TextSnapshot snap = buffer.Snapshot();
    PrepareHighlights(Language::JavaScript);
    if (argc > 2) {
        SyntaxParser p(Language::JavaScript);
        size_t from = atol(argv[2]), to = atol(argv[3]);
        p.ParseRange(snap, from, to);
        TSNode root = ts_tree_root_node(p.Trees().tree.get()); printf("root %s err=%d\n", ts_node_type(root), ts_node_has_error(root));
        for (uint32_t i = 0; i < ts_node_child_count(root); ++i) {
            TSNode c = ts_node_child(root, i);
            printf("%u %s %u..%u err=%d\n", i, ts_node_type(c), ts_node_start_byte(c)/2 + (unsigned)from, ts_node_end_byte(c)/2 + (unsigned)from, ts_node_has_error(c));
        }
        return 0;
    }
    double t0 = Now();
    SegmentedColours seg(Language::JavaScript);
    seg.Reset(snap.Length());
    ColourStore store; store.Reset(snap.Length());
    size_t peak = 0; int steps = 0;
    while (!seg.Done()) {
        std::vector<ColourPatch> patches;
        auto o = seg.Step(snap, nullptr, ColourWorker::LimitsFor(snap.Length()), patches);
        if (o != ParseOutcome::Parsed) { printf("outcome %d\n", int(o)); return 1; }
        for (auto& p : patches) { store.Apply(p); printf("  patch %zu..%zu\n", p.from, p.End()); }
        peak = std::max(peak, TreeMemory()); ++steps;
    }
    double t1 = Now();
    printf("segmented: %.1f ms, %d steps, peak tree %.1f MB, %zu boundaries\n", (t1-t0)*1e3, steps, peak/1e6, seg.Boundaries().size());
    SyntaxParser fresh(Language::JavaScript);
    fresh.Parse(snap);
    printf("fresh root has error: %d\n", ts_node_has_error(ts_tree_root_node(fresh.Trees().tree.get())));
    SyntaxHighlighter h;
    auto kinds = h.Kinds(fresh.Trees(), [&](size_t p, size_t c) { return snap.Text(p, c); }, 0, snap.Length());
    size_t bad = 0, first = SIZE_MAX;
    for (size_t i = 0; i < kinds.size(); ++i) if (kinds[i] != store.At(i)) { ++bad; first = std::min(first, i); }
    printf("mismatches %zu first at %zu\n", bad, first);
    if (first != SIZE_MAX) {
        printf("text: %s\n", js.substr(first > 40 ? first - 40 : 0, 100).c_str());
        for (size_t i = first - std::min<size_t>(first, 40); i < first + 60 && i < kinds.size(); ++i) printf("%d", int(kinds[i])); printf("\n");
        for (size_t i = first - std::min<size_t>(first, 40); i < first + 60 && i < kinds.size(); ++i) printf("%d", int(store.At(i))); printf("\n");
    }
}
