// SPDX-License-Identifier: GPL-3.0-or-later
// The grammars built into the program and their queries (inside the syntax
// library only).
#pragma once

#include "syntax/syntax_language.h"

#include <tree_sitter/api.h>

namespace sheafpad::syntax {

// Null for Plain, and for every language when the grammars are missing.
const TSLanguage* GrammarOf(Language language);
// The grammar's highlight and injection queries; empty when it has none.
const char* HighlightsOf(Language language);
const char* InjectionsOf(Language language);
// The language an injection query names ("javascript", "css"); Plain when
// none of ours.
Language LanguageNamed(std::string_view name);

} // namespace sheafpad::syntax
