#pragma once
#include <string>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Font.h"
#include "platform/ui/DrawingObjects.h"
#include "platform/ui/Types.h"

namespace mendora::platform {

// A drawing context: draws into a bitmap (a window's surface, or the bitmap selected
// into a memory context) through the window origin and a clip rectangle. Logical
// coordinates map to the bitmap as device = logical - window origin + viewport offset.
class DC {
public:
    DC() = default;
    // Draws on the surface with the viewport offset, never outside the device clip.
    DC(Bitmap* surface, Point viewport, Rect deviceClip);
    virtual ~DC() = default;
    DC(const DC&) = delete;
    DC& operator=(const DC&) = delete;

    // Makes this a memory context compatible with other (no bitmap selected yet).
    bool CreateCompatibleDC(const DC* other);
    // Takes other's output (surface, offsets, clip) and its printing flag.
    void ShareOutputOf(const DC& other);
    void ReleaseOutput();
    bool IsPrinting() const { return printing_; }
    void SetPrinting(bool printing) { printing_ = printing; }

    const Pen* SelectObject(const Pen* pen);
    const Brush* SelectObject(const Brush* brush);
    const Font* SelectObject(const Font* font);
    // Selects the bitmap drawn on (memory contexts only); answers the previous one.
    Bitmap* SelectObject(Bitmap* bitmap);
    const Font* CurrentFont() const { return font_; }

    Point SetWindowOrg(Point origin);
    Point GetWindowOrg() const { return origin_; }
    // Replaces the clip by the logical rectangle (within the context's own bounds);
    // null removes it.
    void SelectClipRect(const Rect* rect);
    void IntersectClipRect(const Rect& rect);
    Rect GetClipBox() const;

    COLORREF SetTextColor(COLORREF color);
    COLORREF SetBkColor(COLORREF color);
    int SetBkMode(int mode);

    void FillSolidRect(const Rect& rect, COLORREF color);
    void FillRect(const Rect& rect, const Brush& brush);
    void Ellipse(const Rect& rect);
    // The wedge from the radial through start counter-clockwise to the radial through end.
    void Pie(const Rect& rect, Point start, Point end);
    Point MoveTo(Point p);
    // Draws from the current position to p, p itself excluded.
    void LineTo(Point p);
    void FrameRect(const Rect& rect, COLORREF color);
    void DrawEdge(const Rect& rect, UINT edge, UINT flags);

    Size GetTextExtent(const std::string& text) const;
    void TextOut(int x, int y, const std::string& text);
    // Answers the height of the text; with DT_CALCRECT only measures into rect.
    int DrawText(const std::string& text, Rect& rect, UINT format);

    bool BitBlt(int x, int y, int width, int height, const DC& source, int sx, int sy,
                std::uint32_t rop);

    // The colour at a logical point, or 0xFFFFFFFF outside the surface.
    COLORREF GetPixel(int x, int y) const;

private:
    Point ToDevice(Point p) const { return {p.x - origin_.x + viewport_.x, p.y - origin_.y + viewport_.y}; }
    Rect ToDevice(const Rect& r) const;
    void Plot(int dx, int dy, COLORREF color);
    void FillDevice(const Rect& deviceRect, COLORREF color);
    void DrawLine(Point from, Point to);
    void DrawTextLine(const std::string& line, int x, int y);
    void UpdateClip();

    Bitmap* surface_ = nullptr;
    Point viewport_;
    Point origin_;
    Rect baseClip_;   // device coordinates
    Rect userClip_;   // device coordinates, used when hasUserClip_
    bool hasUserClip_ = false;
    Rect clip_;       // device coordinates
    bool memory_ = false;
    bool printing_ = false;
    const Pen* pen_ = nullptr;
    const Brush* brush_ = nullptr;
    const Font* font_ = nullptr;
    Point position_;
    COLORREF textColor_ = 0;
    COLORREF bkColor_ = RGB(255, 255, 255);
    int bkMode_ = 2;
};

}  // namespace mendora::platform
