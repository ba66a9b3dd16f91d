#include "win32/dialog_layout.h"

#include <array>
#include <cstdlib>
#include <utility>

#include "win32/dpi.h"

namespace tensikon {

namespace {

// A font's dialog base units: a dialog unit is a quarter of `x` wide and an
// eighth of `y` high.
struct BaseUnits {
    int x = 0;
    int y = 0;
};

BaseUnits unitsOf(HWND dialog)
{
    RECT r{0, 0, 4, 8};
    MapDialogRect(dialog, &r);
    return {r.right, r.bottom};
}

// Base units at 96 DPI of the bitmap faces the dialogs use. A bitmap face
// comes in a few sizes made for one DPI, and a system set to another DPI
// loads other sizes, so there they cannot be measured.
struct FaceUnits {
    const char* face;
    int points;
    BaseUnits units;
};
constexpr FaceUnits kBitmapFaceUnits[] = {{"MS Sans Serif", 8, {6, 13}}};

// The base units the dialog manager gives `font` at 96 DPI: the mean width
// of the Latin letters and the height of the font, measured where the face
// scales. A bitmap face missing above is taken to have grown with the DPI.
BaseUnits unitsAtDesignDpi(LOGFONTA font, int points, BaseUnits live, int dpi)
{
    font.lfHeight = -MulDiv(points, kDesignDpi, 72);
    UniqueFont measured(CreateFontIndirectA(&font));
    HDC screen = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(screen, measured.get());
    TEXTMETRICA metrics{};
    GetTextMetricsA(screen, &metrics);
    constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE letters{};
    GetTextExtentPoint32A(screen, kLetters, 52, &letters);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    if ((metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) != 0)
        return {(letters.cx / 26 + 1) / 2, static_cast<int>(metrics.tmHeight)};
    for (const FaceUnits& known : kBitmapFaceUnits) {
        if (lstrcmpiA(known.face, font.lfFaceName) == 0 && known.points == points)
            return known.units;
    }
    return {MulDiv(live.x, kDesignDpi, dpi), MulDiv(live.y, kDesignDpi, dpi)};
}

// A length in pixels of the dialog as created, in pixels at 96 DPI: back to
// dialog units (exact, since a unit is at least a pixel), then forward.
int toDesign(int pixels, int liveUnit, int designUnit, int unitsPerBase)
{
    if (liveUnit == designUnit)
        return pixels;
    return MulDiv(MulDiv(pixels, unitsPerBase, liveUnit), designUnit, unitsPerBase);
}

// A window's place in its parent's client area, at 96 DPI, as left, top,
// width and height.
RECT designPlace(HWND window, BaseUnits live, BaseUnits design)
{
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return {toDesign(r.left, live.x, design.x, 4), toDesign(r.top, live.y, design.y, 8),
            toDesign(r.right - r.left, live.x, design.x, 4),
            toDesign(r.bottom - r.top, live.y, design.y, 8)};
}

// Edges are scaled rather than sizes, so that controls that meet at 96 DPI
// meet at every DPI.
void place(HWND window, const RECT& design, int dpi)
{
    const int left = scaleToDpi(design.left, dpi);
    const int top = scaleToDpi(design.top, dpi);
    SetWindowPos(window, nullptr, left, top, scaleToDpi(design.left + design.right, dpi) - left,
                 scaleToDpi(design.top + design.bottom, dpi) - top, SWP_NOZORDER | SWP_NOACTIVATE);
}

HBITMAP pictureOf(HWND control)
{
    std::array<char, 16> name{};
    GetClassNameA(control, name.data(), static_cast<int>(name.size()));
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE));
    if (lstrcmpiA(name.data(), "Static") != 0 || (style & SS_TYPEMASK) != SS_BITMAP)
        return nullptr;
    return reinterpret_cast<HBITMAP>(SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

// `picture` drawn `multiple` times its size, pixel for pixel.
HBITMAP enlarge(HBITMAP picture, int multiple)
{
    BITMAP size{};
    GetObjectA(picture, sizeof size, &size);
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    HBITMAP large =
        CreateCompatibleBitmap(screen, size.bmWidth * multiple, size.bmHeight * multiple);
    const HGDIOBJ oldFrom = SelectObject(from, picture);
    const HGDIOBJ oldTo = SelectObject(to, large);
    SetStretchBltMode(to, COLORONCOLOR);
    StretchBlt(to, 0, 0, size.bmWidth * multiple, size.bmHeight * multiple, from, 0, 0,
               size.bmWidth, size.bmHeight, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    ReleaseDC(nullptr, screen);
    return large;
}

} // namespace

void DialogLayout::read(HWND dialog, int dpi)
{
    release();
    dialog_ = dialog;
    createdDpi_ = dpi;
    const auto font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    GetObjectA(font, sizeof font_, &font_);
    const int points = MulDiv(std::abs(font_.lfHeight), 72, dpi);
    const BaseUnits live = unitsOf(dialog);
    const BaseUnits design = dpi == kDesignDpi ? live : unitsAtDesignDpi(font_, points, live, dpi);
    // A dialog's base height is its font's cell height.
    designCellHeight_ = design.y;
    design_ = designPlace(dialog, live, design);
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT)) {
        places_.push_back({control, designPlace(control, live, design), pictureOf(control), {}});
    }
    keepDialogScalingToProgram(dialog);
}

void DialogLayout::apply(int dpi)
{
    if (dialog_ == nullptr)
        return;
    // The font's cell is scaled as every place is, so that a text that fits
    // its control at 96 DPI fits it at every DPI. (A font asked for by its
    // size in points would not do: a bitmap face comes in a few sizes, and
    // the one chosen may be taller than the scaled cell.)
    UniqueFont scaled;
    auto font = reinterpret_cast<HFONT>(SendMessageA(dialog_, WM_GETFONT, 0, 0));
    if (dpi != kDesignDpi || createdDpi_ != kDesignDpi) {
        LOGFONTA atDpi = font_;
        atDpi.lfHeight = designCellHeight_ * dpi / kDesignDpi; // never taller than scaled
        atDpi.lfWidth = 0;
        scaled.reset(CreateFontIndirectA(&atDpi));
        font = scaled.get();
    }
    place(dialog_, design_, dpi);
    for (Place& p : places_) {
        place(p.control, p.design, dpi);
        SendMessageA(p.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (p.picture != nullptr)
            showPicture(p, dpi / kDesignDpi);
    }
    // The font the controls had is released only now that none uses it.
    scaledFont_ = std::move(scaled);
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void DialogLayout::showPicture(Place& p, int multiple)
{
    if (multiple <= 1 && !p.enlarged)
        return;
    UniqueBitmap shown(multiple > 1 ? enlarge(p.picture, multiple) : nullptr);
    SendMessageA(p.control, STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(shown ? shown.get() : p.picture));
    p.enlarged = std::move(shown);
}

void DialogLayout::release()
{
    const auto own = dialog_ != nullptr ? SendMessageA(dialog_, WM_GETFONT, 0, 0) : 0;
    for (Place& p : places_) {
        if (scaledFont_)
            SendMessageA(p.control, WM_SETFONT, static_cast<WPARAM>(own), FALSE);
        showPicture(p, 1);
    }
    scaledFont_.reset();
    places_.clear();
    dialog_ = nullptr;
}

} // namespace tensikon
