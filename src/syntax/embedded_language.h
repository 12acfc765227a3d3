// SPDX-License-Identifier: GPL-3.0-or-later
// The language at a place in a page: its <script> elements hold JavaScript,
// its <style> elements CSS.
#pragma once

#include "syntax/syntax_language.h"
#include "text/text_buffer.h"

namespace sheafpad::syntax {

// The language of the text at pos in a file of language file: for a page,
// JavaScript between a <script ...> and its </script>, CSS between a
// <style ...> and its </style>, else HTML (looked for as far as kReach
// characters back); any other language is the file's.
Language LanguageAt(const TextBuffer& text, size_t pos, Language file);

constexpr size_t kEmbeddedReach = size_t(1) << 20;

} // namespace sheafpad::syntax
