// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the benchmark programs: the sample text, a scratch
// directory, the bare references, and a reporter that prints each ratio of
// a benchmark to its reference measured in the same run.
#pragma once

#include <benchmark/benchmark.h>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sheafpad::bench {

constexpr int64_t kKilobyte = 1024;
constexpr int64_t kMegabyte = 1024 * kKilobyte;

// Text like a hand-written page: markup, mostly ASCII, a few accented letters
// and typographic characters, CR LF line breaks; exactly size bytes.
std::string HtmlLikeText(int64_t size);

// A hand-written page of about size bytes with code in it: a style sheet in
// its head, markup, and a script at the end of its body; LF line breaks.
std::string PageWithCode(int64_t size);

// A minified script of exactly size bytes on one line: sound code, as
// minifiers write it (the last bytes a comment that fills it up).
std::string MinifiedScript(int64_t size);

// A fresh directory for one program's files under $SHEAFPAD_BENCH_DIR
// (default /var/tmp, which should be on the disk that real files live on),
// named sheafpad-bench-<tag>-XXXXXX and removed with its files on destruction.
// Exits the program when it cannot be made.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& tag);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // path + "/" + name
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The whole file, or "" when it cannot be read.
std::string ReadWhole(const std::string& path);

// The saving reference: one open, one write() and one fsync() of the bytes.
// False when any of them fails.
bool WriteFsync(const std::string& path, const std::string& bytes);

// Runs the program args[0] (found on /usr/bin:/bin) with args, the
// environment holding only LC_ALL=C and that PATH, drains its standard output
// through a pipe (some tools stop early when it goes to /dev/null) and waits
// for it. Returns the bytes it printed; throws std::runtime_error when it
// cannot be started. cpuSeconds, when given, gets the processor time the
// program used (user and system).
size_t RunDrained(const std::vector<std::string>& args, double* cpuSeconds = nullptr);

// Processor time this process has used so far, all its threads, user and
// system, in seconds.
double ProcessCpuSeconds();

// Peak resident memory of this process so far, in kilobytes (-1: unknown).
long PeakKilobytes();
// Runs this program again as "<program> --peak-child=mode path" and returns
// the number it prints (its peak, by PeakKilobytes), or -1.
long ChildPeak(const std::string& mode, const std::string& path);

// Prints the runs as usual and keeps each one's real time per iteration by
// its short name, the function and its arguments ("BM_Load_Pane/10485760",
// "BM_GrepF"): with repetitions the median, else the one run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    enum class Goal { AtMost, AtLeast };

    void ReportRuns(const std::vector<Run>& runs) override;

    // Prints "label  ours / reference = ratio (goal: at most|at least goal)",
    // marked when the goal is missed; goal 0: none stated. Prints nothing
    // unless both ran.
    void PrintRatio(const std::string& label, const std::string& ours, const std::string& reference,
                    double goal = 0, Goal kind = Goal::AtMost) const;
    // The counter of a run by its short name, or nullopt when it did not run.
    std::optional<double> Counter(const std::string& run, const std::string& counter) const;
    // Prints "label  ours / reference = ratio" of two counters, as PrintRatio.
    void PrintCounterRatio(const std::string& label, const std::string& ours,
                           const std::string& reference, const std::string& counter,
                           double goal = 0) const;

private:
    struct Time {
        double value = 0; // in unit
        benchmark::TimeUnit unit = benchmark::kNanosecond;
    };
    std::map<std::string, Time> times_;
    std::map<std::string, benchmark::UserCounters> counters_;
    std::set<std::string> medians_; // names whose time is a median
};

} // namespace sheafpad::bench
