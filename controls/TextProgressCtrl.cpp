#include "controls/TextProgressCtrl.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

#include "controls/MemoryDC.h"
#include "platform/ui/SystemColors.h"

namespace mendora {

using namespace platform;

namespace {

// Truncates toward zero into the 32-bit range; a fraction of an empty range (not a
// number, or infinite) counts as 0.
std::int32_t Truncate(double value) {
    if (!std::isfinite(value)) return 0;
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(std::clamp(value, lo, hi)));
}

std::int32_t ClampedSum(std::int64_t a, std::int64_t b) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(a + b, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::int32_t Wrapped(std::int64_t value) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }

}  // namespace

TextProgressCtrl::TextProgressCtrl() {
    OnMessage(PBM_SETRANGE, [this](WPARAM, LPARAM lp) -> LRESULT {
        lower_ = LOWORD(static_cast<std::uintptr_t>(lp));
        upper_ = HIWORD(static_cast<std::uintptr_t>(lp));
        return 0;
    });
    OnMessage(PBM_SETPOS, [this](WPARAM wp, LPARAM) { return OnSetPos(Wrapped(wp)); });
    OnMessage(PBM_DELTAPOS, [this](WPARAM wp, LPARAM) {
        return SendMessage(PBM_SETPOS, static_cast<WPARAM>(Wrapped(position_ + std::int64_t(Wrapped(wp)))));
    });
    OnMessage(PBM_SETSTEP, [this](WPARAM wp, LPARAM) -> LRESULT { return std::exchange(step_, Wrapped(wp)); });
    OnMessage(PBM_STEPIT, [this](WPARAM, LPARAM) {
        return SendMessage(PBM_SETPOS, static_cast<WPARAM>(Wrapped(std::int64_t(position_) + step_)));
    });
    OnMessage(PBM_SETRANGE32, [this](WPARAM wp, LPARAM lp) -> LRESULT {
        lower_ = Wrapped(wp);
        upper_ = Wrapped(lp);
        return 0;
    });
    OnMessage(PBM_GETRANGE, [this](WPARAM wp, LPARAM lp) -> LRESULT {
        if (lp) {
            auto* limits = reinterpret_cast<std::int32_t*>(lp);
            limits[0] = lower_;
            limits[1] = upper_;
        }
        return wp ? lower_ : upper_;
    });
    OnMessage(PBM_GETPOS, [this](WPARAM, LPARAM) -> LRESULT { return position_; });
    OnMessage(PBM_SETBARCOLOR, [this](WPARAM, LPARAM lp) { return Recolour(barColour_, lp); });
    OnMessage(PBM_SETBKCOLOR, [this](WPARAM, LPARAM lp) { return Recolour(backgroundColour_, lp); });
    OnMessage(PBM_SETTEXTCOLOR, [this](WPARAM, LPARAM lp) { return Recolour(textColour_, lp); });
    OnMessage(PBM_SETSHOWTEXT, [this](WPARAM wp, LPARAM lp) {
        LRESULT result = Default(PBM_SETSHOWTEXT, wp, lp);
        SetShowText(Wrapped(wp));
        return result;
    });
    OnMessage(WM_SETTEXT, [this](WPARAM wp, LPARAM lp) {
        LRESULT result = Default(WM_SETTEXT, wp, lp);
        std::string text = lp ? reinterpret_cast<const char*>(lp) : "";
        if (text != text_) {
            text_ = std::move(text);
            Invalidate(true);
        }
        return result;
    });
    OnMessage(WM_GETTEXT, [this](WPARAM wp, LPARAM lp) -> LRESULT {
        if (wp == 0 || !lp) return 0;  // no room even for the terminator
        std::size_t count = std::min<std::size_t>(text_.size(), wp - 1);
        auto* buffer = reinterpret_cast<char*>(lp);
        std::memcpy(buffer, text_.data(), count);
        buffer[count] = '\0';
        return static_cast<LRESULT>(count);
    });
    OnMessage(WM_GETTEXTLENGTH, [this](WPARAM, LPARAM) -> LRESULT { return static_cast<LRESULT>(text_.size()); });
    OnMessage(WM_ERASEBKGND, [](WPARAM, LPARAM) -> LRESULT { return 1; });
    OnMessage(WM_SIZE, [this](WPARAM wp, LPARAM lp) -> LRESULT {
        Default(WM_SIZE, wp, lp);
        cachedExtent_ = -1;
        return 0;
    });
    OnMessage(WM_PAINT, [this](WPARAM, LPARAM) -> LRESULT {
        OnPaint();
        return 0;
    });
}

TextProgressCtrl::~TextProgressCtrl() = default;

void TextProgressCtrl::SetShowText(std::int32_t show) {
    if (Exists() && show != showText_) Invalidate(true);
    showText_ = show;
}

LRESULT TextProgressCtrl::Recolour(COLORREF& field, LPARAM colour) {
    COLORREF previous = field;
    field = static_cast<COLORREF>(colour);
    if (Exists()) Invalidate(true);
    return previous;
}

LRESULT TextProgressCtrl::OnSetPos(std::int32_t position) {
    if (!Exists()) return -1;
    std::int32_t old = position_;
    position_ = position;
    double fraction = (double(position_) - lower_) / (double(upper_) - lower_);
    std::int32_t extent = Truncate(fraction * GetClientRect().Width());
    if (extent != cachedExtent_) {
        cachedExtent_ = extent;
        RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    return old;
}

void TextProgressCtrl::OnPaint() {
    if (lower_ >= upper_) {
        PaintDC paint(*this);  // counts as painted
        return;
    }
    COLORREF bar = barColour_ == kAutomaticColour ? GetSysColor(COLOR_HIGHLIGHT) : barColour_;
    COLORREF background = backgroundColour_ == kAutomaticColour ? GetSysColor(COLOR_WINDOW) : backgroundColour_;
    double f = (double(position_) - lower_) / (double(upper_) - lower_);
    Rect client = GetClientRect();

    PaintDC paint(*this);
    MemoryDC dc(&paint);
    Window* parent = GetParent();
    const Font* oldFont = dc.SelectObject(parent ? parent->GetFont() : nullptr);

    Rect filled = client;
    Rect rest = client;
    bool vertical = GetStyle() & PBS_VERTICAL;
    if (vertical) {
        std::int32_t t = ClampedSum(client.bottom, -std::int64_t(Truncate(client.Height() * f)));
        filled.top = t;
        rest.bottom = t;
    } else {
        std::int32_t x = ClampedSum(client.left, Truncate(client.Width() * f));
        filled.right = x;
        rest.left = x;
    }
    dc.FillSolidRect(filled, bar);
    dc.FillSolidRect(rest, background);

    if (showText_ && !vertical) {
        std::string text = text_;
        if (text.empty()) {
            char percent[16];
            std::snprintf(percent, sizeof percent, "%d%%", Truncate(f * 100));
            text = percent;
        }
        dc.SetBkMode(TRANSPARENT);
        Rect area = client;
        dc.SelectClipRect(&filled);
        dc.SetTextColor(textColour_ == kAutomaticColour ? background : textColour_);
        dc.DrawText(text, area, textFormat_);
        area = client;
        dc.SelectClipRect(&rest);
        dc.SetTextColor(textColour_ == kAutomaticColour ? bar : textColour_);
        dc.DrawText(text, area, textFormat_);
        dc.SelectClipRect(nullptr);
    }
    dc.SelectObject(oldFont);
}

}  // namespace mendora
