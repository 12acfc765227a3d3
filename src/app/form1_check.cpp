// The unused-file check.
#include "app/form1.h"

namespace sheafpad {

void TForm1::CheckButtonClick() {}

} // namespace sheafpad
