// The directory field: a one-line field whose text the user cannot type into.
#pragma once

#include <QLineEdit>
#include <string>

namespace sheafpad {

class TJvDirectoryEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TJvDirectoryEdit(QWidget* parent = nullptr);

    // The directory, exactly as set (bytes, as on disk).
    const std::string& Text() const { return text_; }
    // Replaces the text and fires OnChange once, unless the text is equal.
    void SetText(const std::string& text);

    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& dir) { initialDir_ = dir; }

signals:
    void OnChange();

private:
    std::string text_;       // the directory as set, byte for byte
    std::string initialDir_; // start folder of the dialog when the text is empty
};

} // namespace sheafpad
