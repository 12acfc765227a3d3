// SPDX-License-Identifier: GPL-3.0-or-later
// The site's links for the window: the index, built off the window's thread
// whenever the list is made anew, kept current by each edit of the open
// file (only that file is read again) and by each change of the list; and
// the Links report, written read-only into the pane as Check's is, whose
// lines open their file at their place.
#pragma once

#include "files/site_tree.h"
#include "links/link_index.h"
#include "links/link_tracker.h"
#include "text/text_buffer.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace sheafpad {

class SiteList;
class TRichEdit;
namespace syntax {
class SyntaxParser;
}

class LinksController : public QObject {
    Q_OBJECT
public:
    // What the controller needs of the window.
    struct Window {
        // The path (relative to the site's root) of the file the pane holds;
        // empty when it holds none (the introduction, a report).
        std::function<std::string()> openPath;
        // Writes the open file if it is changed (throws when it cannot).
        std::function<void()> saveIfChanged;
        // Puts lines into the pane as a read-only report, no file selected.
        std::function<void(const std::vector<std::string>& lines)> showReport;
        // Opens the listed path as a click on its name would, with the caret
        // at line and column (from 1).
        std::function<void(const std::string& path, uint32_t line, uint32_t column)> openAt;
    };

    LinksController(SiteList* site, TRichEdit* pane, Window window, QObject* parent);
    ~LinksController() override;

    // The index, once a build under way is over.
    links::LinkIndex& Index();
    // Reads again the indexed files that changed on disk since.
    void Refresh();
    bool Building() const { return build_.joinable(); }

    // Ctrl+Shift+L and "Check Links": the report of the links in the pane.
    void ShowReport();
    bool ReportShown() const { return reportShown_; }

    // The links of the open file as the pane holds it now, their places in
    // the pane's positions; and where the element with id fragment begins.
    struct PaneLink {
        qsizetype start = 0, end = 0;
        links::RawLink link;
    };
    const std::vector<PaneLink>& PaneLinks();
    std::optional<qsizetype> PaneAnchor(std::string_view fragment);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // A build of the index is over and taken in.
    void indexBuilt();

private:
    void StartBuild();
    void TakeBuild(uint64_t generation);
    void FinishBuild();
    void StopBuild();
    void SiteChanged(const SiteChange& change);
    void PaneChanged(qsizetype pos, qsizetype removed, qsizetype added);
    void ParsePane();
    void OpenReportLine();

    QPointer<SiteList> site_; // may go first, when the window is destroyed
    SiteTree& tree_;
    TRichEdit* pane_;
    Window window_;
    size_t subscription_ = 0;

    links::LinkIndex index_;
    std::thread build_;
    std::atomic<bool> cancel_{false};
    std::optional<links::LinkIndex> built_; // the build's result, taken on the window's thread
    uint64_t generation_ = 0;

    // The pane's own parse, edited with the text.
    std::unique_ptr<syntax::SyntaxParser> paneParser_;
    links::LinkTracker paneTracker_; // the pane's links, as paneParser_ last parsed them
    std::string paneParsed_;         // the path whose text the parser holds
    TextSnapshot paneText_;          // the text as the parser was last told of it
    bool paneDirty_ = true;
    std::vector<PaneLink> paneLinks_;
    QTimer paneTimer_;

    bool reportShown_ = false;
    struct Place {
        std::string path;
        uint32_t line = 1, column = 1;
    };
    std::vector<std::optional<Place>> reportPlaces_; // by line of the report
};

} // namespace sheafpad
