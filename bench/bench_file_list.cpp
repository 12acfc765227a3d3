// SPDX-License-Identifier: GPL-3.0-or-later
// Relisting a directory of 100,000 entries: the whole RefreshFileList of the
// main window, list view update included, against a bare opendir/readdir loop
// over the same directory in the same run; and its first listing, sorted.
#include "app/form1.h"
#include "bench_util.h"
#include "files/file_list.h"
#include "widgets/directory_edit.h"

#include <QApplication>
#include <QListView>
#include <QPlainTextEdit>
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr int kEntries = 100000;

// A directory of kEntries files named like a site's pages and assets, made once.
const std::string& BigDirectory() {
    static const std::string dir = [] {
        std::string path = "/tmp/sheafpad-bench-100k";
        if (!std::filesystem::exists(path + "/done")) {
            std::filesystem::remove_all(path);
            std::filesystem::create_directories(path);
            const char* kinds[] = {".html", ".htm", ".js", ".css", ".png", ".txt"};
            for (int i = 0; i < kEntries; ++i) {
                std::string name = path + "/page" + std::to_string(i) + kinds[i % 6];
                ::close(::open(name.c_str(), O_CREAT | O_WRONLY, 0644));
            }
            ::close(::open((path + "/done").c_str(), O_CREAT | O_WRONLY, 0644));
        }
        return path;
    }();
    return dir;
}

void BM_BareReaddir(benchmark::State& state) {
    const std::string& dir = BigDirectory();
    for (auto _ : state) {
        size_t count = 0;
        DIR* handle = ::opendir(dir.c_str());
        while (dirent* entry = ::readdir(handle)) {
            benchmark::DoNotOptimize(entry->d_name[0]);
            ++count;
        }
        ::closedir(handle);
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_BareReaddir)->Unit(benchmark::kMillisecond);

void BM_RefreshFileList(benchmark::State& state) {
    sheafpad::TForm1 form;
    form.show();
    form.dirEdit->SetText(BigDirectory());
    QCoreApplication::processEvents();
    for (auto _ : state) {
        form.RefreshFileList();
        // Let the view lay out and paint the new list, as it would on screen.
        form.filesLB->doItemsLayout();
        form.filesLB->viewport()->repaint();
    }
    state.counters["listed"] = double(form.filesLB->model()->rowCount());
}
BENCHMARK(BM_RefreshFileList)->Unit(benchmark::kMillisecond);

// A directory listed for the first time (the folder changed): every entry's
// place in the list's order is worked out, not only the matching ones'.
void BM_FirstListing(benchmark::State& state) {
    const sheafpad::FileTypes types({".htm", ".html", ".js"});
    for (auto _ : state) {
        benchmark::DoNotOptimize(sheafpad::ListMatchingFiles(BigDirectory(), types));
    }
}
BENCHMARK(BM_FirstListing)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    sheafpad::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("relist 100,000 entries vs readdir", "BM_RefreshFileList", "BM_BareReaddir",
                        1.5);
    benchmark::Shutdown();
    return 0;
}
