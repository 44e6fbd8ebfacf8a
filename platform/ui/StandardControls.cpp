// The standard control classes: buttons (push, default push, check box, radio button,
// group box), static text and icons, the progress bar and the dialog class.
#include <cstring>
#include <utility>

#include "platform/ui/Constants.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/UiHost.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowClass.h"
#include "platform/ui/WindowNode.h"
#include "platform/ui/WindowSystem.h"

namespace mendora::platform {
namespace {

std::uint32_t ButtonType(const WindowNode& n) { return n.style & BS_TYPEMASK; }

COLORREF TextColour(const WindowNode& n) {
    return GetSysColor(n.style & WS_DISABLED ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
}

void PrepareText(DC& dc, const WindowNode& n) {
    if (n.font) dc.SelectObject(n.font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(TextColour(n));
}

void PaintPushButton(DC& dc, const WindowNode& n, Rect r) {
    dc.FillSolidRect(r, GetSysColor(COLOR_BTNFACE));
    if (ButtonType(n) == BS_DEFPUSHBUTTON) {
        dc.FrameRect(r, RGB(0, 0, 0));
        r = r.Inflate(-1);
    }
    dc.DrawEdge(r, n.pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    Rect text = n.pressed ? r.Offset(1, 1) : r;
    dc.DrawText(n.text, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void PaintGroupBox(DC& dc, const WindowNode& n, Rect r) {
    int half = dc.GetTextExtent(n.text).cy / 2;
    dc.DrawEdge({r.left, r.top + half, r.right, r.bottom}, EDGE_ETCHED, BF_RECT);
    if (n.text.empty()) return;
    Size size = dc.GetTextExtent(n.text);
    dc.FillSolidRect({r.left + 6, r.top, r.left + 10 + size.cx, r.top + size.cy}, GetSysColor(COLOR_BTNFACE));
    dc.TextOut(r.left + 8, r.top, n.text);
}

void PaintCheckOrRadio(DC& dc, const WindowNode& n, Rect r) {
    dc.FillSolidRect(r, GetSysColor(COLOR_BTNFACE));
    int top = (r.top + r.bottom - 13) / 2;
    Rect box{r.left, top, r.left + 13, top + 13};
    bool radio = ButtonType(n) == BS_RADIOBUTTON || ButtonType(n) == BS_AUTORADIOBUTTON;
    if (radio) {
        Pen outline(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
        Brush white(GetSysColor(COLOR_WINDOW));
        const Pen* oldPen = dc.SelectObject(&outline);
        const Brush* oldBrush = dc.SelectObject(&white);
        dc.Ellipse(box);
        if (n.check) {
            Brush dot(RGB(0, 0, 0));
            dc.SelectObject(&Pen::Null());
            dc.SelectObject(&dot);
            dc.Ellipse(box.Inflate(-4));
        }
        dc.SelectObject(oldPen);
        dc.SelectObject(oldBrush);
    } else {
        dc.FillSolidRect(box, GetSysColor(COLOR_WINDOW));
        dc.DrawEdge(box, EDGE_SUNKEN, BF_RECT);
        if (n.check) {
            for (int i = 0; i < 3; ++i) {
                dc.FillSolidRect({box.left + 3, box.top + 5 + i, box.left + 6, box.top + 6 + i}, 0);
                dc.FillSolidRect({box.left + 5 + i, box.top + 7 - i, box.left + 6 + i, box.top + 10 - i}, 0);
            }
            dc.FillSolidRect({box.left + 8, box.top + 3, box.left + 10, box.top + 6}, 0);
        }
    }
    Rect text{r.left + 17, r.top, r.right, r.bottom};
    dc.DrawText(n.text, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

// A click: automatic check boxes toggle, automatic radio buttons take the check from the
// other radio buttons of their group, and the parent hears BN_CLICKED.
void Click(WindowNode& n) {
    if (ButtonType(n) == BS_AUTOCHECKBOX) n.check = !n.check;
    if (ButtonType(n) == BS_AUTORADIOBUTTON && n.parent) {
        auto& siblings = n.parent->children;
        std::size_t self = 0;
        while (siblings[self].get() != &n) ++self;
        std::size_t first = self;
        while (first > 0 && !(siblings[first]->style & WS_GROUP)) --first;
        for (std::size_t i = first; i < siblings.size(); ++i) {
            if (i > first && (siblings[i]->style & WS_GROUP)) break;
            if (siblings[i]->cls->name == kButtonClass && ButtonType(*siblings[i]) == BS_AUTORADIOBUTTON)
                Window::FromNode(siblings[i].get())->SendMessage(BM_SETCHECK, siblings[i].get() == &n);
        }
    }
    Window::FromNode(&n)->Invalidate(true);
    if (n.parent)
        Window::FromNode(n.parent)->SendMessage(WM_COMMAND, MAKEWPARAM(n.id, BN_CLICKED), 0);
}

LRESULT ButtonProcedure(WindowNode& n, UINT msg, WPARAM wparam, LPARAM lparam) {
    Window& self = *Window::FromNode(&n);
    switch (msg) {
        case WM_PAINT: {
            PaintDC dc(self);
            PrepareText(dc, n);
            Rect r = n.ClientRect();
            if (ButtonType(n) == BS_GROUPBOX) PaintGroupBox(dc, n, r);
            else if (ButtonType(n) <= BS_DEFPUSHBUTTON) PaintPushButton(dc, n, r);
            else PaintCheckOrRadio(dc, n, r);
            return 0;
        }
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN:
            n.pressed = true;
            self.SetCapture();
            self.Invalidate(true);
            return 0;
        case WM_LBUTTONUP: {
            if (!n.pressed) return 0;
            n.pressed = false;
            Window::ReleaseCapture();
            self.Invalidate(true);
            if (n.ClientRect().Contains({GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)})) Click(n);
            return 0;
        }
        case BM_GETCHECK: return n.check;
        case BM_SETCHECK:
            n.check = static_cast<int>(wparam);
            self.Invalidate(true);
            return 0;
        case WM_SETTEXT: {
            LRESULT result = DefaultWindowProcedure(n, msg, wparam, lparam);
            self.Invalidate(true);
            return result;
        }
        default: return DefaultWindowProcedure(n, msg, wparam, lparam);
    }
}

LRESULT StaticProcedure(WindowNode& n, UINT msg, WPARAM wparam, LPARAM lparam) {
    Window& self = *Window::FromNode(&n);
    switch (msg) {
        case WM_PAINT: {
            PaintDC dc(self);
            Rect r = n.ClientRect();
            if ((n.style & SS_TYPEMASK) == SS_ICON) {
                if (n.image) {
                    DC source;
                    source.CreateCompatibleDC(&dc);
                    source.SelectObject(const_cast<Bitmap*>(n.image));
                    dc.BitBlt(0, 0, n.image->Width(), n.image->Height(), source, 0, 0, SRCCOPY);
                }
                return 0;
            }
            PrepareText(dc, n);
            UINT align = (n.style & SS_TYPEMASK) == SS_CENTER ? DT_CENTER
                         : (n.style & SS_TYPEMASK) == SS_RIGHT ? DT_RIGHT : DT_LEFT;
            dc.DrawText(n.text, r, align | DT_WORDBREAK);
            return 0;
        }
        case WM_SETTEXT: {
            LRESULT result = DefaultWindowProcedure(n, msg, wparam, lparam);
            self.Invalidate(true);
            return result;
        }
        case STM_SETIMAGE:
            n.image = reinterpret_cast<const Bitmap*>(lparam);
            self.Invalidate(true);
            return 0;
        default: return DefaultWindowProcedure(n, msg, wparam, lparam);
    }
}

LRESULT ProgressProcedure(WindowNode& n, UINT msg, WPARAM wparam, LPARAM lparam) {
    Window& self = *Window::FromNode(&n);
    auto setPos = [&](int p) {
        int old = n.position;
        n.position = p;
        self.Invalidate(true);
        return old;
    };
    switch (msg) {
        case PBM_SETRANGE:
            n.low = LOWORD(static_cast<std::uintptr_t>(lparam));
            n.high = HIWORD(static_cast<std::uintptr_t>(lparam));
            self.Invalidate(true);
            return 0;
        case PBM_SETRANGE32:
            n.low = static_cast<int>(wparam);
            n.high = static_cast<int>(lparam);
            self.Invalidate(true);
            return 0;
        case PBM_SETPOS: return setPos(static_cast<int>(wparam));
        case PBM_DELTAPOS: return setPos(n.position + static_cast<int>(wparam));
        case PBM_STEPIT: return setPos(n.position + n.step);
        case PBM_SETSTEP: return std::exchange(n.step, static_cast<int>(wparam));
        case PBM_GETPOS: return n.position;
        case PBM_GETRANGE:
            if (lparam) {
                auto* limits = reinterpret_cast<std::int32_t*>(lparam);
                limits[0] = n.low;
                limits[1] = n.high;
            }
            return wparam ? n.low : n.high;
        case WM_PAINT: {
            PaintDC dc(self);
            Rect r = n.ClientRect();
            dc.FillSolidRect(r, GetSysColor(COLOR_WINDOW));
            if (n.high > n.low) {
                double f = std::clamp(double(n.position - n.low) / (n.high - n.low), 0.0, 1.0);
                dc.FillSolidRect({r.left, r.top, r.left + int(r.Width() * f), r.bottom}, GetSysColor(COLOR_HIGHLIGHT));
            }
            return 0;
        }
        case WM_ERASEBKGND: return 1;
        default: return DefaultWindowProcedure(n, msg, wparam, lparam);
    }
}

LRESULT DialogProcedure(WindowNode& n, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CLOSE: return Window::FromNode(&n)->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        case WM_SETICON: {
            const Bitmap*& slot = wparam == ICON_BIG ? n.bigIcon : n.smallIcon;
            const Bitmap* previous = slot;
            slot = reinterpret_cast<const Bitmap*>(lparam);
            return reinterpret_cast<LRESULT>(previous);
        }
        case WM_GETICON: return reinterpret_cast<LRESULT>(wparam == ICON_BIG ? n.bigIcon : n.smallIcon);
        default: return DefaultWindowProcedure(n, msg, wparam, lparam);
    }
}

}  // namespace

LRESULT DefaultWindowProcedure(WindowNode& n, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_SETTEXT:
            n.text = lparam ? reinterpret_cast<const char*>(lparam) : "";
            if (UiHost::Current()) UiHost::Current()->TextChanged(n);
            return 1;
        case WM_GETTEXT: {
            if (wparam == 0 || !lparam) return 0;
            std::size_t count = std::min<std::size_t>(n.text.size(), wparam - 1);
            auto* buffer = reinterpret_cast<char*>(lparam);
            std::memcpy(buffer, n.text.data(), count);
            buffer[count] = '\0';
            return static_cast<LRESULT>(count);
        }
        case WM_GETTEXTLENGTH: return static_cast<LRESULT>(n.text.size());
        case WM_SETFONT:
            n.font = reinterpret_cast<const Font*>(wparam);
            if (LOWORD(static_cast<std::uintptr_t>(lparam))) Window::FromNode(&n)->Invalidate(true);
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(n.font);
        case WM_ERASEBKGND: {
            if (n.cls->background == kNoBackground || !wparam) return 0;
            reinterpret_cast<DC*>(wparam)->FillSolidRect(n.ClientRect(), n.cls->background);
            return 1;
        }
        case WM_PAINT: {
            PaintDC dc(*Window::FromNode(&n));
            return 0;
        }
        case WM_CLOSE:
            Window::FromNode(&n)->DestroyWindow();
            return 0;
        default: return 0;
    }
}

void RegisterStandardClasses() {
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    RegisterWindowClass({kButtonClass, 0, ButtonProcedure, IDC_ARROW, face});
    RegisterWindowClass({kStaticClass, 0, StaticProcedure, IDC_ARROW, face});
    RegisterWindowClass({kProgressClass, 0, ProgressProcedure, IDC_ARROW, GetSysColor(COLOR_WINDOW)});
    RegisterWindowClass({kDialogClass, 0, DialogProcedure, IDC_ARROW, face});
}

}  // namespace mendora::platform
