// The file list: rebuilt from the directory field and the type list.
#include "app/form1.h"

#include "files/file_list.h"
#include "widgets/directory_edit.h"
#include "widgets/file_list_model.h"

#include <QListView>
#include <QPlainTextEdit>

namespace sheafpad {

namespace {
std::vector<std::string> TypeLines(const QPlainTextEdit* memo) {
    const QByteArray text = memo->toPlainText().toUtf8();
    return SplitLines(std::string_view(text.constData(), size_t(text.size())));
}
} // namespace

void TForm1::RefreshFileList() {
    // Clearing the model clears the selection with it; the pane, LoadedFName
    // and the changed flag are not touched.
    filesModel->SetNames(ListMatchingFiles(dirEdit->Text(), FileTypes(TypeLines(TypesMemo))));
}

void TForm1::TypesMemoChange() {
    RefreshFileList();
}

void TForm1::dirEditChange() {
    RefreshFileList();
}

const std::string* TForm1::SelectedName() const {
    const QModelIndexList rows = filesLB->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return nullptr;
    }
    return &filesModel->NameAt(rows.first().row());
}

} // namespace sheafpad
