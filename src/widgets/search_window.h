// SPDX-License-Identifier: GPL-3.0-or-later
// The "Search in Files" window: a find text, a replace text, the options,
// and the results as they are found. It searches by itself, on worker
// threads; opening a result, Replace All and Undo Replace are its owner's,
// through the handlers below. Not modal.
#pragma once

#include "search/file_search.h"
#include "search/matcher.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace sheafpad {

class SearchResultsModel;

class SearchWindow : public QWidget {
    Q_OBJECT
public:
    explicit SearchWindow(QWidget* parent = nullptr);
    ~SearchWindow() override;

    // Set by the owner.
    std::function<std::vector<std::string>()> Scope; // the paths to search, now
    std::function<std::string()> ShownFrom;          // results below it show their path from it
    std::function<void()> BeforeSearch;              // e.g. write back the open file
    std::function<void(const search::FileResult&, const search::MatchLine&)> OpenResult;
    std::function<void()> ReplaceAllClick;
    std::function<void()> UndoReplaceClick;

    // Shows the window in front with the find field focused, holding text
    // when it is not empty (else the last search's text), all selected.
    void ShowWith(const QString& text);
    // Starts a new search, cancelling the one that runs.
    void StartSearch();
    bool Searching() const { return job_ != nullptr; }
    // The options of the last search that ended, with the replace text as
    // it is now; nothing while searching or when the fields changed since.
    std::optional<search::SearchOptions> SearchedOptions() const;
    const SearchResultsModel& Results() const { return *model_; }
    // The results no longer stand for the files (they were replaced).
    void SetResultsUsed();
    // The line under the results: what a replace or undo did.
    void SetOutcome(const QString& text);
    void SetUndoAvailable(bool available);

    // The options as the fields and boxes hold them now.
    search::SearchOptions CurrentOptions() const;

    // Controls, public for the tests.
    QLineEdit* FindEdit = nullptr;
    QLineEdit* ReplaceEdit = nullptr;
    QCheckBox* MatchCaseBox = nullptr;
    QCheckBox* WholeWordsBox = nullptr;
    QCheckBox* RegexBox = nullptr;
    QTreeView* ResultsTree = nullptr;
    QLabel* SummaryLabel = nullptr;
    QLabel* ProgressLabel = nullptr;
    QLabel* OutcomeLabel = nullptr;
    QPushButton* SearchButton = nullptr;
    QPushButton* ReplaceAllButton = nullptr;
    QPushButton* UndoReplaceButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Poll();
    void UpdateSummary();
    void UpdateButtons();
    void Activated(const QModelIndex& index);

    SearchResultsModel* model_ = nullptr;
    std::unique_ptr<search::SearchJob> job_;
    search::SearchOptions running_;                 // of the search that runs
    std::optional<search::SearchOptions> searched_; // of the last one that ended
    bool resultsUsed_ = false;
    bool undoAvailable_ = false;
    QTimer poll_;
    QElapsedTimer clock_;
};

} // namespace sheafpad
