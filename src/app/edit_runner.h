// SPDX-License-Identifier: GPL-3.0-or-later
// Long changes of many files (Replace All, Undo Replace, a rename with its
// references) run on a worker thread while the window stays alive: a
// progress dialog, modal to the window that asked, shows the files done of
// all and a Cancel button, and the window repaints and answers keys.
//
// Run() returns when the work is over, so that callers read as plain
// sequential code; meanwhile events are handled in a loop of its own. A
// cancel is seen between files: the file being written is finished, so that
// every file is old or new. RunEdits and RunUndo are the two jobs that every
// caller needs: records and writes a list of file edits and renames, and
// puts a record back.
#pragma once

#include "search/replace_record.h"

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QTimer;
class QWidget;

namespace sheafpad {

class EditRunner : public QObject {
    Q_OBJECT
public:
    explicit EditRunner(QObject* parent = nullptr);
    ~EditRunner() override; // stops a running job after its file and waits for it

    // Told by a job before each file (done of total, on the worker thread);
    // false once the user cancelled: the job stops there.
    using Step = std::function<bool(size_t done, size_t total)>;
    using Job = std::function<void(const Step& step)>;

    // Runs job on the worker thread under a progress dialog modal to
    // window, labelled label; handles events until it is over. Returns false
    // when it was cancelled. One job at a time: a Run during another throws.
    bool Run(QWidget* window, const QString& label, const Job& job);

    // Records edits and renames in folder's replace record and writes them
    // (the edit of paneFile is only recorded; see search::ApplyEdits).
    search::ReplaceOutcome RunEdits(QWidget* window, const QString& label,
                                    const std::string& folder,
                                    const std::vector<search::FileEdit>& edits,
                                    const std::vector<search::RecordedRename>& renames,
                                    const std::string& paneFile);
    search::UndoOutcome RunUndo(QWidget* window, const QString& label,
                                const search::ReplaceRecord& record);

    bool Running() const { return worker_.joinable(); }
    // Stops the running job after the file being written.
    void Cancel() { cancelled_ = true; }
    // Cancels and waits for the worker without handling events (the
    // program is ending).
    void CancelAndWait();

    // For tests: the dialog of the running job, and a hook that runs on the
    // worker thread at each step, before the cancel is looked at.
    QProgressDialog* Dialog() const { return dialog_; }
    static void SetStepHook(std::function<void(size_t done)> hook);

signals:
    // A Run is over (emitted before it returns).
    void Ended();

private:
    void ShowProgress();

    std::thread worker_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> finished_{false};
    std::atomic<size_t> done_{0}, total_{0};
    QPointer<QProgressDialog> dialog_;
};

} // namespace sheafpad
