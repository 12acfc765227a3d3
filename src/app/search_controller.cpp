// SPDX-License-Identifier: GPL-3.0-or-later
// The search window for the main window: made, shown, its results opened
// in the pane, its drop-downs kept in the settings.
#include "app/search_controller.h"

#include "base/errors.h"
#include "search/file_search.h"
#include "search/replace_record.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "widgets/error_display.h"
#include "widgets/rich_edit.h"
#include "widgets/search_results.h"
#include "widgets/utf8_text.h"

#include <QLineEdit>

namespace sheafpad {

namespace {

QStringList ReadList(TIniFile& ini, const char* key) {
    QStringList items;
    for (int i = 1; i <= settings::kSearchHistory; ++i) {
        const std::string item =
            ini.ReadString(settings::kSearchSection, key + std::to_string(i), "");
        if (!item.empty()) {
            items.append(FromUtf8(item));
        }
    }
    return items;
}

void WriteList(TIniFile& ini, const char* key, const QStringList& items) {
    for (int i = 1; i <= settings::kSearchHistory; ++i) {
        // A line break cannot be kept in a line of the file: such a text is left out.
        std::string item = i <= items.size() ? ToUtf8(items[i - 1]) : std::string();
        if (item.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
            item.clear();
        }
        const std::string name = key + std::to_string(i);
        if (!item.empty() || !ini.ReadString(settings::kSearchSection, name, "").empty()) {
            ini.WriteString(settings::kSearchSection, name, item);
        }
    }
}

} // namespace

SearchController::SearchController(Host host, QObject* parent)
    : QObject(parent), host_(std::move(host)) {}

SearchController::~SearchController() = default;

void SearchController::MakeWindow() {
    window_ = new SearchWindow(host_.window);
    window_->setFont(host_.window->font());
    window_->SetHistory(finds_, replaces_);
    window_->ListedPaths = host_.listedPaths;
    window_->ShownFrom = host_.folder;
    window_->OpenFileText = [this]() -> std::optional<SearchWindow::OpenText> {
        const std::string path = host_.openFile();
        if (path.empty()) {
            return std::nullopt;
        }
        return SearchWindow::OpenText{path, ToUtf8(host_.pane->toPlainText())};
    };
    // What the pane shows is what is searched: the open file is written
    // back first, as when another file is chosen.
    window_->BeforeSearch = [this] {
        ErrorDisplay::Guard([this] { host_.saveIfChanged(); });
        searchedRevision_ = host_.pane->Buffer().Revision();
    };
    window_->SearchChanged = [this] { ClearMarks(); };
    window_->OpenResult = [this](const search::FileResult& file, const search::MatchLine& line) {
        ErrorDisplay::Guard([&] { OpenResult(file, line); });
    };
    window_->ReplaceAllClick = [this] { ErrorDisplay::Guard([this] { ReplaceAll(); }); };
    window_->UndoReplaceClick = [this] { ErrorDisplay::Guard([this] { UndoReplace(); }); };
}

void SearchController::Show(SearchWindow::Scope scope) {
    if (window_ == nullptr) {
        MakeWindow();
    }
    window_->SetUndoAvailable(search::HasReplaceRecord(ReplaceFolder()));
    // The pane's selection when it is on one line, else the last search's text.
    const QString selected = host_.pane->SelectedPlainText();
    window_->ShowWith(selected.contains(u'\n') ? QString() : selected, scope);
}

void SearchController::OpenResult(const search::FileResult& file, const search::MatchLine& line) {
    if (host_.openFile() != file.path) {
        host_.openListed(file.path);
    }
    if (host_.openFile() != file.path) {
        return; // it could not be opened: the reason was shown
    }
    host_.window->activateWindow();
    host_.window->raise();
    host_.pane->setFocus();
    // Where the search found the matches, moved along the edits made since
    // (since the search, or since the load when the file was opened later);
    // a match an edit has touched is no longer marked.
    const TextHistory& history = host_.pane->Buffer().History();
    const uint64_t searched = std::max(searchedRevision_, history.FirstRevision());
    auto now = [&](const search::MatchLine& match) {
        const TextRange found{size_t(match.panePos), size_t(match.panePos + match.paneLength)};
        return history.Move(found, searched).value_or(found);
    };
    const TextRange selected = now(line);
    host_.pane->SetSelection(qsizetype(selected.start), qsizetype(selected.end));
    // The search's other matches in the file, on a light ground.
    TextView::MarkedRanges marks;
    marks.reserve(file.lines.size());
    for (const search::MatchLine& match : file.lines) {
        const TextRange mark = now(match);
        if (mark.end - mark.start != match.paneLength ||
            (!marks.empty() && qsizetype(mark.start) < marks.back().first + marks.back().second)) {
            continue;
        }
        marks.emplace_back(qsizetype(mark.start), qsizetype(mark.end - mark.start));
    }
    host_.pane->SetMarkedRanges(std::move(marks));
    markedFile_ = file.path;
}

std::string SearchController::ReplaceFolder() const {
    std::string folder = host_.folder();
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

void SearchController::ClearMarks() {
    if (!markedFile_.empty()) {
        host_.pane->SetMarkedRanges({});
        markedFile_.clear();
    }
}

void SearchController::ReadSettings(TIniFile& ini) {
    finds_ = ReadList(ini, settings::kFindHistory);
    replaces_ = ReadList(ini, settings::kReplaceHistory);
    if (window_ != nullptr) {
        window_->SetHistory(finds_, replaces_);
    }
}

void SearchController::WriteSettings(TIniFile& ini) const {
    WriteList(ini, settings::kFindHistory, window_ ? window_->FindHistory() : finds_);
    WriteList(ini, settings::kReplaceHistory, window_ ? window_->ReplaceHistory() : replaces_);
}

} // namespace sheafpad
