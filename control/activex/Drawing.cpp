// The control's picture, the same at design time and in rendered copies: its icon in the
// top-left corner and a raised edge around the whole rectangle. Nothing else is painted, so
// whatever lies under the control shows through.
#include "DorvikFTPCtrl.h"

namespace {

const int kControlIcon = 201;

// The icon's two masks put down by hand, for devices that refuse DrawIconEx (a metafile under
// some systems): the AND mask clears the shape, the colour image is then XORed into it. The
// mask goes down as a colour copy, since some metafile players lose the last row of a
// monochrome bitmap record.
void DrawIconByMasks(HDC dc, int x, int y, HICON icon)
{
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info))
        return;
    BITMAP mask = {};
    GetObjectA(info.hbmMask, sizeof(mask), &mask);
    int width = mask.bmWidth;
    int height = info.hbmColor ? mask.bmHeight : mask.bmHeight / 2;   // a monochrome icon stacks both masks
    HDC screen = GetDC(nullptr);
    HBITMAP colourMask = screen ? CreateCompatibleBitmap(screen, width, height) : nullptr;
    if (screen)
        ReleaseDC(nullptr, screen);
    HDC source = CreateCompatibleDC(nullptr);
    HDC copy = CreateCompatibleDC(nullptr);
    if (source && copy && colourMask) {
        HGDIOBJ oldSource = SelectObject(source, info.hbmMask);
        HGDIOBJ oldCopy = SelectObject(copy, colourMask);
        BitBlt(copy, 0, 0, width, height, source, 0, 0, SRCCOPY);
        BitBlt(dc, x, y, width, height, copy, 0, 0, SRCAND);
        if (info.hbmColor) {
            SelectObject(source, info.hbmColor);
            BitBlt(dc, x, y, width, height, source, 0, 0, SRCINVERT);
        } else {
            BitBlt(copy, 0, 0, width, height, source, 0, height, SRCCOPY);
            BitBlt(dc, x, y, width, height, copy, 0, 0, SRCINVERT);
        }
        SelectObject(copy, oldCopy);
        SelectObject(source, oldSource);
    }
    if (copy)
        DeleteDC(copy);
    if (source)
        DeleteDC(source);
    if (colourMask)
        DeleteObject(colourMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

} // namespace

HRESULT CDorvikFTPCtrl::OnDraw(HDC dc, const RECT& bounds)
{
    HICON icon = static_cast<HICON>(
        LoadImageA(g_hInstance, MAKEINTRESOURCEA(kControlIcon), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    if (icon) {
        // Width and height 0: the icon's own size, even in a smaller rectangle.
        if (!DrawIconEx(dc, bounds.left, bounds.top, icon, 0, 0, 0, nullptr, DI_NORMAL))
            DrawIconByMasks(dc, bounds.left, bounds.top, icon);
        DestroyIcon(icon);
    }
    RECT edge = bounds;
    DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
    return S_OK;
}
