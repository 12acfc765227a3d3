// SPDX-License-Identifier: GPL-3.0-or-later
// The "Search in Files" window: a find text, a replace text, the options,
// where to search (the listed files or the open file), and the results as
// they are found. It searches by itself, on worker threads, a moment after
// the find text or an option last changed, so that the results are ready
// when the user asks to replace; opening a result, Replace All and Undo
// Replace are its owner's, through the handlers below. Not modal.
#pragma once

#include "search/file_search.h"
#include "search/matcher.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
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

    enum class Scope { ListedFiles, OpenFile };
    // The open file's path and text (UTF-8, '\n' line breaks), when one is open.
    struct OpenText {
        std::string path, text;
    };

    // Set by the owner.
    std::function<std::vector<std::string>()> ListedPaths; // the paths to search, now
    std::function<std::optional<OpenText>()> OpenFileText;
    std::function<std::string()> ShownFrom; // results below it show their path from it
    std::function<void()> BeforeSearch;     // e.g. write back the open file
    std::function<void()> SearchChanged;    // what was found no longer stands
    std::function<void(const search::FileResult&, const search::MatchLine&)> OpenResult;
    std::function<void()> ReplaceAllClick;
    std::function<void()> UndoReplaceClick;

    // Shows the window in front with the find field focused, holding text
    // when it is not empty (else the last search's text), all selected.
    void ShowWith(const QString& text, Scope scope);
    // Starts a new search now, cancelling the one that runs.
    void StartSearch();
    bool Searching() const { return job_ != nullptr || pending_.isActive(); }
    Scope CurrentScope() const;
    void SetScope(Scope scope);
    // The options of the last search that ended, with the replace text as
    // it is now; nothing while searching or when the fields changed since.
    std::optional<search::SearchOptions> SearchedOptions() const;
    SearchResultsModel& Results() { return *model_; }
    const SearchResultsModel& Results() const { return *model_; }
    // The results no longer stand for the files (they were replaced).
    void SetResultsUsed();
    // The line under the results: what a replace or undo did.
    void SetOutcome(const QString& text);
    void SetUndoAvailable(bool available);

    // The last ten find and replace texts, latest first.
    QStringList FindHistory() const;
    QStringList ReplaceHistory() const;
    void SetHistory(const QStringList& finds, const QStringList& replaces);
    // Puts the find text (and with replace, the replace text) first in the drop-downs.
    void RememberTexts(bool replace);

    // The options as the fields and boxes hold them now.
    search::SearchOptions CurrentOptions() const;

    // Controls, public for the tests.
    QComboBox* FindCombo = nullptr;
    QComboBox* ReplaceCombo = nullptr;
    QLineEdit* FindEdit = nullptr; // the combos' fields
    QLineEdit* ReplaceEdit = nullptr;
    QComboBox* ScopeBox = nullptr;
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
    void Changed(); // the find text, an option or the scope changed
    void Poll();
    void Finished();
    void UpdateSummary();
    void UpdateButtons();
    void Activated(const QModelIndex& index);
    void ReplaceClicked();

    SearchResultsModel* model_ = nullptr;
    std::unique_ptr<search::SearchJob> job_;
    search::SearchOptions running_;                 // of the search that runs
    std::optional<search::SearchOptions> searched_; // of the last one that ended
    std::string error_;                             // why the find text cannot be searched
    bool resultsUsed_ = false;
    bool undoAvailable_ = false;
    bool replaceWhenDone_ = false; // Replace All was asked for while searching
    QTimer pending_;               // the search a moment after the last change
    QTimer poll_;
    QElapsedTimer clock_;
};

} // namespace sheafpad
