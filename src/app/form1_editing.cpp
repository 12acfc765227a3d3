// Current file, change tracking, find and clipboard commands.
#include "app/form1.h"

namespace sheafpad {

void TForm1::ConnectPaneHandlers() {}
void TForm1::MarkChanged() {}
void TForm1::ClearChanged() {}
void TForm1::SaveIfChanged() {}
void TForm1::filesLBClick() {}
void TForm1::Memo1KeyDown(int&, Qt::KeyboardModifiers) {}
void TForm1::SaveButtonClick() {}
void TForm1::CancelButtonClick() {}
void TForm1::FindEditKeyDown(int&) {}
void TForm1::Memo1ContextPopup(QPoint) {}
void TForm1::Copy1Click() {}
void TForm1::Cut1Click() {}
void TForm1::Paste1Click() {}

} // namespace sheafpad
