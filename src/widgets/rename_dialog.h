// SPDX-License-Identifier: GPL-3.0-or-later
// The question before a file is renamed: the new name, how many references
// to the old one a rename would change, and whether to change them. Nothing
// is renamed by the dialog itself; it only answers.
#pragma once

#include <QDialog>
#include <QString>
#include <cstddef>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace sheafpad {

class RenameDialog : public QDialog {
    Q_OBJECT
public:
    enum class Choice { Cancel, RenameAndUpdate, RenameOnly };
    struct Answer {
        Choice choice = Choice::Cancel;
        QString name; // the new name (empty for Cancel)
    };

    // oldName: the file's name; references in files: what an update changes.
    RenameDialog(const QString& oldName, size_t references, size_t files, QWidget* parent);

    // Shows the dialog and waits for the answer. With a hook set, the hook
    // gets the live dialog instead of the user (it may type a name and
    // click a button), and its state then is the answer.
    Answer Run();
    using RunHook = std::function<void(RenameDialog& dialog)>;
    static void SetRunHook(RunHook hook);

    // "3 references in 2 files would change" ("No other file refers to it").
    static QString ReferencesText(size_t references, size_t files);

    QLineEdit* NameEdit = nullptr;
    QLabel* ReferencesLabel = nullptr;
    QPushButton* UpdateButton = nullptr; // "Rename and update references", the default
    QPushButton* OnlyButton = nullptr;   // "Rename only"
    QPushButton* CancelButton = nullptr;

private:
    void NameEdited();

    QString oldName_;
    bool hasReferences_ = false;
    Choice choice_ = Choice::Cancel;
};

} // namespace sheafpad
