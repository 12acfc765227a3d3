// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pane_habits.h"

#include "app/find_controller.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "widgets/pane_helpers.h"
#include "widgets/pane_status.h"
#include "widgets/rich_edit.h"
#include "widgets/syntax_colouring.h"

#include <QAction>
#include <QMenu>

namespace sheafpad {

PaneHabits::PaneHabits(TRichEdit* pane, StatusLine* status, SyntaxColouring* colours, QMenu* menu,
                       std::function<syntax::Language()> language)
    : QObject(pane), pane_(pane) {
    find_ = new FindController(pane, status);
    goTo_ = new GoToLine(pane);
    comments_ = new CommentToggler(pane, std::move(language));
    pairs_ = new PairHighlighter(pane, colours);
    status_ = new PaneStatus(pane, status);
    menu->addSeparator();
    lineNumbers_ = menu->addAction(tr("Line Numbers"));
    lineNumbers_->setObjectName(QStringLiteral("LineNumbers1"));
    wordWrap_ = menu->addAction(tr("Word Wrap"));
    wordWrap_->setObjectName(QStringLiteral("WordWrap1"));
    for (QAction* action : {lineNumbers_, wordWrap_}) {
        action->setCheckable(true);
        action->setChecked(true);
    }
    connect(lineNumbers_, &QAction::toggled, pane, &TextView::SetLineNumbers);
    connect(wordWrap_, &QAction::toggled, pane, &TextView::SetWordWrap);
}

void PaneHabits::Settings(TIniFile& ini, bool write) {
    using namespace settings;
    if (write) {
        ini.WriteInteger(kPaneSection, kLineNumbers, pane_->LineNumbers() ? 1 : 0);
        ini.WriteInteger(kPaneSection, kWrap, pane_->WordWrap() ? 1 : 0);
    } else {
        lineNumbers_->setChecked(ini.ReadInteger(kPaneSection, kLineNumbers, 1) != 0);
        wordWrap_->setChecked(ini.ReadInteger(kPaneSection, kWrap, 1) != 0);
    }
}

} // namespace sheafpad
