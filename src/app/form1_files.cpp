// SPDX-License-Identifier: GPL-3.0-or-later
// The file list: rebuilt from the directory field and the type list.
#include "app/form1.h"

#include "files/file_list.h"
#include "widgets/directory_edit.h"
#include "widgets/file_list_model.h"
#include "widgets/site_list.h"

#include <QListView>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>
#include <utility>

namespace sheafpad {

namespace {
// The lines as typed: the document's raw text, since toPlainText() would
// turn a no-break space into a space. Its paragraph and line separators are
// line breaks.
std::vector<std::string> TypeLines(const QPlainTextEdit* memo) {
    QString raw = memo->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    const QByteArray text = raw.toUtf8();
    return SplitLines(std::string_view(text.constData(), size_t(text.size())));
}
} // namespace

void TForm1::RefreshFileList() {
    // The selection is cleared; the pane, LoadedFName and the changed flag
    // are not touched.
    site_->Show(dirEdit->Text(), TypeLines(TypesMemo));
}

void TForm1::TypesMemoChange() {
    RefreshFileList();
}

void TForm1::dirEditChange() {
    RefreshFileList();
}

void TForm1::ApplyStartPlace() {
    if (startFolder_.empty()) {
        return;
    }
    dirEdit->SetInitialDir(startFolder_);
    dirEdit->SetText(startFolder_);
    const std::string name = std::exchange(startName_, {});
    startFolder_.clear();
    if (name.empty()) {
        return;
    }
    if (!FileTypes(TypeLines(TypesMemo)).Matches(name)) {
        // Its extension (or, without one, its name) joins the patterns, so
        // that the file is listed with its kind, and can be selected.
        const size_t dot = name.rfind('.');
        const std::string pattern = dot == std::string::npos || dot == 0 ? name : name.substr(dot);
        TypesMemo->appendPlainText(QString::fromUtf8(pattern.data(), qsizetype(pattern.size())));
    }
    const std::vector<std::string>& names = filesModel->Names();
    const auto it = std::find(names.begin(), names.end(), name);
    if (it != names.end()) {
        // As a click on it: the selection event opens the file.
        const QModelIndex row = filesModel->index(int(it - names.begin()));
        filesLB->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
        filesLB->scrollTo(row);
    }
}

std::optional<std::string> TForm1::SelectedName() const {
    const QModelIndexList rows = filesLB->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    return filesModel->NameAt(rows.first().row());
}

} // namespace sheafpad
