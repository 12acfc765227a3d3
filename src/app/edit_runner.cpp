// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/edit_runner.h"

#include "base/errors.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <exception>

namespace sheafpad {

namespace {

// How often the dialog shows the progress; it appears this late, so that a
// quick job shows none.
constexpr int kUpdateMs = 50;
constexpr int kShowAfterMs = 300;

std::function<void(size_t)>& StepHook() {
    static std::function<void(size_t)> hook;
    return hook;
}

} // namespace

EditRunner::EditRunner(QObject* parent) : QObject(parent) {}

EditRunner::~EditRunner() {
    CancelAndWait();
}

void EditRunner::SetStepHook(std::function<void(size_t)> hook) {
    StepHook() = std::move(hook);
}

void EditRunner::CancelAndWait() {
    cancelled_ = true;
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool EditRunner::Run(QWidget* window, const QString& label, const Job& job) {
    if (Running()) {
        throw Error("Another change of files is still running");
    }
    cancelled_ = false;
    finished_ = false;
    done_ = 0;
    total_ = 0;
    auto* dialog = new QProgressDialog(label, tr("Cancel"), 0, 0, window);
    dialog_ = dialog;
    dialog->setObjectName(QStringLiteral("EditProgress"));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(INT_MAX); // shown by the timer below, not by setValue
    auto* bar = new QProgressBar(dialog);
    bar->setFormat(tr("%v of %m files"));
    dialog->setBar(bar);
    // Cancel (or Escape) stops after the file being written; the dialog says so until then.
    connect(dialog, &QProgressDialog::canceled, this, [this, dialog] {
        cancelled_ = true;
        dialog->setLabelText(tr("Stopping after the file being written\u2026"));
        dialog->show();
    });
    QEventLoop loop;
    std::exception_ptr failure;
    worker_ = std::thread([&, this] {
        try {
            job([this](size_t done, size_t total) {
                done_ = done;
                total_ = total;
                if (StepHook()) {
                    StepHook()(done);
                }
                return !cancelled_.load();
            });
        } catch (...) {
            failure = std::current_exception();
        }
        finished_ = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer update;
    connect(&update, &QTimer::timeout, this, [this] { ShowProgress(); });
    update.start(kUpdateMs);
    QTimer::singleShot(kShowAfterMs, dialog, [this, dialog] {
        if (!finished_) {
            ShowProgress();
            dialog->show();
        }
    });
    if (!finished_) {
        loop.exec();
    }
    if (worker_.joinable()) { // CancelAndWait may have joined it meanwhile
        worker_.join();
    }
    update.stop();
    delete dialog;
    emit Ended();
    if (failure) {
        std::rethrow_exception(failure);
    }
    return !cancelled_;
}

void EditRunner::ShowProgress() {
    if (dialog_ == nullptr) {
        return;
    }
    const int total = int(std::min<size_t>(total_, INT_MAX));
    if (dialog_->maximum() != total) {
        dialog_->setMaximum(total);
    }
    dialog_->setValue(int(std::min<size_t>(done_, size_t(total))));
}

search::ReplaceOutcome EditRunner::RunEdits(QWidget* window, const QString& label,
                                            const std::string& folder,
                                            const std::vector<search::FileEdit>& edits,
                                            const std::vector<search::RecordedRename>& renames,
                                            const std::string& paneFile) {
    search::ReplaceOutcome outcome;
    Run(window, label, [&](const Step& step) {
        outcome = search::ApplyEdits(folder, edits, renames, paneFile,
                                     [&](size_t i) { return step(i, edits.size()); });
    });
    return outcome;
}

search::UndoOutcome EditRunner::RunUndo(QWidget* window, const QString& label,
                                        const search::ReplaceRecord& record) {
    search::UndoOutcome outcome;
    Run(window, label, [&](const Step& step) {
        outcome =
            search::UndoReplace(record, [&](size_t i) { return step(i, record.files.size()); });
    });
    return outcome;
}

} // namespace sheafpad
