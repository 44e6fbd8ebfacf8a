#include "platform/ui/DC.h"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>
#include <utility>
#include <vector>

#include "platform/ui/Constants.h"
#include "platform/ui/FontFiles.h"
#include "platform/ui/SystemColors.h"

namespace mendora::platform {
namespace {

const Pen& DefaultPen() {
    static const Pen pen(PS_SOLID, 1, RGB(0, 0, 0));
    return pen;
}

const Brush& DefaultBrush() {
    static const Brush brush(RGB(255, 255, 255));
    return brush;
}

// One per font lookup put in place, so that the default follows the lookup. Never
// destroyed: windows may still be drawn by exit handlers (a display lost), after the
// statics made since were destroyed.
const Font& DefaultFont() {
    static auto* guard = new std::mutex;
    static auto* fonts = new std::map<unsigned, std::unique_ptr<Font>>;
    std::lock_guard<std::mutex> hold(*guard);
    std::unique_ptr<Font>& font = (*fonts)[FontLookupGeneration()];
    if (!font) font = std::make_unique<Font>("Liberation Sans", -12);
    return *font;
}

double TurnFrom(double from, double angle) {
    double d = std::fmod(angle - from, 2 * std::numbers::pi);
    return d < 0 ? d + 2 * std::numbers::pi : d;
}

// Lines of text for DrawText: split at line ends unless single-line, and wrapped at
// spaces to the width when word-breaking.
std::vector<std::string> LayoutLines(const DC& dc, const std::string& text, UINT format, int width) {
    std::vector<std::string> lines;
    std::string current;
    auto flushWrapped = [&](const std::string& paragraph) {
        if (!(format & DT_WORDBREAK)) {
            lines.push_back(paragraph);
            return;
        }
        std::string line;
        std::size_t i = 0;
        while (i <= paragraph.size()) {
            std::size_t space = paragraph.find(' ', i);
            std::string word = paragraph.substr(i, space == std::string::npos ? std::string::npos : space - i);
            std::string candidate = line.empty() ? word : line + " " + word;
            if (!line.empty() && dc.GetTextExtent(candidate).cx > width) {
                lines.push_back(line);
                line = word;
            } else {
                line = candidate;
            }
            if (space == std::string::npos) break;
            i = space + 1;
        }
        lines.push_back(line);
    };
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n' && !(format & DT_SINGLELINE)) {
            flushWrapped(current);
            current.clear();
        } else if (c != '\n') {
            current += c;
        }
    }
    flushWrapped(current);
    return lines;
}

}  // namespace

DC::DC(Bitmap* surface, Point viewport, Rect deviceClip)
    : surface_(surface), viewport_(viewport),
      baseClip_(surface ? deviceClip.Intersect(surface->Bounds()) : Rect{}) {
    UpdateClip();
}

bool DC::CreateCompatibleDC(const DC*) {
    memory_ = true;
    surface_ = nullptr;
    viewport_ = {};
    origin_ = {};
    baseClip_ = {};
    hasUserClip_ = false;
    UpdateClip();
    return true;
}

void DC::ShareOutputOf(const DC& other) {
    surface_ = other.surface_;
    viewport_ = other.viewport_;
    origin_ = other.origin_;
    baseClip_ = other.baseClip_;
    userClip_ = other.userClip_;
    hasUserClip_ = other.hasUserClip_;
    printing_ = other.printing_;
    UpdateClip();
}

void DC::ReleaseOutput() {
    surface_ = nullptr;
    baseClip_ = {};
    UpdateClip();
}

const Pen* DC::SelectObject(const Pen* pen) {
    const Pen* old = pen_ ? pen_ : &DefaultPen();
    pen_ = pen;
    return old;
}

const Brush* DC::SelectObject(const Brush* brush) {
    const Brush* old = brush_ ? brush_ : &DefaultBrush();
    brush_ = brush;
    return old;
}

const Font* DC::SelectObject(const Font* font) {
    const Font* old = font_ ? font_ : &DefaultFont();
    font_ = font;
    return old;
}

Bitmap* DC::SelectObject(Bitmap* bitmap) {
    if (!memory_) return nullptr;
    Bitmap* old = surface_;
    surface_ = bitmap;
    baseClip_ = bitmap ? bitmap->Bounds() : Rect{};
    hasUserClip_ = false;
    UpdateClip();
    return old;
}

Point DC::SetWindowOrg(Point origin) {
    Point old = origin_;
    origin_ = origin;
    return old;
}

Rect DC::ToDevice(const Rect& r) const {
    Point a = ToDevice(Point{r.left, r.top});
    return {a.x, a.y, a.x + r.Width(), a.y + r.Height()};
}

void DC::UpdateClip() { clip_ = hasUserClip_ ? baseClip_.Intersect(userClip_) : baseClip_; }

void DC::SelectClipRect(const Rect* rect) {
    hasUserClip_ = rect != nullptr;
    if (rect) userClip_ = ToDevice(*rect);
    UpdateClip();
}

void DC::IntersectClipRect(const Rect& rect) {
    userClip_ = hasUserClip_ ? userClip_.Intersect(ToDevice(rect)) : ToDevice(rect);
    hasUserClip_ = true;
    UpdateClip();
}

Rect DC::GetClipBox() const {
    return clip_.Offset(origin_.x - viewport_.x, origin_.y - viewport_.y);
}

COLORREF DC::SetTextColor(COLORREF color) { return std::exchange(textColor_, color); }
COLORREF DC::SetBkColor(COLORREF color) { return std::exchange(bkColor_, color); }
int DC::SetBkMode(int mode) { return std::exchange(bkMode_, mode); }

void DC::Plot(int dx, int dy, COLORREF color) {
    if (surface_ && clip_.Contains({dx, dy})) surface_->SetPixel(dx, dy, color);
}

void DC::FillDevice(const Rect& deviceRect, COLORREF color) {
    if (surface_) surface_->Fill(deviceRect.Intersect(clip_), color);
}

void DC::FillSolidRect(const Rect& rect, COLORREF color) { FillDevice(ToDevice(rect), color); }

void DC::FillRect(const Rect& rect, const Brush& brush) {
    if (!brush.IsNull()) FillDevice(ToDevice(rect), brush.Color());
}

void DC::FrameRect(const Rect& rect, COLORREF color) {
    FillSolidRect({rect.left, rect.top, rect.right, rect.top + 1}, color);
    FillSolidRect({rect.left, rect.bottom - 1, rect.right, rect.bottom}, color);
    FillSolidRect({rect.left, rect.top, rect.left + 1, rect.bottom}, color);
    FillSolidRect({rect.right - 1, rect.top, rect.right, rect.bottom}, color);
}

// The ellipse inscribed in the rectangle holds the pixels whose centres lie inside it;
// a pen draws the one-pixel ring just inside that boundary.
void DC::Ellipse(const Rect& rect) { Pie(rect, {}, {}); }

void DC::Pie(const Rect& rect, Point start, Point end) {
    Rect d = ToDevice(rect);
    if (d.IsEmpty()) return;
    const Pen& pen = pen_ ? *pen_ : DefaultPen();
    const Brush& brush = brush_ ? *brush_ : DefaultBrush();
    double cx = (d.left + d.right) / 2.0, cy = (d.top + d.bottom) / 2.0;
    double a = d.Width() / 2.0, b = d.Height() / 2.0;
    Point s = ToDevice(start), e = ToDevice(end);
    bool whole = s == e;
    double from = std::atan2(cy - s.y, s.x - cx);
    double sweep = whole ? 2 * std::numbers::pi : TurnFrom(from, std::atan2(cy - e.y, e.x - cx));
    if (sweep == 0) sweep = 2 * std::numbers::pi;
    auto inside = [&](double px, double py, double ra, double rb) {
        if (ra <= 0 || rb <= 0) return false;
        double u = (px - cx) / ra, v = (py - cy) / rb;
        return u * u + v * v <= 1.0;
    };
    int ring = pen.IsNull() ? 0 : pen.Width();
    for (int y = d.top; y < d.bottom; ++y) {
        for (int x = d.left; x < d.right; ++x) {
            double px = x + 0.5, py = y + 0.5;
            if (!inside(px, py, a, b)) continue;
            if (!whole && TurnFrom(from, std::atan2(cy - py, px - cx)) > sweep) continue;
            if (ring && !inside(px, py, a - ring, b - ring)) {
                Plot(x, y, pen.Color());
            } else if (!brush.IsNull()) {
                Plot(x, y, brush.Color());
            }
        }
    }
    if (ring && !whole) {
        // The two radials from the centre to the boundary.
        for (double angle : {from, from + sweep}) {
            Point tip{static_cast<int>(cx + (a - 0.5) * std::cos(angle)),
                      static_cast<int>(cy - (b - 0.5) * std::sin(angle))};
            DrawLine({static_cast<int>(cx), static_cast<int>(cy)}, tip);
        }
    }
}

Point DC::MoveTo(Point p) { return std::exchange(position_, p); }

void DC::LineTo(Point p) {
    DrawLine(ToDevice(position_), ToDevice(p));
    position_ = p;
}

// Bresenham's line in device coordinates, the end point excluded.
void DC::DrawLine(Point from, Point to) {
    const Pen& pen = pen_ ? *pen_ : DefaultPen();
    if (pen.IsNull()) return;
    int dx = std::abs(to.x - from.x), dy = -std::abs(to.y - from.y);
    int sx = from.x < to.x ? 1 : -1, sy = from.y < to.y ? 1 : -1;
    int error = dx + dy;
    int half = (pen.Width() - 1) / 2;
    Point p = from;
    while (p != to) {
        FillDevice({p.x - half, p.y - half, p.x - half + pen.Width(), p.y - half + pen.Width()}, pen.Color());
        int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            p.x += sx;
        }
        if (twice <= dx) {
            error += dx;
            p.y += sy;
        }
    }
}

void DC::DrawEdge(const Rect& rect, UINT edge, UINT flags) {
    struct Ring {
        UINT raised, sunken;
        int raisedTopLeft, raisedBottomRight, sunkenTopLeft, sunkenBottomRight;
    };
    const Ring rings[] = {
        {BDR_RAISEDOUTER, BDR_SUNKENOUTER, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT},
        {BDR_RAISEDINNER, BDR_SUNKENINNER, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
    };
    Rect r = rect;
    for (const Ring& ring : rings) {
        bool raised = edge & ring.raised, sunken = edge & ring.sunken;
        if (raised || sunken) {
            COLORREF tl = GetSysColor(raised ? ring.raisedTopLeft : ring.sunkenTopLeft);
            COLORREF br = GetSysColor(raised ? ring.raisedBottomRight : ring.sunkenBottomRight);
            if (flags & BF_TOP) FillSolidRect({r.left, r.top, r.right, r.top + 1}, tl);
            if (flags & BF_LEFT) FillSolidRect({r.left, r.top, r.left + 1, r.bottom}, tl);
            if (flags & BF_BOTTOM) FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, br);
            if (flags & BF_RIGHT) FillSolidRect({r.right - 1, r.top, r.right, r.bottom}, br);
        }
        r = r.Inflate(-1);
    }
}

Size DC::GetTextExtent(const std::string& text) const {
    return (font_ ? *font_ : DefaultFont()).Measure(text);
}

void DC::DrawTextLine(const std::string& line, int x, int y) {
    const Font& font = font_ ? *font_ : DefaultFont();
    Point d = ToDevice(Point{x, y});
    if (bkMode_ == OPAQUE) {
        Size size = font.Measure(line);
        FillDevice({d.x, d.y, d.x + size.cx, d.y + size.cy}, bkColor_);
    }
    font.Render(line, d.x, d.y, [&](int px, int py) { Plot(px, py, textColor_); });
}

void DC::TextOut(int x, int y, const std::string& text) { DrawTextLine(text, x, y); }

int DC::DrawText(const std::string& text, Rect& rect, UINT format) {
    std::vector<std::string> lines = LayoutLines(*this, text, format, rect.Width());
    int lineHeight = GetTextExtent("").cy;
    int height = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        int width = 0;
        for (const auto& line : lines) width = std::max(width, GetTextExtent(line).cx);
        rect.right = rect.left + width;
        rect.bottom = rect.top + height;
        return height;
    }
    int top = rect.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) top = (rect.top + rect.bottom - height) / 2;
        else if (format & DT_BOTTOM) top = rect.bottom - height;
    }
    bool clipped = !(format & DT_NOCLIP);
    Rect savedUser = userClip_;
    bool savedHas = hasUserClip_;
    if (clipped) IntersectClipRect(rect);
    for (const auto& line : lines) {
        int width = GetTextExtent(line).cx;
        int x = rect.left;
        if (format & DT_CENTER) x = (rect.left + rect.right - width) / 2;
        else if (format & DT_RIGHT) x = rect.right - width;
        DrawTextLine(line, x, top);
        top += lineHeight;
    }
    userClip_ = savedUser;
    hasUserClip_ = savedHas;
    UpdateClip();
    return height;
}

bool DC::BitBlt(int x, int y, int width, int height, const DC& source, int sx, int sy,
                std::uint32_t rop) {
    if (rop != SRCCOPY || !surface_ || !source.surface_) return false;
    Rect target = ToDevice(Rect{x, y, x + width, y + height}).Intersect(clip_);
    Point from = source.ToDevice(Point{sx, sy});
    Point to = ToDevice(Point{x, y});
    for (int dy = target.top; dy < target.bottom; ++dy) {
        for (int dx = target.left; dx < target.right; ++dx) {
            int px = from.x + dx - to.x, py = from.y + dy - to.y;
            if (source.surface_->Bounds().Contains({px, py}))
                surface_->SetPixel(dx, dy, source.surface_->Pixel(px, py));
        }
    }
    return true;
}

COLORREF DC::GetPixel(int x, int y) const {
    Point d = ToDevice(Point{x, y});
    if (!surface_ || !surface_->Bounds().Contains(d)) return 0xFFFFFFFF;
    return surface_->Pixel(d.x, d.y);
}

}  // namespace mendora::platform
