// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/site_list.h"

#include "base/errors.h"
#include "platform/file_io.h"
#include "widgets/file_list_model.h"

#include <QEvent>
#include <QSocketNotifier>
#include <QWidget>

namespace sheafpad {

SiteList::SiteList(QObject* parent, bool watch)
    : QObject(parent), tree_(watch), model_(new FileListModel(tree_, this)) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &SiteList::CatchUp);
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &SiteList::RereadUnwatched);
    Listen();
}

SiteList::~SiteList() {
    // Both use the tree, which goes before the children of this object.
    delete notifier_;
    delete model_;
}

void SiteList::Listen() {
    if (tree_.WatchFd() < 0) {
        return; // no watcher: folders are read again when the window comes to the front
    }
    notifier_ = new QSocketNotifier(qintptr(tree_.WatchFd()), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        // Quiet until the burst is taken in: the notices wait in the system.
        notifier_->setEnabled(false);
        settle_.start();
    });
}

void SiteList::Show(const std::string& dirText, const std::vector<std::string>& typeLines) {
    typeLines_ = typeLines;
    const FileTypes types(typeLines);
    model_->BeginReset();
    if (!opened_ || dirText != tree_.Root() || subfolders_ != tree_.Subfolders()) {
        tree_.Open(dirText, subfolders_, types);
        opened_ = true;
    } else {
        tree_.CatchUp();
        tree_.SetTypes(types);
    }
    model_->EndReset();
    ReportUnreadable();
    PollUnwatched();
}

void SiteList::SetSubfolders(bool on) {
    if (on == subfolders_) {
        return;
    }
    subfolders_ = on;
    if (opened_) {
        Show(tree_.Root(), typeLines_);
    }
    emit subfoldersChanged(on);
}

void SiteList::TakeInChanges(bool (SiteTree::*take)(const std::function<void()>&)) {
    bool began = false;
    (tree_.*take)([&] {
        model_->BeginFolderChange();
        began = true;
    });
    if (began) {
        model_->EndFolderChange();
    }
    ReportUnreadable();
    PollUnwatched();
}

void SiteList::PollUnwatched() {
    // A few folders are cheap to read again; a tree of them is read again
    // only when the window comes to the front.
    const size_t unwatched = tree_.UnwatchedFolders();
    if (unwatched == 0 || unwatched > kMostPolled) {
        poll_.stop();
    } else if (!poll_.isActive()) {
        poll_.start();
    }
}

void SiteList::CatchUp() {
    settle_.stop();
    TakeInChanges(&SiteTree::CatchUp);
    if (notifier_ != nullptr) {
        notifier_->setEnabled(true);
    }
}

void SiteList::RereadUnwatched() {
    if (opened_) {
        TakeInChanges(&SiteTree::RereadUnwatched);
    }
}

void SiteList::RereadOnActivation(QWidget* window) {
    window_ = window;
    window->installEventFilter(this);
}

bool SiteList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::WindowActivate) {
        RereadUnwatched();
    }
    return false;
}

std::string SiteList::FullPath(int row) const {
    return tree_.FullPath(tree_.PathAt(size_t(row)));
}

std::optional<int> SiteList::RowOf(const std::string& fullPath) const {
    // Full paths are the directory text joined with a relative path; made
    // absolute, when the text was relative.
    const std::string& root = tree_.Root();
    for (const std::string& dir : {root, root.empty() ? root : platform::AbsolutePath(root)}) {
        const std::string prefix = dir + '/';
        if (fullPath.compare(0, prefix.size(), prefix) == 0) {
            if (const auto row = tree_.RowOf(std::string_view(fullPath).substr(prefix.size()))) {
                return int(*row);
            }
        }
    }
    return std::nullopt;
}

void SiteList::ReportUnreadable() {
    const std::vector<std::pair<std::string, int>> folders = tree_.TakeUnreadable();
    if (folders.empty()) {
        return;
    }
    constexpr size_t kNamed = 10;
    QString text = folders.size() == 1
                       ? tr("A folder could not be read, so its files are not listed:")
                       : tr("%1 folders could not be read, so their files are not listed:")
                             .arg(folders.size());
    for (size_t i = 0; i < folders.size() && i < kNamed; ++i) {
        const std::string& path = folders[i].first;
        text += QStringLiteral("\n%1 (%2)")
                    .arg(QString::fromUtf8(path.data(), qsizetype(path.size())),
                         QString::fromLocal8Bit(SystemReason(folders[i].second)));
    }
    if (folders.size() > kNamed) {
        text += tr("\n\u2026 and %1 more").arg(folders.size() - kNamed);
    }
    emit unreadableFolders(text);
}

} // namespace sheafpad
