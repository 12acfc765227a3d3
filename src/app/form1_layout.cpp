// SPDX-License-Identifier: GPL-3.0-or-later
// The window's controls: names, places (pixels at 96 dpi), texts, tool-tips,
// tab order, and the wiring of their events to the handlers.
#include "app/form1.h"

#include "app/intro_text.h"
#include "app/pane_habits.h"
#include "app/tooltip_style.h"
#include "syntax/syntax_language.h"
#include "widgets/about_box.h"
#include "widgets/accessible_role.h"
#include "widgets/directory_edit.h"
#include "widgets/error_display.h"
#include "widgets/file_list_model.h"
#include "widgets/file_list_view.h"
#include "widgets/line_edit_accessible.h"
#include "widgets/rich_edit.h"
#include "widgets/site_list.h"
#include "widgets/status_line.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>
#include <functional>

namespace sheafpad {

namespace {

constexpr int kSubfoldersBoxHeight = 17;
// Beside the text: a line edit's two-pixel margin each side, the caret, and
// a pixel or two that hinting at another scale may add.
constexpr int kPromptMargin = 2 * 2 + 1 + 2;
// Beside a button's text: a pixel each side of the frame, and one more each
// side so that the text does not touch it.
constexpr int kButtonTextMargin = 4;
// The least room between two controls of a row: they never overlap (the
// layout's own texts in a desktop's font leave no more than one pixel).
constexpr int kRowGap = 1;

template <typename T> T* Make(QWidget* parent, const char* name, QRect place = {}) {
    auto* widget = new T(parent);
    widget->setObjectName(QLatin1String(name));
    if (!place.isNull()) {
        widget->setGeometry(place);
    }
    return widget;
}

// A panel. Only the control panel draws a raised edge; its children are
// placed absolutely, so the edge takes no room from them.
QFrame* MakePanel(QWidget* parent, const char* name, bool raised) {
    auto* panel = Make<QFrame>(parent, name);
    SetAccessibleRole(panel, QAccessible::Pane); // not a nested frame
    if (raised) {
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Raised);
    }
    return panel;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& place, const QString& tip) {
    auto* button = Make<QPushButton>(parent, name, place);
    button->setText(caption);
    button->setToolTip(tip);
    button->setAutoDefault(false);
    return button;
}

// A left-button press on the row that is already selected changes no
// selection, so no selection event reports it; yet it is a click on a name.
// This reports it, once the list has handled the press, through onReselect.
class ReselectWatcher : public QObject {
public:
    ReselectWatcher(QListView* list, std::function<void()> onReselect)
        : QObject(list), list_(list), onReselect_(std::move(onReselect)) {
        list->viewport()->installEventFilter(this);
        connect(list, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
            const bool again = index.isValid() && index == pressedSelected_ &&
                               list_->selectionModel()->isSelected(index);
            pressedSelected_ = QPersistentModelIndex();
            if (again) {
                onReselect_();
            }
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QModelIndex index = list_->indexAt(mouse->position().toPoint());
            const bool selected =
                mouse->button() == Qt::LeftButton && list_->selectionModel()->isSelected(index);
            pressedSelected_ = selected ? QPersistentModelIndex(index) : QPersistentModelIndex();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QListView* list_;
    std::function<void()> onReselect_;
    QPersistentModelIndex pressedSelected_; // pressed while already selected
};

} // namespace

void TForm1::CreateControls() {
    // Before the first field is made: the fields' accessible text is the
    // program's own (see line_edit_accessible.h).
    InstallLineEditAccessibility();
    SetAccessibleRole(this, QAccessible::Window); // an application's window is a frame
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Sheafpad"));
    QFont windowFont = font();
    windowFont.setPointSize(8);
    setFont(windowFont);

    Panel1 = MakePanel(this, "Panel1", false);
    Panel1->setFixedWidth(169);
    Panel2 = MakePanel(Panel1, "Panel2", true);
    Panel2->setFixedHeight(184 + kSubfoldersBoxHeight);
    Panel3 = MakePanel(Panel1, "Panel3", false);

    TypesMemo = Make<QPlainTextEdit>(Panel2, "TypesMemo", {8, 8, 145, 73});
    TypesMemo->setPlainText(QStringLiteral(".htm\n.html\n.js"));
    TypesMemo->setToolTip(tr("List of file extensions you wish to edit"));
    // Names for screen readers, in the tool-tips' words; the tips describe.
    TypesMemo->setAccessibleName(tr("File extensions"));
    TypesMemo->setTabChangesFocus(true);
    TypesMemo->setLineWrapMode(QPlainTextEdit::NoWrap);

    dirEdit = Make<TJvDirectoryEdit>(Panel2, "dirEdit", {8, 88, 145, 21});
    dirEdit->SetDirectInput(false);
    dirEdit->SetText("dirEdit");
    dirEdit->setToolTip(tr("Directory in which the editable files will be found"));
    dirEdit->setAccessibleName(tr("Directory"));

    FindEdit = Make<QLineEdit>(Panel2, "FindEdit", {8, 112, 145, 21});
    FindEdit->setText(tr(kFindPrompt));
    FindEdit->setCursorPosition(0);
    FindEdit->setToolTip(
        tr("Type text you wish to \"find\" here.  The current file will be searched starting at "
           "the cursor if you press <Enter> or <F3>"));
    FindEdit->setAccessibleName(tr("Find text"));
    WidenForPrompt();

    CheckButton = MakeButton(Panel2, "CheckButton", tr("Check"), {8, 140, 41, 17},
                             tr("Check for file names that do not occur in any other file"));
    QuitButton =
        MakeButton(Panel2, "QuitButton", tr("&Quit"), {112, 140, 41, 17}, tr("Quit this program"));

    lNeedsSave = Make<QLabel>(Panel2, "lNeedsSave", {8, 163, 51, 13});
    lNeedsSave->setText(tr("Changed"));
    QFont bold = lNeedsSave->font();
    bold.setBold(true);
    lNeedsSave->setFont(bold);
    lNeedsSave->setStyleSheet(QStringLiteral("color: red;"));
    // The label sizes itself to its text, so a wider system font never cuts it.
    lNeedsSave->resize(std::max(51, lNeedsSave->sizeHint().width()), 13);
    lNeedsSave->hide();

    SaveButton = MakeButton(Panel2, "SaveButton", tr("Save"), {64, 162, 41, 17},
                            tr("Save currently displayed file, whether changed or not"));
    CancelButton = MakeButton(Panel2, "CancelButton", tr("Cancel"), {112, 162, 41, 17},
                              tr("Cancel automatic save for currently displayed file"));
    // Shown with the label, only while there is something to save: not
    // under the questions and messages of start-up.
    SaveButton->hide();
    CancelButton->hide();
    FitButtonsToTexts();

    // Under the Save and Cancel row, in the room that Panel2 grew by.
    // As wide as the column of fields.
    SubfoldersBox =
        Make<QCheckBox>(Panel2, "SubfoldersBox", {8, 182, FindEdit->width(), kSubfoldersBoxHeight});
    SubfoldersBox->setText(tr("&Include subfolders"));
    SubfoldersBox->setToolTip(tr("List the files of every folder below this one too"));

    site_ = new SiteList(this);
    filesModel = site_->Model();
    filesLB = Make<FileListView>(Panel3, "filesLB");
    filesLB->setModel(filesModel);
    filesLB->setSelectionMode(QAbstractItemView::SingleSelection);
    filesLB->setUniformItemSizes(true);
    filesLB->setEditTriggers(QAbstractItemView::NoEditTriggers);
    filesLB->setToolTip(
        tr("Click on a file to start editing it.  Current file will be saved first if it has been "
           "changed/edited."));
    filesLB->setAccessibleName(tr("Files"));
    // A click must leave the focus where the handler put it (the pane), so the
    // list takes the focus from the keyboard only.
    filesLB->setFocusPolicy(Qt::TabFocus);

    Memo1 = Make<TRichEdit>(this, "Memo1"); // in the desktop's fixed-pitch font
    Memo1->setAccessibleName(tr("File text"));
    for (const QString& line : IntroductionLines()) {
        Memo1->AppendLine(line);
    }
    Memo1->SetCaret(0);

    MemoPopupMenu = Make<QMenu>(this, "MemoPopupMenu");
    Copy1 = MemoPopupMenu->addAction(tr("Copy"));
    Copy1->setObjectName(QStringLiteral("Copy1"));
    Cut1 = MemoPopupMenu->addAction(tr("Cut"));
    Cut1->setObjectName(QStringLiteral("Cut1"));
    Paste1 = MemoPopupMenu->addAction(tr("Paste"));
    Paste1->setObjectName(QStringLiteral("Paste1"));

    // Panel1 docked left (Panel2 on top, Panel3 filling), Memo1 filling the rest.
    auto* left = new QVBoxLayout(Panel1);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    left->addWidget(Panel2);
    left->addWidget(Panel3, 1);
    auto* fill = new QVBoxLayout(Panel3);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(filesLB);
    auto* window = new QHBoxLayout(this);
    // The window takes the bounds it is given, even smaller than its
    // controls need: the layout sets it no minimum size.
    window->setSizeConstraint(QLayout::SetNoConstraint);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    window->addWidget(Panel1);
    // The pane, and the status line under it.
    auto* paneColumn = new QVBoxLayout;
    paneColumn->setContentsMargins(0, 0, 0, 0);
    paneColumn->setSpacing(0);
    paneColumn->addWidget(Memo1, 1);
    Status = Make<StatusLine>(this, "Status");
    paneColumn->addWidget(Status);
    window->addLayout(paneColumn, 1);
}

void TForm1::WidenForPrompt() {
    // The layout's 145 pixels were made for a narrower font than a desktop's:
    // the find field's prompt would be cut. The column of fields, and the
    // panel with it, grow by what the prompt lacks; the buttons keep their
    // places. Font sizes are in points, so this holds at any scale.
    QStyleOptionFrame frame;
    frame.initFrom(FindEdit);
    frame.lineWidth =
        FindEdit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, FindEdit);
    const QFontMetrics metrics(FindEdit->font());
    const int textWidth = metrics.horizontalAdvance(FindEdit->text()) + kPromptMargin;
    const int needed = FindEdit->style()
                           ->sizeFromContents(QStyle::CT_LineEdit, &frame,
                                              QSize(textWidth, metrics.height()), FindEdit)
                           .width();
    GrowColumn(needed - FindEdit->width());
}

void TForm1::GrowColumn(int grow) {
    if (grow <= 0) {
        return;
    }
    for (QWidget* field : {static_cast<QWidget*>(TypesMemo), static_cast<QWidget*>(dirEdit),
                           static_cast<QWidget*>(FindEdit)}) {
        field->resize(field->width() + grow, field->height());
    }
    Panel1->setFixedWidth(Panel1->width() + grow);
}

void TForm1::FitButtonsToTexts() {
    // The layout's 41 pixels hold its English words. A longer word of another
    // language widens its button; what follows in the row moves right by as
    // much, and the column grows when the row would pass its edge. English
    // texts fit, so nothing moves for them.
    const std::vector<QWidget*> rows[] = {{CheckButton, QuitButton},
                                          {lNeedsSave, SaveButton, CancelButton}};
    int overflow = 0;
    for (const std::vector<QWidget*>& row : rows) {
        int next = 0; // where the next control may start
        for (QWidget* control : row) {
            int width = control->width();
            if (auto* button = qobject_cast<QPushButton*>(control)) {
                const QString shown = QString(button->text()).remove(QChar('&'));
                width = std::max(width, button->fontMetrics().horizontalAdvance(shown) +
                                            kButtonTextMargin);
            }
            const int x = std::max(control->x(), next);
            control->setGeometry(x, control->y(), width, control->height());
            next = x + width + kRowGap;
        }
        overflow = std::max(overflow, next - kRowGap - (FindEdit->x() + FindEdit->width()));
    }
    GrowColumn(overflow);
}

void TForm1::SetToolTipDurations() {
    for (QWidget* control : findChildren<QWidget*>()) {
        if (!control->toolTip().isEmpty()) {
            control->setToolTipDuration(kToolTipDurationMs);
        }
    }
}

void TForm1::SetTabOrder() {
    QWidget* order[] = {TypesMemo,  dirEdit,     CancelButton,  QuitButton, FindEdit,
                        SaveButton, CheckButton, SubfoldersBox, filesLB,    Memo1};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
}

void TForm1::ConnectHandlers() {
    // Every handler runs through the guard: a failure is shown, then the event
    // loop goes on with the state the handler left.
    auto on = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
        connect(sender, signal, this,
                [this, handler] { ErrorDisplay::Guard([&] { (this->*handler)(); }); });
    };
    on(TypesMemo, &QPlainTextEdit::textChanged, &TForm1::TypesMemoChange);
    on(dirEdit, &TJvDirectoryEdit::OnChange, &TForm1::dirEditChange);
    on(QuitButton, &QPushButton::clicked, &TForm1::QuitButtonClick);
    on(SaveButton, &QPushButton::clicked, &TForm1::SaveButtonClick);
    on(CancelButton, &QPushButton::clicked, &TForm1::CancelButtonClick);
    on(CheckButton, &QPushButton::clicked, &TForm1::CheckButtonClick);
    on(Copy1, &QAction::triggered, &TForm1::Copy1Click);
    on(Cut1, &QAction::triggered, &TForm1::Cut1Click);
    on(Paste1, &QAction::triggered, &TForm1::Paste1Click);
    on(filesLB, &QListView::doubleClicked, &TForm1::filesLBDblClick);
    // A selection event: a click or a key that moves the selection to a name.
    connect(filesLB->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!selected.isEmpty()) {
                    ErrorDisplay::Guard([this] { filesLBClick(); });
                }
            });
    // A click on the selected name is a selection event too: after a failed
    // save or open it tries again; on the current file it saves and reloads.
    new ReselectWatcher(filesLB, [this] { ErrorDisplay::Guard([this] { filesLBClick(); }); });
    for (QWidget* control : {static_cast<QWidget*>(TypesMemo), static_cast<QWidget*>(FindEdit),
                             static_cast<QWidget*>(filesLB)}) {
        control->installEventFilter(this);
    }
    ConnectPaneHandlers();
    ConnectColours();
    // Its switches go in the pane's menu, before the About entry.
    habits_ = new PaneHabits(Memo1, Status, Colours.get(), MemoPopupMenu, [this] {
        return PaneHoldsLoadedFile ? syntax::LanguageForFileName(LoadedFName)
                                   : syntax::Language::Plain;
    });
}

void TForm1::AddAboutEntry() {
    MemoPopupMenu->addSeparator();
    About1 = MemoPopupMenu->addAction(tr("About Sheafpad"));
    About1->setObjectName(QStringLiteral("About1"));
    connect(About1, &QAction::triggered, this,
            [this] { ErrorDisplay::Guard([this] { About1Click(); }); });
}

void TForm1::About1Click() {
    AboutBox::Show(QStringLiteral(SHEAFPAD_VERSION), this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    int key = keyEvent->key();
    ErrorDisplay::Guard([&] { FindEditKeyDown(key, watched != TypesMemo); });
    if (key != 0) {
        return false;
    }
    // The key was used. Enter still types its line break in the type list.
    const bool isEnter = keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter;
    return !(watched == TypesMemo && isEnter);
}

} // namespace sheafpad
