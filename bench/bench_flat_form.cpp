// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on one flat folder, as a user works in it: opening one
// file after another, a key in the type list, and Check. Written against the
// window's long-standing interface only, so that the very same source builds
// on another branch (scripts/bench_vs.sh) and the two run side by side.
#include "app/form1.h"
#include "bench_util.h"
#include "widgets/directory_edit.h"
#include "widgets/file_list_model.h"
#include "widgets/rich_edit.h"

#include <QApplication>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>

namespace {
using namespace sheafpad;

// A folder under $SHEAFPAD_BENCH_DIR (default /var/tmp) filled by make
// once and kept for the next runs.
std::string KeptFolder(const std::string& tag,
                       const std::function<void(const std::string&)>& make) {
    const char* base = std::getenv("SHEAFPAD_BENCH_DIR");
    const std::string path = std::string(base != nullptr ? base : "/var/tmp") + "/sheafpad-" + tag;
    if (!std::filesystem::exists(path + "/.done")) {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        make(path);
        ::close(::open((path + "/.done").c_str(), O_CREAT | O_WRONLY, 0644));
    }
    return path;
}

// 2,000 pages of about 10 KB, each linking to five others; 200 of them are
// linked from nowhere.
const std::string& Pages() {
    static const std::string dir = KeptFolder("flat-pages", [](const std::string& path) {
        const std::string text = bench::HtmlLikeText(10 * 1024);
        for (int i = 0; i < 2000; ++i) {
            std::string page = "<html><body>\r\n";
            for (int k = 1; k <= 5; ++k) {
                page += "<a href=\"page" + std::to_string((i * 7 + k * 131) % 1800) + ".html\">";
            }
            page += text;
            std::ofstream(path + "/page" + std::to_string(i) + ".html", std::ios::binary) << page;
        }
    });
    return dir;
}

// 100,000 empty entries of a site's kinds.
const std::string& ManyEntries() {
    static const std::string dir = KeptFolder("flat-100k", [](const std::string& path) {
        const char* kinds[] = {".html", ".htm", ".js", ".css", ".png", ".txt"};
        for (int i = 0; i < 100000; ++i) {
            const std::string name = path + "/page" + std::to_string(i) + kinds[i % 6];
            ::close(::open(name.c_str(), O_CREAT | O_WRONLY, 0644));
        }
    });
    return dir;
}

// A window on folder, shown, with a settings file of its own (none).
struct Window {
    explicit Window(const std::string& folder) {
        form.SettingsPathOverride = settings.file("Sheafpad.ini");
        form.show();
        form.dirEdit->SetText(folder);
        QCoreApplication::processEvents();
    }
    void Shown() {
        QCoreApplication::processEvents();
        form.filesLB->viewport()->repaint();
        form.Memo1->viewport()->repaint();
    }
    bench::ScratchDir settings{"flat-form"};
    TForm1 form;
};

void BM_OpenFile(benchmark::State& state) {
    Window window(Pages());
    const int rows = window.form.filesModel->rowCount();
    int row = 0;
    for (auto _ : state) {
        window.form.filesLB->selectionModel()->setCurrentIndex(window.form.filesModel->index(row),
                                                               QItemSelectionModel::ClearAndSelect);
        window.Shown();
        row = (row + 1) % rows;
    }
}
BENCHMARK(BM_OpenFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// A character typed at the end of the type list and taken back: two keys.
void BM_TypeListKey(benchmark::State& state) {
    Window window(state.range(0) == 0 ? Pages() : ManyEntries());
    QPlainTextEdit* types = window.form.TypesMemo;
    for (auto _ : state) {
        QTextCursor cursor(types->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral("l"));
        window.Shown();
        cursor.deletePreviousChar();
        window.Shown();
    }
    state.counters["listed"] = double(window.form.filesModel->rowCount());
}
BENCHMARK(BM_TypeListKey)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Check(benchmark::State& state) {
    Window window(Pages());
    for (auto _ : state) {
        window.form.CheckButton->click();
        window.Shown();
    }
}
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
