// SPDX-License-Identifier: GPL-3.0-or-later
// Search and replace for the main window: the "Search in Files" window and
// what its buttons do. The main window hands it what it needs through a
// Host of a few functions; the changes of many files run through an
// EditRunner, off the window's thread.
#pragma once

#include "app/edit_runner.h"
#include "widgets/search_window.h"

#include <QObject>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace sheafpad {

class TIniFile;
class TRichEdit;
namespace search {
struct FileEdit;
struct FileNote;
struct FileResult;
struct MatchLine;
struct RecordedRename;
} // namespace search

class SearchController : public QObject {
    Q_OBJECT
public:
    struct Host {
        QWidget* window = nullptr; // the main window, owner of the search window
        TRichEdit* pane = nullptr;
        std::function<std::vector<std::string>()> listedPaths; // absolute
        std::function<std::string()> folder;   // the listed folder, absolute, ending in '/'
        std::function<std::string()> openFile; // the file that the pane holds, or ""
        std::function<void()> saveIfChanged;   // writes the pane's edits back (throws)
        std::function<bool(const QString& question, bool defaultYes)> ask;
        // Opens a listed file as a click on it does (throws when it is not listed).
        std::function<void(const std::string& path)> openListed;
        std::function<void()> reloadOpenFile; // its file was put back on disk
        // An undone rename took the file at to back to from.
        std::function<void(const std::string& from, const std::string& to)> renamedBack;
    };

    SearchController(Host host, QObject* parent);
    ~SearchController() override;

    // Shows the search window (made at the first call), the find field
    // holding the pane's selection when it is on one line.
    void Show(SearchWindow::Scope scope);
    SearchWindow* Window() const { return window_; }
    EditRunner& Runner() { return runner_; }
    // A change of files is running.
    bool Busy() const { return runner_.Running(); }

    // The window's buttons.
    void ReplaceAll();
    void UndoReplace();
    // Opens a result in the pane with the match selected, and marks the
    // search's other matches in that file.
    void OpenResult(const search::FileResult& file, const search::MatchLine& line);

    // Records and writes edits (and the renames already done) under a
    // progress dialog modal to window; the open file's edit is made in the
    // pane, as one step of its undo. Adds a note for each file left alone;
    // returns the number of files and matches, and whether it was cancelled.
    struct Committed {
        size_t files = 0, matches = 0;
        bool cancelled = false;
    };
    Committed Commit(QWidget* window, const QString& label, std::vector<search::FileEdit> edits,
                     const std::vector<search::RecordedRename>& renames,
                     std::vector<search::FileNote>& notes);

    // The window's drop-downs in the settings: read at start, written at close.
    void ReadSettings(TIniFile& ini);
    void WriteSettings(TIniFile& ini) const;

private:
    void MakeWindow();
    void ReplaceInOpenFile(const search::SearchOptions& options);
    // The edit of the open file in the pane, from edit's spans; false (a
    // note added) when the pane no longer holds what was read.
    struct PaneEdit {
        qsizetype first = 0, last = 0;
        QString text; // from first to last, replaced
    };
    std::optional<PaneEdit> PreparePaneEdit(search::FileEdit& edit,
                                            std::vector<search::FileNote>& notes);
    void ClearMarks();
    // The folder whose record Replace All writes and Undo Replace reads.
    std::string ReplaceFolder() const;

    Host host_;
    SearchWindow* window_ = nullptr;
    EditRunner runner_;
    QStringList finds_, replaces_;  // until the window is made
    std::string markedFile_;        // the file whose matches the pane marks
    uint64_t searchedRevision_ = 0; // the pane's text's revision when the search began
    // By folder, the record of the last replace that this window made there:
    // another record in its place is another program's later replace.
    std::map<std::string, uint64_t> ownReplaces_;
};

} // namespace sheafpad
