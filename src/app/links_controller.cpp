// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/links_controller.h"

#include "app/busy_pointer.h"
#include "links/link_cache.h"
#include "links/link_check.h"
#include "platform/thread_priority.h"
#include "syntax/syntax_edit.h"
#include "syntax/syntax_parser.h"
#include "widgets/error_display.h"
#include "widgets/rich_edit.h"
#include "widgets/site_list.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace sheafpad {

namespace {

// Added files read at once on the window's thread; more start a build.
constexpr size_t kReadAtOnce = 64;
// A text longer than this that must be parsed in full (newly opened, or
// after an edit too large to tell the trees) is read once typing pauses:
// its parse takes longer than a key may (a page of 750 KB, 50 ms). An edit
// the trees were told of costs about a millisecond, and is read at once.
constexpr qsizetype kReadAfterEveryKey = 256 * 1024;
constexpr int kPauseMs = 300;

unsigned BuildThreads() {
    return std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
}

} // namespace

LinksController::LinksController(SiteList* site, TRichEdit* pane, Window window, QObject* parent)
    : QObject(parent), site_(site), tree_(site->Tree()), pane_(pane), window_(std::move(window)) {
    subscription_ = tree_.Subscribe([this](const SiteChange& change) { SiteChanged(change); });
    connect(pane_, &TextView::contentsChange, this, &LinksController::PaneChanged);
    paneTimer_.setSingleShot(true);
    connect(&paneTimer_, &QTimer::timeout, this, [this] { ParsePane(); });
    pane_->installEventFilter(this);
    pane_->viewport()->installEventFilter(this);
}

LinksController::~LinksController() {
    if (site_) {
        tree_.Unsubscribe(subscription_);
    }
    StopBuild();
}

void LinksController::StopBuild() {
    if (build_.joinable()) {
        cancel_ = true;
        build_.join();
    }
    built_.reset();
    ++generation_; // a result still on its way is of no use
}

void LinksController::StartBuild() {
    StopBuild();
    cancel_ = false;
    const uint64_t generation = generation_;
    index_ = links::LinkIndex(tree_.Root());
    paneDirty_ = true;
    // The build reads the disk; the pane's own text is put in when it is taken.
    build_ = std::thread([this, generation, root = tree_.Root(), paths = tree_.Paths()] {
        // The window first: opening a file or a key never waits for the
        // build, whose own workers take this thread's priority.
        platform::LowerThreadPriority(1);
        platform::NameThread("links index");
        // Only the files changed since the last run are parsed.
        const links::LinkCache cache = links::LinkCache::Load(root);
        size_t read = 0;
        built_ = links::BuildIndex(root, paths, BuildThreads(), &cancel_, &cache, &read);
        if (built_ && read > 0) {
            links::LinkCache::Save(*built_); // best effort: a build without it only takes longer
        }
        QMetaObject::invokeMethod(
            this, [this, generation] { TakeBuild(generation); }, Qt::QueuedConnection);
    });
}

void LinksController::TakeBuild(uint64_t generation) {
    if (generation == generation_ && build_.joinable()) {
        FinishBuild();
    }
}

void LinksController::FinishBuild() {
    build_.join();
    if (built_) {
        index_ = std::move(*built_);
    }
    built_.reset();
    ++generation_;
    paneDirty_ = true;
    ParsePane(); // the open file as the pane has it
    emit indexBuilt();
}

links::LinkIndex& LinksController::Index() {
    if (build_.joinable()) {
        BusyPointer busy;
        FinishBuild();
    }
    return index_;
}

void LinksController::Refresh() {
    links::LinkScanner scanner;
    Index().Refresh(scanner);
    paneDirty_ = true;
    ParsePane(); // the pane's text, not the disk's, for the open file
}

void LinksController::SiteChanged(const SiteChange& change) {
    if (change.whole || build_.joinable() ||
        change.added.size() + change.removed.size() > kReadAtOnce) {
        StartBuild();
        return;
    }
    for (const std::string& path : change.removed) {
        index_.Remove(path);
    }
    links::LinkScanner scanner;
    std::string buffer;
    for (const std::string& path : change.added) {
        if (!links::HoldsLinks(path)) {
            continue;
        }
        const std::string full = tree_.FullPath(path);
        index_.Set(path, links::ScanFile(scanner, full,
                                         links::KeyOf(platform::FileIdentityOf(full)), buffer));
    }
}

void LinksController::PaneChanged(qsizetype pos, qsizetype removed, qsizetype added) {
    reportShown_ = false; // the report is gone once the pane holds anything else
    if (removed < 0 || !paneParser_) {
        paneParser_.reset(); // a new text: parsed in full
    } else {
        const TextChange change{size_t(pos), size_t(removed), size_t(added)};
        const syntax::SyntaxEdit edit = syntax::MakeSyntaxEdit(pane_->Buffer(), paneText_, change);
        paneParser_->Edit(edit);
        paneTracker_.Edit(edit);
    }
    paneText_ = pane_->Snapshot();
    paneDirty_ = true;
    // One parse for the changes of one event; what asks for the links
    // (following, completing, a report) has them read at once.
    const bool whole = !paneParser_ || paneParser_->Trees().Empty() || !paneTracker_.Known();
    paneTimer_.start(whole && pane_->Length() > kReadAfterEveryKey ? kPauseMs : 0);
}

void LinksController::ParsePane() {
    if (!paneDirty_) {
        return;
    }
    paneDirty_ = false;
    paneLinks_.clear();
    const std::string path = window_.openPath();
    if (path.empty() || !links::HoldsLinks(path)) {
        paneParser_.reset();
        return;
    }
    const syntax::Language language = syntax::LanguageForFileName(path);
    if (!paneParser_ || paneParsed_ != path || paneParser_->language() != language) {
        paneParser_ = std::make_unique<syntax::SyntaxParser>(language, false);
        paneTracker_.Forget();
        paneParsed_ = path;
        paneText_ = pane_->Snapshot();
    }
    if (paneParser_->Parse(paneText_) != syntax::ParseOutcome::Parsed) {
        paneParser_.reset();
        return;
    }
    links::LinkScanner scanner;
    const links::SnapshotText text(paneText_);
    auto scanned = std::make_shared<links::ScannedFile>();
    paneTracker_.Update(scanner, *paneParser_, text); // only what the edits touched, read again
    scanned->links = paneTracker_.Links();
    for (const links::RawLink& link : scanned->links) {
        paneLinks_.push_back({qsizetype(link.start / 2), qsizetype(link.end / 2), link});
    }
    if (!build_.joinable() && !tree_.Root().empty()) {
        index_.Set(path, std::move(scanned)); // the file as the pane has it
    }
}

const std::vector<LinksController::PaneLink>& LinksController::PaneLinks() {
    ParsePane();
    return paneLinks_;
}

std::optional<qsizetype> LinksController::PaneAnchor(std::string_view fragment) {
    ParsePane();
    if (!paneParser_) {
        return std::nullopt;
    }
    const links::SnapshotText text(paneText_);
    const std::optional<uint32_t> at =
        links::LinkScanner::FindAnchor(paneParser_->Trees(), text, fragment);
    return at ? std::optional<qsizetype>(qsizetype(*at / 2)) : std::nullopt;
}

void LinksController::ShowReport() {
    window_.saveIfChanged(); // the open file is checked as shown
    BusyPointer busy;
    Refresh();
    const std::vector<std::string> listed = tree_.Paths();
    const links::LinksReport report = links::CheckLinks(index_, listed);
    std::vector<std::optional<Place>> places;
    places.emplace_back();
    for (const links::BrokenLink& link : report.broken) {
        places.push_back(Place{link.file, link.line, link.column});
    }
    places.emplace_back();
    for (const std::string& path : report.unlinked) {
        places.push_back(Place{path, 1, 1});
    }
    window_.showReport(links::ReportLines(report));
    reportPlaces_ = std::move(places);
    reportShown_ = true;
}

void LinksController::OpenReportLine() {
    const size_t line = pane_->Buffer().LineOfPosition(size_t(pane_->CaretPosition()));
    if (line >= reportPlaces_.size() || !reportPlaces_[line]) {
        return;
    }
    const Place place = *reportPlaces_[line];
    window_.openAt(place.path, place.line, place.column);
}

bool LinksController::eventFilter(QObject* watched, QEvent* event) {
    if (!reportShown_) {
        return false;
    }
    const bool enter = watched == pane_ && event->type() == QEvent::KeyPress &&
                       (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter);
    const bool doubleClick = watched == pane_->viewport() &&
                             event->type() == QEvent::MouseButtonDblClick &&
                             static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (!enter && !doubleClick) {
        return false;
    }
    if (doubleClick) {
        pane_->SetCaret(pane_->PositionAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
    }
    ErrorDisplay::Guard([this] { OpenReportLine(); });
    return true;
}

} // namespace sheafpad
