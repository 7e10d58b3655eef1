#pragma once
// The clipboard's picture as a packed DIB, and a DIB onto the clipboard:
// the one place the imaging bridge meets the toolkit's clipboard.
#include "globalmem.h"

namespace imaging {

bool ClipboardHoldsPicture();
// None when the clipboard holds no picture.
GlobalBlock DibFromClipboard();
void PutDibOnClipboard(HGLOBAL dib);

} // namespace imaging
