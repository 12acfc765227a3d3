// SPDX-License-Identifier: GPL-3.0-or-later
// A main window for a test: a scratch directory for the files it lists, a
// settings file of its own (none yet), and the error messages collected.
#pragma once

#include "app/form1.h"
#include "platform/file_identity.h"
#include "search/file_edit.h"
#include "search/replace_record.h"
#include "test_util.h"
#include "widgets/directory_edit.h"
#include "widgets/file_list_model.h"
#include "widgets/widget_hooks.h"

#include <QApplication>
#include <QListView>
#include <QTest>
#include <algorithm>
#include <cstdint>
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

// Replace All of find by replace in the file at path, as another running
// program does it in folder: the id of its record, 0 (and a failure) when
// the file holds no single match.
inline uint64_t ReplaceAsAnotherProgram(const std::string& folder, const std::string& path,
                                        const std::string& find, const std::string& replace) {
    std::string error, reason;
    const auto matcher = search::Matcher::Compile({.find = find, .replace = replace}, &error);
    search::MatchScratch scratch;
    const auto edit = matcher ? search::PlanReplace(path, platform::FileIdentityOf(path), 1,
                                                    *matcher, scratch, &reason)
                              : std::nullopt;
    EXPECT_TRUE(edit) << error << reason;
    return edit ? search::ApplyEdits(folder, {*edit}, {}, "").recordId : 0;
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
