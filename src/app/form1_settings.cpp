// Settings at start-up and close, window bounds, and the external editor.
#include "app/form1.h"

#include "widgets/directory_edit.h"

namespace sheafpad {

void TForm1::ReadSettings() {
    dirEdit->SetInitialDir(ExeDir);
    dirEdit->SetText(dirEdit->InitialDir());
}

void TForm1::WriteSettings() {}

QRect TForm1::OuterBounds() const {
    return frameGeometry();
}

void TForm1::SetOuterBounds(const QRect& bounds) {
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    // Frame sizes are known once the window is on screen; before that they are 0.
    const int extraWidth = frame.width() - client.width();
    const int extraHeight = frame.height() - client.height();
    move(bounds.topLeft());
    resize(bounds.width() - extraWidth, bounds.height() - extraHeight);
}

void TForm1::filesLBDblClick() {}

} // namespace sheafpad
