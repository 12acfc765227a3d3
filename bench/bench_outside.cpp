// SPDX-License-Identifier: GPL-3.0-or-later
// Following a file that another program changed: the quiet reload of an
// unedited 100 KB page (look at the file, load it, put the caret and the
// view back), which must fit in one frame (16 ms) so that the user sees no
// stall when switching back to the window.
#include "app/form1.h"
#include "app/outside_changes.h"
#include "bench_util.h"
#include "widgets/directory_edit.h"
#include "widgets/file_list_model.h"
#include "widgets/rich_edit.h"

#include <QApplication>
#include <QListView>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

using namespace sheafpad::bench;

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path + ".new", std::ios::binary).write(text.data(), std::streamsize(text.size()));
    std::rename((path + ".new").c_str(), path.c_str()); // as most editors save
}

void BM_QuietReload_100KB(benchmark::State& state) {
    const ScratchDir dir("outside");
    const std::string path = dir.file("page.html");
    // Two versions, so that every round finds a change.
    const std::string versions[2] = {HtmlLikeText(100 * 1024), HtmlLikeText(100 * 1024 + 40)};
    Write(path, versions[0]);
    sheafpad::TForm1 form;
    form.resize(924, 480);
    form.show();
    std::string folder = dir.file("");
    folder.pop_back();
    form.dirEdit->SetText(folder);
    form.filesLB->selectionModel()->setCurrentIndex(form.filesModel->index(0),
                                                    QItemSelectionModel::ClearAndSelect);
    form.Memo1->SetSelectionStart(50 * 1024);
    QCoreApplication::processEvents();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Write(path, versions[++round % 2]);
        state.ResumeTiming();
        if (!form.Outside()->Check()) {
            state.SkipWithError("the change was not reloaded");
            break;
        }
    }
    state.counters["caret"] = double(form.Memo1->SelectionStart());
}
BENCHMARK(BM_QuietReload_100KB)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
