// SPDX-License-Identifier: GPL-3.0-or-later
// Texts that Replace All, Undo Replace and Rename share in their messages.
#pragma once

#include "search/replace_record.h"

#include <QString>

#include <string>
#include <vector>

namespace sheafpad {

// "N file(s)", counted.
QString Files(size_t n);
// "name: reason" for each note, at most a screenful.
QString NotesText(const std::vector<search::FileNote>& notes);

} // namespace sheafpad
