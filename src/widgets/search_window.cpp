// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/search_window.h"

#include "widgets/accessible_role.h"
#include "widgets/search_results.h"
#include "widgets/utf8_text.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

namespace sheafpad {

namespace {

// Results are taken this often while a search runs: the window repaints at
// least as often, and the first results show this soon after they are found.
constexpr int kPollMs = 25;
// The search starts this long after the last change of the find text or an
// option, so that it does not start anew at every key.
constexpr int kPendingMs = 200;
// Files whose lines are shown expanded as they arrive; later ones start folded.
constexpr size_t kExpandedLines = 5000;
// Texts kept in each field's drop-down.
constexpr int kHistory = 10;

QString Files(size_t n) {
    return SearchWindow::tr("%n file(s)", nullptr, int(n));
}

// The options that say what is found (the replace text aside).
bool SameSearch(search::SearchOptions a, search::SearchOptions b) {
    a.replace.clear();
    b.replace.clear();
    return a == b;
}

QComboBox* HistoryCombo(QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert); // the window keeps the history itself
    combo->setMaxCount(kHistory);
    combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    combo->lineEdit()->setClearButtonEnabled(false);
    return combo;
}

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items.append(combo->itemText(i));
    }
    return items;
}

// Puts text first in combo's list, keeping the field as it is.
void Remember(QComboBox* combo, const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    const QString field = combo->currentText();
    const QSignalBlocker quiet(combo), quietField(combo->lineEdit());
    const int at = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at >= 0) {
        combo->removeItem(at);
    }
    combo->insertItem(0, text);
    while (combo->count() > kHistory) {
        combo->removeItem(combo->count() - 1);
    }
    combo->setCurrentIndex(-1);
    combo->setEditText(field);
}

} // namespace

SearchWindow::SearchWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("SearchWindow"));
    SetAccessibleRole(this, QAccessible::Window); // announced as a window when it opens
    setWindowTitle(tr("Search in Files"));
    resize(640, 460);

    FindCombo = HistoryCombo(this);
    ReplaceCombo = HistoryCombo(this);
    FindEdit = FindCombo->lineEdit();
    ReplaceEdit = ReplaceCombo->lineEdit();
    auto* findLabel = new QLabel(tr("&Find:"), this);
    findLabel->setBuddy(FindCombo);
    auto* replaceLabel = new QLabel(tr("Re&place with:"), this);
    replaceLabel->setBuddy(ReplaceCombo);
    ScopeBox = new QComboBox(this);
    ScopeBox->addItems({tr("Listed files"), tr("Open file")});
    auto* scopeLabel = new QLabel(tr("&In:"), this);
    scopeLabel->setBuddy(ScopeBox);
    MatchCaseBox = new QCheckBox(tr("Match &case"), this);
    WholeWordsBox = new QCheckBox(tr("&Whole words"), this);
    RegexBox = new QCheckBox(tr("Regular e&xpression"), this);
    RegexBox->setToolTip(tr("Perl-compatible; \\n matches a line break, ^ and $ each line's "
                            "start and end; the replace text may use $1 or \\1 for a group"));
    SearchButton = new QPushButton(tr("&Search"), this);
    ReplaceAllButton = new QPushButton(tr("Replace &All"), this);
    UndoReplaceButton = new QPushButton(tr("&Undo Replace"), this);
    UndoReplaceButton->setToolTip(tr("Put back every file as it was before the last Replace All "
                                     "or rename"));

    FindCombo->setAccessibleName(tr("Find text"));
    FindEdit->setAccessibleName(tr("Find text"));
    ReplaceCombo->setAccessibleName(tr("Replace text"));
    ReplaceEdit->setAccessibleName(tr("Replace text"));
    ScopeBox->setAccessibleName(tr("Search in"));
    model_ = new SearchResultsModel(this);
    ResultsTree = new QTreeView(this);
    ResultsTree->setModel(model_);
    ResultsTree->setHeaderHidden(true);
    ResultsTree->setUniformRowHeights(true);
    ResultsTree->setItemDelegate(new SearchLineDelegate(ResultsTree));
    ResultsTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ResultsTree->setAccessibleName(tr("Results"));
    SummaryLabel = new QLabel(this);
    ProgressLabel = new QLabel(this);
    OutcomeLabel = new QLabel(this);
    OutcomeLabel->setWordWrap(true);
    OutcomeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* options = new QHBoxLayout;
    options->addWidget(MatchCaseBox);
    options->addWidget(WholeWordsBox);
    options->addWidget(RegexBox);
    options->addStretch(1);
    options->addWidget(scopeLabel);
    options->addWidget(ScopeBox);
    auto* grid = new QGridLayout(this);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(FindCombo, 0, 1);
    grid->addWidget(SearchButton, 0, 2);
    grid->addWidget(replaceLabel, 1, 0);
    grid->addWidget(ReplaceCombo, 1, 1);
    grid->addWidget(ReplaceAllButton, 1, 2);
    grid->addLayout(options, 2, 1);
    grid->addWidget(UndoReplaceButton, 2, 2);
    grid->addWidget(ResultsTree, 3, 0, 1, 3);
    grid->addWidget(SummaryLabel, 4, 0, 1, 3);
    grid->addWidget(ProgressLabel, 5, 0, 1, 3);
    grid->addWidget(OutcomeLabel, 6, 0, 1, 3);
    grid->setRowStretch(3, 1);

    QWidget* order[] = {FindCombo, ReplaceCombo, MatchCaseBox, WholeWordsBox,    RegexBox,
                        ScopeBox,  ResultsTree,  SearchButton, ReplaceAllButton, UndoReplaceButton};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }

    auto searchNow = [this] {
        RememberTexts(false);
        StartSearch();
    };
    connect(FindEdit, &QLineEdit::returnPressed, this, searchNow);
    connect(ReplaceEdit, &QLineEdit::returnPressed, this, searchNow);
    connect(SearchButton, &QPushButton::clicked, this, searchNow);
    connect(ReplaceAllButton, &QPushButton::clicked, this, &SearchWindow::ReplaceClicked);
    connect(UndoReplaceButton, &QPushButton::clicked, this, [this] {
        if (UndoReplaceClick) {
            UndoReplaceClick();
        }
    });
    connect(ResultsTree, &QTreeView::activated, this, &SearchWindow::Activated);
    connect(FindEdit, &QLineEdit::textChanged, this, &SearchWindow::Changed);
    connect(ReplaceEdit, &QLineEdit::textChanged, this, &SearchWindow::UpdateButtons);
    for (QCheckBox* box : {MatchCaseBox, WholeWordsBox, RegexBox}) {
        connect(box, &QCheckBox::toggled, this, &SearchWindow::Changed);
    }
    connect(ScopeBox, &QComboBox::currentIndexChanged, this, &SearchWindow::Changed);
    connect(model_, &SearchResultsModel::ChecksChanged, this, &SearchWindow::UpdateButtons);
    auto* close = new QAction(this);
    close->setShortcut(Qt::Key_Escape);
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
    ResultsTree->installEventFilter(this);
    FindEdit->installEventFilter(this);
    ReplaceEdit->installEventFilter(this);
    pending_.setSingleShot(true);
    connect(&pending_, &QTimer::timeout, this, &SearchWindow::StartSearch);
    connect(&poll_, &QTimer::timeout, this, &SearchWindow::Poll);
    UpdateButtons();
}

SearchWindow::~SearchWindow() = default;

bool SearchWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    // Enter on a file's row opens it too, where the view would only fold it.
    if (watched == ResultsTree && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        Activated(ResultsTree->currentIndex());
        return true;
    }
    // An Alt+letter that no enabled button took is no text to type.
    const Qt::KeyboardModifiers held = key->modifiers() & ~Qt::KeypadModifier;
    if ((watched == FindEdit || watched == ReplaceEdit) && held.testFlag(Qt::AltModifier) &&
        !held.testFlag(Qt::ControlModifier) && !key->text().isEmpty()) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SearchWindow::ShowWith(const QString& text, Scope scope) {
    SetScope(scope);
    if (!text.isEmpty()) {
        FindEdit->setText(text);
    }
    show();
    raise();
    activateWindow();
    FindCombo->setFocus();
    FindEdit->selectAll();
}

SearchWindow::Scope SearchWindow::CurrentScope() const {
    return ScopeBox->currentIndex() == 1 ? Scope::OpenFile : Scope::ListedFiles;
}

void SearchWindow::SetScope(Scope scope) {
    ScopeBox->setCurrentIndex(scope == Scope::OpenFile ? 1 : 0);
}

search::SearchOptions SearchWindow::CurrentOptions() const {
    return search::SearchOptions{ToUtf8(FindEdit->text()), ToUtf8(ReplaceEdit->text()),
                                 MatchCaseBox->isChecked(), WholeWordsBox->isChecked(),
                                 RegexBox->isChecked()};
}

void SearchWindow::Changed() {
    // The results no longer answer the fields: a new search a moment after
    // the last change, the one that runs stopped now.
    if (job_) {
        job_->Cancel();
        job_.reset();
        poll_.stop();
    }
    searched_.reset();
    if (SearchChanged) {
        SearchChanged();
    }
    pending_.start(kPendingMs);
    UpdateButtons();
}

void SearchWindow::StartSearch() {
    pending_.stop();
    job_.reset(); // cancels the one that runs
    poll_.stop();
    model_->Clear();
    model_->SetShownFrom(ShownFrom ? ShownFrom() : std::string());
    searched_.reset();
    resultsUsed_ = false;
    error_.clear();
    OutcomeLabel->clear();
    ProgressLabel->clear();
    if (SearchChanged) {
        SearchChanged();
    }
    running_ = CurrentOptions();
    std::shared_ptr<const search::Matcher> matcher =
        running_.find.empty() ? nullptr : search::Matcher::Compile(running_, &error_);
    if (!matcher) {
        replaceWhenDone_ = false;
        SummaryLabel->setText(QString::fromUtf8(error_.data(), qsizetype(error_.size())));
        UpdateButtons();
        return;
    }
    if (CurrentScope() == Scope::OpenFile) {
        std::optional<OpenText> open = OpenFileText ? OpenFileText() : std::nullopt;
        if (!open) {
            replaceWhenDone_ = false;
            SummaryLabel->setText(tr("No file is open"));
            error_ = SummaryLabel->text().toStdString();
            UpdateButtons();
            return;
        }
        job_ = std::make_unique<search::SearchJob>(std::move(open->path), std::move(open->text),
                                                   std::move(matcher));
    } else {
        if (BeforeSearch) {
            BeforeSearch();
        }
        job_ = std::make_unique<search::SearchJob>(
            ListedPaths ? ListedPaths() : std::vector<std::string>{}, std::move(matcher));
    }
    clock_.start();
    UpdateSummary();
    UpdateButtons();
    poll_.start(kPollMs);
}

void SearchWindow::Poll() {
    if (!job_) {
        poll_.stop();
        return;
    }
    std::vector<search::FileResult> results = job_->Take();
    const int first = model_->rowCount();
    size_t lines = 0;
    for (int row = 0; row < first; ++row) {
        lines += size_t(model_->rowCount(model_->index(row, 0)));
    }
    model_->Add(std::move(results));
    for (int row = first; row < model_->rowCount() && lines < kExpandedLines; ++row) {
        const QModelIndex index = model_->index(row, 0);
        ResultsTree->expand(index);
        lines += size_t(model_->rowCount(index));
    }
    if (job_->Finished()) {
        Finished();
        return;
    }
    ProgressLabel->setText(tr("Searching\u2026 %1 of %n file(s)", nullptr, int(job_->FileCount()))
                               .arg(job_->FilesDone()));
    UpdateSummary();
    UpdateButtons();
}

void SearchWindow::Finished() {
    const bool cut = job_->LinesLeftOut();
    ProgressLabel->setText(
        tr("Searched %1 in %2 s%3")
            .arg(CurrentScope() == Scope::OpenFile ? tr("the open file") : Files(job_->FileCount()))
            .arg(double(clock_.elapsed()) / 1000.0, 0, 'f', 2)
            .arg(cut ? tr("; only the first lines of many matches are shown") : QString()));
    job_.reset();
    poll_.stop();
    searched_ = running_;
    UpdateSummary();
    UpdateButtons();
    if (replaceWhenDone_) {
        replaceWhenDone_ = false;
        if (model_->MatchCount() > 0 && ReplaceAllClick) {
            ReplaceAllClick();
        }
    }
}

void SearchWindow::UpdateSummary() {
    QString text = tr("%1 in %2")
                       .arg(tr("%n match(es)", nullptr, int(model_->MatchCount())),
                            Files(model_->FileCount()));
    if (model_->SkippedCount() > 0) {
        text += tr("; %1 skipped").arg(Files(model_->SkippedCount()));
    }
    SummaryLabel->setText(text);
}

std::optional<search::SearchOptions> SearchWindow::SearchedOptions() const {
    if (job_ || pending_.isActive() || !searched_ || resultsUsed_ ||
        !SameSearch(*searched_, CurrentOptions())) {
        return std::nullopt;
    }
    search::SearchOptions options = *searched_;
    options.replace = ToUtf8(ReplaceEdit->text());
    return options;
}

void SearchWindow::ReplaceClicked() {
    if (SearchedOptions()) {
        RememberTexts(true);
        if (ReplaceAllClick) {
            ReplaceAllClick();
        }
        return;
    }
    // Asked for before the results are in: they are awaited (a search that
    // waits for its moment starts now), and the replace follows them.
    if (pending_.isActive() || (!job_ && !searched_)) {
        StartSearch();
    }
    if (job_) {
        RememberTexts(true);
        replaceWhenDone_ = true;
    }
}

void SearchWindow::UpdateButtons() {
    const bool checked = model_->AnyUnchecked();
    ReplaceAllButton->setText(checked ? tr("Repl&ace Checked") : tr("Replace &All"));
    const bool waiting = job_ != nullptr || pending_.isActive();
    const bool findable = !FindEdit->text().isEmpty() && (waiting || error_.empty());
    const bool ready = SearchedOptions().has_value() &&
                       (checked ? model_->CheckedMatchCount() : model_->MatchCount()) > 0;
    ReplaceAllButton->setEnabled(ready || (findable && waiting && !resultsUsed_));
    UndoReplaceButton->setEnabled(undoAvailable_ && !job_);
}

void SearchWindow::SetResultsUsed() {
    resultsUsed_ = true;
    UpdateButtons();
}

void SearchWindow::SetOutcome(const QString& text) {
    OutcomeLabel->setText(text);
}

void SearchWindow::SetUndoAvailable(bool available) {
    undoAvailable_ = available;
    UpdateButtons();
}

QStringList SearchWindow::FindHistory() const {
    return Items(FindCombo);
}

QStringList SearchWindow::ReplaceHistory() const {
    return Items(ReplaceCombo);
}

void SearchWindow::SetHistory(const QStringList& finds, const QStringList& replaces) {
    for (auto [combo, items] : {std::pair{FindCombo, &finds}, std::pair{ReplaceCombo, &replaces}}) {
        const QString field = combo->currentText();
        const QSignalBlocker quiet(combo), quietField(combo->lineEdit());
        combo->clear();
        combo->addItems(items->mid(0, kHistory));
        combo->setCurrentIndex(-1);
        combo->setEditText(field);
    }
}

void SearchWindow::RememberTexts(bool replace) {
    Remember(FindCombo, FindEdit->text());
    if (replace) {
        Remember(ReplaceCombo, ReplaceEdit->text());
    }
}

void SearchWindow::Activated(const QModelIndex& index) {
    const search::FileResult* file = model_->FileAt(index);
    if (file == nullptr || !OpenResult) {
        return;
    }
    const search::MatchLine* line = model_->LineAt(index);
    if (line == nullptr && !file->lines.empty()) {
        line = &file->lines.front();
    }
    if (line != nullptr) {
        RememberTexts(false);
        OpenResult(*file, *line);
    }
}

} // namespace sheafpad
