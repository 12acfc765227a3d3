#include "widgets/directory_edit.h"

namespace sheafpad {

TJvDirectoryEdit::TJvDirectoryEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
}

void TJvDirectoryEdit::SetText(const std::string& text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    emit OnChange();
}

} // namespace sheafpad
