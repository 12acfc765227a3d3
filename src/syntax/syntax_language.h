// SPDX-License-Identifier: GPL-3.0-or-later
// Which grammar colours a text, chosen by the file's name.
#pragma once

#include <cstdint>
#include <string_view>

namespace sheafpad::syntax {

enum class Language : uint8_t { Plain, Html, Css, JavaScript };

// .htm, .html and .xhtml are HTML (their <script> and <style> elements are
// coloured as JavaScript and CSS), .css is CSS, .js, .mjs, .cjs and .json are
// JavaScript, in any case of letters; any other name stays plain.
Language LanguageForFileName(std::string_view name);

// Empty when the program was built with the grammars; otherwise why it
// colours nothing.
std::string_view GrammarsMissing();

} // namespace sheafpad::syntax
