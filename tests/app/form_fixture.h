// SPDX-License-Identifier: GPL-3.0-or-later
// A main window for a test: a scratch directory for the files it lists, a
// settings file of its own (none yet), and the error messages collected.
#pragma once

#include "app/form1.h"
#include "test_util.h"
#include "widgets/directory_edit.h"
#include "widgets/file_list_model.h"
#include "widgets/widget_hooks.h"

#include <QApplication>
#include <QListView>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace sheafpad::test {

// The list's index of name (invalid, and a failure, when it is not listed).
inline QModelIndex RowOf(const TForm1& form, const std::string& name) {
    const auto& names = form.filesModel->Names();
    const auto it = std::find(names.begin(), names.end(), name);
    EXPECT_NE(it, names.end()) << name;
    return form.filesModel->index(int(it - names.begin()));
}

// Selects name in the list as a click does, which opens the file.
inline void SelectName(TForm1& form, const std::string& name) {
    form.filesLB->selectionModel()->setCurrentIndex(RowOf(form, name),
                                                    QItemSelectionModel::ClearAndSelect);
}

class FormFixture : public testing::Test, protected ErrorCapture {
protected:
    FormFixture() { form.SettingsPathOverride = settingsDir.file("Sheafpad.ini"); }

    // Shows the window and waits until it has the focus, as after start-up.
    void ShowActive() {
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    // Writes the files into dir, then lists it.
    void List(const std::vector<std::pair<std::string, std::string>>& files) {
        for (const auto& [name, bytes] : files) {
            WriteFile(dir.file(name), bytes);
        }
        form.dirEdit->SetText(dir.path());
    }
    QModelIndex Row(const std::string& name) { return RowOf(form, name); }
    void Select(const std::string& name) { SelectName(form, name); }

    TempDir dir, settingsDir;
    TForm1 form;
};

} // namespace sheafpad::test
