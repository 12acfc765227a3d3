// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/search_window.h"

#include "widgets/accessible_role.h"
#include "widgets/search_results.h"

#include <QAction>
#include <QCheckBox>
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
constexpr int kPollMs = 40;
// Files whose lines are shown expanded as they arrive; later ones start folded.
constexpr size_t kExpandedLines = 5000;

std::string Utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

QString Count(size_t n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// The options that say what is found (the replace text aside).
bool SameSearch(search::SearchOptions a, search::SearchOptions b) {
    a.replace.clear();
    b.replace.clear();
    return a == b;
}

} // namespace

SearchWindow::SearchWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("SearchWindow"));
    SetAccessibleRole(this, QAccessible::Window); // announced as a window when it opens
    setWindowTitle(tr("Search in Files"));
    resize(640, 460);

    FindEdit = new QLineEdit(this);
    ReplaceEdit = new QLineEdit(this);
    auto* findLabel = new QLabel(tr("&Find:"), this);
    findLabel->setBuddy(FindEdit);
    auto* replaceLabel = new QLabel(tr("Re&place with:"), this);
    replaceLabel->setBuddy(ReplaceEdit);
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

    FindEdit->setAccessibleName(tr("Find text"));
    ReplaceEdit->setAccessibleName(tr("Replace text"));
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
    auto* grid = new QGridLayout(this);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(FindEdit, 0, 1);
    grid->addWidget(SearchButton, 0, 2);
    grid->addWidget(replaceLabel, 1, 0);
    grid->addWidget(ReplaceEdit, 1, 1);
    grid->addWidget(ReplaceAllButton, 1, 2);
    grid->addLayout(options, 2, 1);
    grid->addWidget(UndoReplaceButton, 2, 2);
    grid->addWidget(ResultsTree, 3, 0, 1, 3);
    grid->addWidget(SummaryLabel, 4, 0, 1, 3);
    grid->addWidget(ProgressLabel, 5, 0, 1, 3);
    grid->addWidget(OutcomeLabel, 6, 0, 1, 3);
    grid->setRowStretch(3, 1);

    QWidget* order[] = {FindEdit,    ReplaceEdit,  MatchCaseBox,     WholeWordsBox,    RegexBox,
                        ResultsTree, SearchButton, ReplaceAllButton, UndoReplaceButton};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }

    connect(FindEdit, &QLineEdit::returnPressed, this, &SearchWindow::StartSearch);
    connect(ReplaceEdit, &QLineEdit::returnPressed, this, &SearchWindow::StartSearch);
    connect(SearchButton, &QPushButton::clicked, this, &SearchWindow::StartSearch);
    connect(ReplaceAllButton, &QPushButton::clicked, this, [this] {
        if (ReplaceAllClick) {
            ReplaceAllClick();
        }
    });
    connect(UndoReplaceButton, &QPushButton::clicked, this, [this] {
        if (UndoReplaceClick) {
            UndoReplaceClick();
        }
    });
    connect(ResultsTree, &QTreeView::activated, this, &SearchWindow::Activated);
    for (QLineEdit* edit : {FindEdit, ReplaceEdit}) {
        connect(edit, &QLineEdit::textChanged, this, &SearchWindow::UpdateButtons);
    }
    for (QCheckBox* box : {MatchCaseBox, WholeWordsBox, RegexBox}) {
        connect(box, &QCheckBox::toggled, this, &SearchWindow::UpdateButtons);
    }
    auto* close = new QAction(this);
    close->setShortcut(Qt::Key_Escape);
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
    ResultsTree->installEventFilter(this);
    connect(&poll_, &QTimer::timeout, this, &SearchWindow::Poll);
    UpdateButtons();
}

SearchWindow::~SearchWindow() = default;

bool SearchWindow::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a file's row opens it too, where the view would only fold it.
    if (watched == ResultsTree && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Activated(ResultsTree->currentIndex());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SearchWindow::ShowWith(const QString& text) {
    if (!text.isEmpty()) {
        FindEdit->setText(text);
    }
    show();
    raise();
    activateWindow();
    FindEdit->setFocus();
    FindEdit->selectAll();
}

search::SearchOptions SearchWindow::CurrentOptions() const {
    return search::SearchOptions{Utf8(FindEdit->text()), Utf8(ReplaceEdit->text()),
                                 MatchCaseBox->isChecked(), WholeWordsBox->isChecked(),
                                 RegexBox->isChecked()};
}

void SearchWindow::StartSearch() {
    job_.reset(); // cancels the one that runs
    poll_.stop();
    model_->Clear();
    model_->SetShownFrom(ShownFrom ? ShownFrom() : std::string());
    searched_.reset();
    resultsUsed_ = false;
    OutcomeLabel->clear();
    ProgressLabel->clear();
    if (BeforeSearch) {
        BeforeSearch();
    }
    running_ = CurrentOptions();
    std::string error;
    std::shared_ptr<const search::Matcher> matcher = search::Matcher::Compile(running_, &error);
    if (!matcher) {
        SummaryLabel->setText(QString::fromUtf8(error.data(), qsizetype(error.size())));
        UpdateButtons();
        return;
    }
    job_ = std::make_unique<search::SearchJob>(Scope ? Scope() : std::vector<std::string>{},
                                               std::move(matcher));
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
        const bool cut = job_->LinesLeftOut();
        ProgressLabel->setText(
            tr("Searched %1 in %2 s%3")
                .arg(Count(job_->FileCount(), "file", "files"))
                .arg(double(clock_.elapsed()) / 1000.0, 0, 'f', 2)
                .arg(cut ? tr("; only the first lines of many matches are shown") : QString()));
        job_.reset();
        poll_.stop();
        searched_ = running_;
    } else {
        ProgressLabel->setText(
            tr("Searching\u2026 %1 of %2 files").arg(job_->FilesDone()).arg(job_->FileCount()));
    }
    UpdateSummary();
    UpdateButtons();
}

void SearchWindow::UpdateSummary() {
    QString text = tr("%1 in %2")
                       .arg(Count(model_->MatchCount(), "match", "matches"),
                            Count(model_->FileCount(), "file", "files"));
    if (model_->SkippedCount() > 0) {
        text += tr("; %1 skipped").arg(Count(model_->SkippedCount(), "file", "files"));
    }
    SummaryLabel->setText(text);
}

std::optional<search::SearchOptions> SearchWindow::SearchedOptions() const {
    if (job_ || !searched_ || resultsUsed_ || !SameSearch(*searched_, CurrentOptions())) {
        return std::nullopt;
    }
    search::SearchOptions options = *searched_;
    options.replace = Utf8(ReplaceEdit->text());
    return options;
}

void SearchWindow::UpdateButtons() {
    ReplaceAllButton->setEnabled(SearchedOptions().has_value() && model_->MatchCount() > 0);
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
        OpenResult(*file, *line);
    }
}

} // namespace sheafpad
