// SPDX-License-Identifier: GPL-3.0-or-later
// Recovery copies of a 10 MB text, each measured against its reference in the
// same run:
//   typing, copies on   vs  typing, copies off: the main window's time per
//                           keystroke, each key written to the journal as it
//                           is typed, and a copy taken each second (more often
//                           than the one-second pause ever lets one through),
//                           written by the worker meanwhile; and, as a stress
//                           figure, a copy every 20 keystrokes
//   writing one copy    vs  one write() plus fsync() of the same bytes
// Ratios of medians are printed after the run; the rounds run interleaved.
// The files go to $SHEAFPAD_BENCH_DIR (default /var/tmp).
#include "app/form1.h"
#include "app/recovery_keeper.h"
#include "bench_util.h"
#include "recovery/recovery_store.h"
#include "text/text_codec.h"
#include "text/text_format.h"
#include "widgets/directory_edit.h"
#include "widgets/file_list_model.h"
#include "widgets/rich_edit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListView>
#include <benchmark/benchmark.h>
#include <chrono>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

using namespace sheafpad::bench;

constexpr int64_t kSize = 10 * kMegabyte;
constexpr int kKeysPerCopy = 20;

const ScratchDir& BenchDir() {
    static const ScratchDir dir("recovery");
    return dir;
}

const std::string& Bytes() {
    static const std::string bytes = HtmlLikeText(kSize - 2) + "\r\n";
    return bytes;
}

// Keystrokes into the 10 MB file; with copies, one is taken whenever
// keysPerCopy keys have been typed, or (keysPerCopy 0) whenever a second has
// passed since the last: the timer's pause lets no more copies through.
void Typing(benchmark::State& state, bool copies, int keysPerCopy) {
    const ScratchDir files("typing");
    const std::string page = files.file("page.html");
    if (!WriteFsync(page, Bytes())) {
        state.SkipWithError("cannot write the file");
        return;
    }
    sheafpad::TForm1 form;
    form.SettingsPathOverride = files.file("Sheafpad.ini");
    form.show();
    form.dirEdit->SetText(page.substr(0, page.rfind('/')));
    form.filesLB->selectionModel()->setCurrentIndex(form.filesModel->index(0),
                                                    QItemSelectionModel::ClearAndSelect);
    if (form.LoadedFName != page) {
        state.SkipWithError("the file did not open");
        return;
    }
    if (copies) {
        form.StartRecovery(files.file("state"));
        form.Recovery()->SetDelays(1 << 30, 1 << 30); // copies only where this loop takes them
    }
    QApplication::processEvents();
    int keys = 0;
    int64_t copiesTaken = 0;
    auto lastCopy = std::chrono::steady_clock::now();
    for (auto _ : state) {
        // Lines of 40 characters, so that no line grows with the run's length.
        const bool enter = keys % 40 == 39;
        const int key = enter ? Qt::Key_Return : Qt::Key_A;
        const QString typed = enter ? QStringLiteral("\r") : QStringLiteral("a");
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, typed);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, typed);
        QApplication::sendEvent(form.Memo1, &press);
        QApplication::sendEvent(form.Memo1, &release);
        ++keys;
        const auto now = std::chrono::steady_clock::now();
        const bool due = keysPerCopy > 0 ? keys % keysPerCopy == 0 : now - lastCopy >= 1s;
        if (copies && due) {
            form.Recovery()->CopyNow(false); // what the pause's timer does
            lastCopy = now;
            ++copiesTaken;
        }
        QApplication::processEvents();
    }
    state.counters["copies"] = double(copiesTaken);
    if (!form.NeedsSave) {
        state.SkipWithError("typing did not reach the pane");
    }
    form.Recovery()->Flush();
    form.ClearChanged(); // nothing is written back
}

void BM_Typing_CopiesOff(benchmark::State& state) {
    Typing(state, false, 0);
}

void BM_Typing_CopiesOn(benchmark::State& state) {
    Typing(state, true, 0);
}

// A stress figure, not a goal: a copy every 20 keys, which no pace of typing
// lets the timer take.
void BM_Typing_CopyEvery20Keys(benchmark::State& state) {
    Typing(state, true, 20);
}

std::u16string Decoded() {
    std::u16string text(sheafpad::DecodedCapacity(Bytes()), u'\0');
    text.resize(sheafpad::DecodeText(Bytes(), sheafpad::TextEncoding::Utf8, text.data()));
    return text;
}

// The worker's whole job for one copy: encoding the text and writing the
// entry crash-safely.
void BM_CopyWrite(benchmark::State& state) {
    const std::u16string text = Decoded();
    int error = 0;
    const auto store = sheafpad::recovery::Store::Open(BenchDir().file("state"), &error);
    if (!store) {
        state.SkipWithError("cannot open the folder");
        return;
    }
    sheafpad::recovery::Entry entry;
    entry.path = "/home/someone/site/page.html";
    const std::string entryPath = store->EntryPath(entry.path);
    for (auto _ : state) {
        if (store->Stage(entryPath, entry, text, sheafpad::TextFormat{}).Commit() != 0) {
            state.SkipWithError("write failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

void BM_CopyWrite_WriteFsync(benchmark::State& state) {
    const std::string out = BenchDir().file("written.html");
    for (auto _ : state) {
        if (!WriteFsync(out, Bytes())) {
            state.SkipWithError("write failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

// Typing is at the mercy of other processes: medians of a few rounds.
void TypingRounds(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(2)->Repetitions(3);
    b->ReportAggregatesOnly(true);
}

BENCHMARK(BM_Typing_CopiesOff)->Apply(TypingRounds);
BENCHMARK(BM_Typing_CopiesOn)->Apply(TypingRounds);
BENCHMARK(BM_Typing_CopyEvery20Keys)->Apply(TypingRounds);
BENCHMARK(BM_CopyWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_CopyWrite_WriteFsync)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // Rounds of the benchmarks in random order, so that the load of other
    // processes falls on both sides of each ratio alike.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("typing 10 MB, copies on/off", "BM_Typing_CopiesOn", "BM_Typing_CopiesOff",
                        1.1);
    reporter.PrintRatio("  a copy every 20 keys", "BM_Typing_CopyEvery20Keys",
                        "BM_Typing_CopiesOff");
    reporter.PrintRatio("copy of 10 MB vs write+fsync", "BM_CopyWrite", "BM_CopyWrite_WriteFsync",
                        1.5);
    benchmark::Shutdown();
    return 0;
}
