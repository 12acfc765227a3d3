// SPDX-License-Identifier: GPL-3.0-or-later
// Syntax colours in the pane: a file is coloured by its name when loaded;
// the introduction and the unused-file report stay in one colour.
#include "app/form1.h"

#include "syntax/syntax_language.h"
#include "widgets/rich_edit.h"
#include "widgets/syntax_colouring.h"

namespace sheafpad {

void TForm1::ConnectColours() {
    Colours = std::make_unique<SyntaxColouring>(Memo1);
    Memo1->OnFileLoaded = [this] {
        Colours->SetLanguage(syntax::LanguageForFileName(LoadedFName));
    };
}

} // namespace sheafpad
