// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench_util.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace sheafpad::bench {

std::string HtmlLikeText(int64_t size) {
    const char* lines[] = {
        "<p class=\"intro\">Welcome to the caf\xC3\xA9 \xE2\x80\x94 open daily.</p>\r\n",
        "  <li><a href=\"menu.html#drinks\">Drinks &amp; snacks</a></li>\r\n",
        "<div id=\"footer\">Prices in \xE2\x82\xAC, taxes included.</div>\r\n",
        "\r\n",
        "<script src=\"js/site.js\"></script>\r\n",
        "    Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod.\r\n",
    };
    std::string text;
    text.reserve(size_t(size) + 128);
    for (size_t i = 0; int64_t(text.size()) < size; ++i) {
        text += lines[i % std::size(lines)];
    }
    text.resize(size_t(size));
    return text;
}

std::string PageWithCode(int64_t size) {
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Caf\xC3\xA9 menu</title>\n<style>\n";
    char line[512];
    for (int i = 0; int64_t(page.size()) < size / 10; ++i) {
        std::snprintf(line, sizeof line,
                      ".item-%d > a:hover { color: #3a%02x; margin: 0 %dpx 1.5em; "
                      "font-family: \"DejaVu Sans\", sans-serif; } /* item %d */\n",
                      i, i % 256, i % 17, i);
        page += line;
    }
    page += "</style>\n</head>\n<body>\n";
    for (int i = 0; int64_t(page.size()) < size * 85 / 100; ++i) {
        std::snprintf(line, sizeof line,
                      "<div class=\"item-%d\"><a href=\"menu.html#d%d\">Drinks &amp; snacks "
                      "%d</a> <!-- row %d --></div>\n<p>Open daily, prices in \xE2\x82\xAC.</p>\n",
                      i, i, i, i);
        page += line;
    }
    page += "<script>\n";
    for (int i = 0; int64_t(page.size()) < size - 40; ++i) {
        std::snprintf(
            line, sizeof line,
            "function show%d(el) { // toggles item %d\n"
            "  const box = document.getElementById(\"item-%d\");\n"
            "  if (box && el.checked) { box.hidden = false; } else { box.hidden = true; }\n"
            "  return [%d, 2.5, 'x'].map((v) => v * 2);\n}\n",
            i, i, i, i);
        page += line;
    }
    return page + "</script>\n</body>\n</html>\n";
}

std::string MinifiedScript(int64_t size) {
    std::string text;
    char part[512];
    for (int i = 0;; ++i) {
        const int n = std::snprintf(
            part, sizeof part,
            "!function(e,t){\"use strict\";var n=function(e){return e*2+%d},r=[1,2,3].map(n),"
            "o={a:\"s%d\",b:null,c:!0};for(var i=0;i<r.length;i++)t.push(r[i]+\"x\"+i);"
            "if(e&&o.c){t.sort(function(e,t){return e-t})}else{t.reverse()}"
            "e.k%d=/ab+c/g.test(o.a)?1:0}(window,[]);",
            i % 97, i, i);
        if (int64_t(text.size()) + n + 4 > size) {
            break;
        }
        text.append(part, size_t(n));
    }
    const size_t fill = size_t(size) - text.size();
    return text + "/*" + std::string(fill >= 4 ? fill - 4 : 0, ' ') + "*/";
}

ScratchDir::ScratchDir(const std::string& tag) {
    const char* base = std::getenv("SHEAFPAD_BENCH_DIR");
    path_ = std::string(base != nullptr ? base : "/var/tmp") + "/sheafpad-bench-" + tag + "-XXXXXX";
    if (::mkdtemp(path_.data()) == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t RunDrained(const std::vector<std::string>& args, double* cpuSeconds) {
    std::vector<std::string> copies = args;
    std::vector<char*> argv;
    for (std::string& arg : copies) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = {"LC_ALL=C", "PATH=/usr/bin:/bin"};
    std::vector<char*> envp = {envStrings[0].data(), envStrings[1].data(), nullptr};
    int out[2];
    if (::pipe(out) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        throw std::runtime_error("cannot start " + args[0]);
    }
    size_t bytes = 0;
    char buffer[1 << 16];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0) {
            bytes += size_t(n);
        }
    }
    ::close(out[0]);
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    if (cpuSeconds != nullptr) {
        *cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                      double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return bytes;
}

bool WriteFsync(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool written =
        ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()) && ::fsync(fd) == 0;
    ::close(fd);
    return written;
}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.error_occurred) {
            continue;
        }
        std::string name = run.run_name.function_name;
        if (!run.run_name.args.empty()) {
            name += "/" + run.run_name.args;
        }
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
            medians_.insert(name);
            times_[name] = {run.GetAdjustedRealTime(), run.time_unit};
            counters_[name] = run.counters;
        } else if (run.run_type == Run::RT_Iteration && !medians_.count(name)) {
            times_[name] = {run.GetAdjustedRealTime(), run.time_unit};
            counters_[name] = run.counters;
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

void RatioReporter::PrintRatio(const std::string& label, const std::string& ours,
                               const std::string& reference, double goal, Goal kind) const {
    const auto a = times_.find(ours);
    const auto b = times_.find(reference);
    if (a == times_.end() || b == times_.end() || b->second.value <= 0) {
        return;
    }
    // In seconds, should the two be shown in different units.
    const double ratio = (a->second.value / benchmark::GetTimeUnitMultiplier(a->second.unit)) /
                         (b->second.value / benchmark::GetTimeUnitMultiplier(b->second.unit));
    std::printf("%-28s %8.2f %s / %8.2f %s = %5.2f", label.c_str(), a->second.value,
                benchmark::GetTimeUnitString(a->second.unit), b->second.value,
                benchmark::GetTimeUnitString(b->second.unit), ratio);
    if (goal <= 0) {
        std::printf("\n");
        return;
    }
    const bool met = kind == Goal::AtMost ? ratio <= goal : ratio >= goal;
    std::printf(" (goal: %s %.1f)%s\n", kind == Goal::AtMost ? "at most" : "at least", goal,
                met ? "" : "  MISSED");
}

std::optional<double> RatioReporter::Counter(const std::string& run,
                                             const std::string& counter) const {
    const auto found = counters_.find(run);
    if (found == counters_.end() || !found->second.count(counter)) {
        return std::nullopt;
    }
    return double(found->second.at(counter));
}

void RatioReporter::PrintCounterRatio(const std::string& label, const std::string& ours,
                                      const std::string& reference, const std::string& counter,
                                      double goal) const {
    const std::optional<double> a = Counter(ours, counter), b = Counter(reference, counter);
    if (!a || !b || *b <= 0) {
        return;
    }
    std::printf("%-28s %8.3f / %8.3f %s = %5.2f", label.c_str(), *a, *b, counter.c_str(), *a / *b);
    if (goal > 0) {
        std::printf(" (goal: at most %.1f)%s", goal, *a / *b <= goal ? "" : "  MISSED");
    }
    std::printf("\n");
}

double ProcessCpuSeconds() {
    // The scheduler's own count: getrusage's is sampled at the clock's ticks.
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

long PeakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

long ChildPeak(const std::string& mode, const std::string& path) {
    const std::string command =
        "/proc/" + std::to_string(::getpid()) + "/exe --peak-child=" + mode + " '" + path + "'";
    FILE* child = ::popen(command.c_str(), "r");
    long peak = -1;
    if (child != nullptr && std::fscanf(child, "%ld", &peak) != 1) {
        peak = -1;
    }
    if (child != nullptr) {
        ::pclose(child);
    }
    return peak;
}

} // namespace sheafpad::bench
