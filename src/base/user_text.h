// SPDX-License-Identifier: GPL-3.0-or-later
// Texts the core makes for the user (messages, reasons). They are written in
// English with numbered places (%1, %2, ...) and pass through a translator that
// the window layer installs at start; without one they stay English.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace sheafpad {

// Gives the text in the user's language as UTF-8; the English itself when
// there is no translation. For a counted text (n >= 0) it picks the form for
// n and puts n in place of %n. Called from any thread, so it must be
// thread-safe.
using TextTranslator = std::string (*)(const char* context, const char* english, int n);

// Installed once at start, before other threads run; nullptr restores English.
void SetTextTranslator(TextTranslator translator);

// `english` in the user's language. The text tools know this function, so a
// literal passed to it is collected for translation with its context.
std::string UserText(const char* context, const char* english);
// A counted text: `english` says "%n file(s)", and the translation has a
// form for each kind of number (the English catalogue too: "1 file").
std::string UserText(const char* context, const char* english, const char* disambiguation, int n);

// `pattern` with %1 ... %9 replaced by `args` in one pass: a place that an
// argument itself holds ("100%1") stays as it is, and so does a place
// without an argument.
std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> args);

} // namespace sheafpad
