#include "controls/PieChartCtrl.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <new>

#include "platform/ui/Constants.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/WindowClass.h"

namespace mendora {

using namespace platform;

namespace {

constexpr const char* kPieChartClass = "PIE_CHART_CTRL";
// One unit above the nearest double to 0.6: the inner radius of the percentage texts.
const double kInnerRadius = std::bit_cast<double>(0x3FE3333333333334ull);

// Angles add with 32-bit wrap-around, never overflowing.
std::int32_t AddDegrees(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

}  // namespace

PieSegment::PieSegment(COLORREF colour, COLORREF textColour, int span, std::string label)
    : colour(colour), textColour(textColour), brush(colour), span(span), label(std::move(label)) {}

bool RegisterPieChartClass() {
    WindowClass cls;
    cls.name = kPieChartClass;
    cls.style = CS_GLOBALCLASS;
    cls.procedure = DefaultWindowProcedure;
    cls.cursor = IDC_CROSS;
    cls.background = kLightGrayBrush;
    return RegisterWindowClass(cls);
}

PieChartCtrl::PieChartCtrl() : labelFont_("Arial", 13, 400) {
    RegisterPieChartClass();  // fails harmlessly when the class exists
    OnMessage(WM_PAINT, [this](WPARAM, LPARAM) -> LRESULT {
        OnPaint();
        return 0;
    });
    OnMessage(WM_LBUTTONDOWN, [this](WPARAM, LPARAM lp) -> LRESULT {
        OnLButtonDown(GET_X_LPARAM(lp));
        return 0;
    });
    OnMessage(WM_MOUSEMOVE, [this](WPARAM, LPARAM lp) -> LRESULT {
        OnMouseMove(GET_X_LPARAM(lp));
        return 0;
    });
    OnMessage(WM_LBUTTONUP, [this](WPARAM, LPARAM) -> LRESULT {
        OnLButtonUp();
        return 0;
    });
    OnMessage(WM_SIZE, [this](WPARAM wp, LPARAM lp) -> LRESULT {
        Default(WM_SIZE, wp, lp);
        RecalcLayout();
        return 0;
    });
}

PieChartCtrl::~PieChartCtrl() { RemoveAllSegments(); }

int PieChartCtrl::AddSegment(COLORREF colour, COLORREF textColour, int span, const std::string& label) {
    try {
        auto segment = std::make_unique<PieSegment>(colour, textColour, span, label);
        segments_.push_back(std::move(segment));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    Invalidate(false);
    return 1;
}

void PieChartCtrl::RemoveAllSegments() { segments_.clear(); }

void PieChartCtrl::RecalcLayout() {
    Rect client = GetClientRect();
    int h = client.bottom - client.top;
    int w = client.right - client.left;
    int s = w > h ? h : w;
    int left = client.left + (w - s) / 2;
    pieRect_ = {left, client.bottom - s, left + s, client.bottom};
}

Point PieChartCtrl::AngleToPoint(int angle, bool inner) const {
    std::int64_t a = angle;
    if (a < 0) a += 360 * ((359 - a) / 360);
    if (a > 359) a -= 360 * (a / 360);
    double r = (pieRect_.bottom - pieRect_.top) * 0.5;
    if (inner) r *= kInnerRadius;
    double theta = static_cast<double>(a) * 3.1415926535 * 0.005555555555555556;
    double cx = (pieRect_.right + pieRect_.left) * 0.5;
    double cy = (pieRect_.bottom + pieRect_.top) * 0.5;
    return {static_cast<int>(r * std::sin(theta) + cx), static_cast<int>(cy - r * std::cos(theta))};
}

void PieChartCtrl::OnPaint() {
    if (pieRect_.IsEmpty()) RecalcLayout();
    PaintDC paint(*this);
    Rect client = GetClientRect();
    DC memory;
    memory.CreateCompatibleDC(&paint);
    Bitmap bitmap(client.Width(), client.Height());
    Bitmap* oldBitmap = memory.SelectObject(&bitmap);

    memory.FillSolidRect(client, GetSysColor(COLOR_BTNFACE));
    Pen outline(PS_SOLID, 1, outlineColour_);
    Brush disc(discColour_);
    const Pen* oldPen = memory.SelectObject(&Pen::Null());
    const Brush* oldBrush = memory.SelectObject(&disc);
    memory.Ellipse(pieRect_);

    int angle = startAngle_;
    Point p0 = AngleToPoint(angle, false);
    int legendRow = 0;
    for (const auto& segment : segments_) DrawSegment(memory, *segment, outline, angle, p0, legendRow);

    memory.SelectObject(&outline);
    memory.SelectObject(&Brush::Null());
    memory.Ellipse(pieRect_);

    paint.BitBlt(0, 0, client.Width(), client.Height(), memory, 0, 0, SRCCOPY);
    memory.SelectObject(oldPen);
    memory.SelectObject(oldBrush);
    memory.SelectObject(oldBitmap);
}

void PieChartCtrl::DrawSegment(DC& dc, const PieSegment& segment, const Pen& outline, int& angle, Point& p0,
                               int& legendRow) {
    angle = AddDegrees(angle, segment.span);
    Point p1 = AngleToPoint(angle, false);

    dc.SelectObject(&Pen::Null());
    dc.SelectObject(&segment.brush);
    if (p1 != p0) dc.Pie(pieRect_, p1, p0);  // counter-clockwise from p1: clockwise from p0 to p1

    dc.SelectObject(&outline);
    Point centre{(pieRect_.left + pieRect_.right) / 2, (pieRect_.top + pieRect_.bottom) / 2};
    dc.MoveTo(p0);
    dc.LineTo(centre);
    dc.LineTo(p1);

    const Font* oldFont = dc.SelectObject(&labelFont_);
    dc.SetBkMode(TRANSPARENT);
    if (!segment.label.empty()) {
        Rect client = GetClientRect();
        int hl = dc.GetTextExtent(segment.label).cy;
        Rect swatch = Rect{client.right - hl, client.top, client.right, client.top + hl}.Offset(0, hl * legendRow);
        dc.FillRect(swatch, segment.brush);
        dc.DrawEdge(swatch, EDGE_SUNKEN, BF_RECT);
        dc.SetTextColor(GetSysColor(COLOR_WINDOWTEXT));
        Rect text{client.left, swatch.top, swatch.left - 3, swatch.bottom};
        dc.DrawText(segment.label, text, DT_RIGHT | DT_VCENTER);
        ++legendRow;
    }
    if (segment.span > 25) {
        Point m = AngleToPoint(AddDegrees(angle, -(segment.span / 2)), true);
        char text[32];
        std::snprintf(text, sizeof text, "%.0f%%", segment.span * 0.2777777777777778);
        Size size = dc.GetTextExtent(text);
        dc.SetTextColor(segment.textColour);
        dc.TextOut(m.x - size.cx / 2, m.y - size.cy / 2, text);
    }
    dc.SelectObject(oldFont);
    p0 = p1;
}

void PieChartCtrl::OnLButtonDown(int x) {
    SetCapture();
    lastX_ = x;
    dragging_ = 1;
}

void PieChartCtrl::OnMouseMove(int x) {
    if (!dragging_) return;
    startAngle_ = AddDegrees(startAngle_, AddDegrees(x, -lastX_));
    InvalidateRect(&pieRect_, false);
    lastX_ = x;
}

void PieChartCtrl::OnLButtonUp() {
    if (!dragging_) return;
    ReleaseCapture();
    dragging_ = 0;
}

}  // namespace mendora
