// SPDX-License-Identifier: GPL-3.0-or-later
// The site's links in the window: the index and its report (Ctrl+Shift+L,
// "Check Links"), following a link and completing one; the work is the
// controllers'.
#include "app/form1.h"

#include "app/link_completer.h"
#include "app/link_follower.h"
#include "app/links_controller.h"
#include "base/errors.h"
#include "files/file_list.h"
#include "platform/file_io.h"
#include "widgets/directory_edit.h"
#include "widgets/error_display.h"
#include "widgets/file_list_model.h"
#include "widgets/rich_edit.h"
#include "widgets/site_list.h"
#include "widgets/status_line.h"
#include "widgets/syntax_colouring.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>

namespace sheafpad {

std::string TForm1::OpenSitePath() const {
    if (!PaneHoldsLoadedFile || LoadedFName.empty()) {
        return {};
    }
    std::string root = platform::AbsolutePath(site_->Tree().Root());
    if (!root.ends_with('/')) {
        root += '/';
    }
    return LoadedFName.starts_with(root) ? LoadedFName.substr(root.size()) : std::string();
}

void TForm1::ConnectLinks() {
    LinksController::Window window;
    window.openPath = [this] { return OpenSitePath(); };
    window.saveIfChanged = [this] { SaveIfChanged(); };
    window.showReport = [this](const std::vector<std::string>& lines) {
        // As Check's report: no name selected, the pane holds no file's text.
        filesLB->selectionModel()->clearSelection();
        PaneHoldsLoadedFile = false;
        Colours->SetLanguage(syntax::Language::Plain);
        Memo1->SetReadOnly(true);
        Memo1->ClearText();
        for (const std::string& line : lines) {
            Memo1->AppendLine(QString::fromUtf8(line.data(), qsizetype(line.size())));
        }
        Memo1->SetCaret(0);
        Memo1->setFocus();
    };
    window.openAt = [this](const std::string& path, uint32_t line, uint32_t column) {
        OpenListed(platform::AbsolutePath(site_->Tree().FullPath(path)));
        if (!PaneHoldsLoadedFile) {
            return; // the open failed, and said so
        }
        const TextBuffer& text = Memo1->Buffer();
        const size_t row = std::min<size_t>(line - 1, text.LineCount() - 1);
        Memo1->SetCaret(
            qsizetype(text.LineStart(row) + std::min<size_t>(column - 1, text.LineLength(row))));
        Memo1->setFocus();
    };
    links_ = new LinksController(site_, Memo1, std::move(window), this);

    LinkFollower::Window follow;
    follow.openPath = [this] { return OpenSitePath(); };
    follow.root = [this] { return site_->Tree().Root(); };
    follow.listed = [this](const std::string& path) {
        return site_->Tree().RowOf(path).has_value();
    };
    follow.open = [this](const std::string& path) {
        OpenListed(platform::AbsolutePath(site_->Tree().FullPath(path)));
    };
    follow.say = [this](const QString& text) { Status->ShowMessage(text); };
    follower_ = new LinkFollower(links_, Memo1, std::move(follow), this);

    LinkCompleter::Window complete;
    complete.openPath = [this] { return OpenSitePath(); };
    complete.root = [this] { return site_->Tree().Root(); };
    complete.listed = [this] { return site_->Tree().Paths(); };
    completer_ = new LinkCompleter(links_, Memo1, std::move(complete), this);

    CheckLinks1 = new QAction(tr("Check &Links"), this);
    CheckLinks1->setObjectName(QStringLiteral("CheckLinks1"));
    CheckLinks1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    CheckLinks1->setShortcutContext(Qt::WindowShortcut);
    addAction(CheckLinks1);
    FilesPopupMenu->addAction(CheckLinks1);
    connect(CheckLinks1, &QAction::triggered, this,
            [this] { ErrorDisplay::Guard([this] { links_->ShowReport(); }); });
}

} // namespace sheafpad
