// GDI text drawing into the window's portable surfaces.
#include "player/window/win32/gdi_text_painter.h"

#include "platform/win32/wide_text.h"

#include <cstring>

namespace tumbor::window::win32 {

int GdiTextPainter::verticalDpi() const {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

HFONT GdiTextPainter::fontFor(const FontSpec& wanted) {
    FontKey key{wanted.face, wanted.height, wanted.bold, wanted.italic};
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second.get();
    HFONT font = CreateFontA(wanted.height, 0, 0, 0, wanted.bold ? FW_BOLD : FW_DONTCARE, wanted.italic, FALSE,
                             FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             VARIABLE_PITCH, wanted.face.c_str());
    return fonts_.emplace(key, GdiObject<HFONT>(font)).first->second.get();
}

void GdiTextPainter::drawText(Surface& target, const Rect& rect, const std::string& text,
                              const FontSpec& font, Colour colour, TextLayout layout) {
    const Rect area = intersect(rect, target.clip());
    if (area.empty() || text.empty()) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = area.width();
    info.bmiHeader.biHeight = area.height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject<HBITMAP> dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib.get() || !bits) return;
    // The DIB is bottom-up with rows padded to four bytes, like the surface.
    const int stride = (area.width() * 3 + 3) & ~3;
    auto dibRow = [&](int y) { return static_cast<uint8_t*>(bits) + (area.height() - 1 - y) * stride; };
    for (int y = 0; y < area.height(); ++y)
        std::memcpy(dibRow(y), target.row(area.top + y) + area.left * 3,
                    static_cast<size_t>(area.width()) * 3);

    MemoryDc dc;
    {
        Selection bitmap(dc.get(), dib.get());
        Selection selectedFont(dc.get(), fontFor(font));
        SetBkMode(dc.get(), TRANSPARENT);
        SetTextColor(dc.get(), colour);
        RECT box{rect.left - area.left, rect.top - area.top, rect.right - area.left, rect.bottom - area.top};
        const UINT format = layout == TextLayout::centredLine ? DT_CENTER | DT_VCENTER | DT_SINGLELINE
                                                              : DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
        const std::wstring wide = platform::wideFromUtf8(text);
        DrawTextW(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &box, format);
        GdiFlush();
    }
    for (int y = 0; y < area.height(); ++y)
        std::memcpy(target.row(area.top + y) + area.left * 3, dibRow(y),
                    static_cast<size_t>(area.width()) * 3);
}

}  // namespace tumbor::window::win32
