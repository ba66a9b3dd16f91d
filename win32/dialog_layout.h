// A dialog's layout as designed at 96 DPI, set again at any DPI.
//
// The dialog manager lays a dialog out in dialog units of its font, and a
// font's units do not grow in step with the DPI (a bitmap font comes in a
// few sizes only), so a dialog laid out by them would no longer fit its
// window. Instead the layout is read once from the dialog as created, as
// pixels at 96 DPI, and every place is scaled from those: at any DPI the
// dialog and each of its controls keep their proportions exactly, and at
// 96 DPI everything stays where the dialog manager put it. The controls
// get the dialog's font with its cell scaled likewise. Every control the dialog holds when
// it is read is covered, whatever it is; a static bitmap control shows its
// picture at the largest whole multiple of its size the DPI allows (so
// unscaled below 192 DPI), centred as before.
#pragma once

#include <windows.h>

#include <vector>

#include "win32/unique_handle.h"

namespace tensikon {

class DialogLayout {
  public:
    // Reads `dialog`, which the dialog manager has just created at `dpi`.
    void read(HWND dialog, int dpi);
    // Places the dialog and its controls for `dpi`.
    void apply(int dpi);
    // Gives the bitmap controls their own pictures back and forgets the
    // dialog; called before the dialog is destroyed.
    void release();

  private:
    struct Place {
        HWND control = nullptr;
        RECT design{};             // left, top, width, height at 96 DPI
        HBITMAP picture = nullptr; // a static bitmap control's own picture
        UniqueBitmap enlarged;     // the picture at a whole multiple, shown instead
    };

    void showPicture(Place& place, int multiple);

    HWND dialog_ = nullptr;
    int createdDpi_ = 0;
    RECT design_{};
    LOGFONTA font_{};          // the dialog's font as created
    int designCellHeight_ = 0; // its cell height at 96 DPI
    std::vector<Place> places_;
    UniqueFont scaledFont_; // the dialog's font at a DPI other than the created one
};

} // namespace tensikon
