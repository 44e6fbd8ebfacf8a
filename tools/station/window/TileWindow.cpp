#include "tools/station/window/TileWindow.h"

#include <algorithm>

#include "platform/ui/Constants.h"
#include "platform/ui/WindowClass.h"

namespace mendora::station {

using namespace platform;

namespace {

constexpr int kPad = 6;
constexpr int kLine = 18;
constexpr int kBarHeight = 18;
constexpr int kBarId = 1, kPieId = 2;

// The pie's square at the tile's top right, beside the first three lines.
Rect PieRect(const Rect& client) {
    const int side = std::clamp(client.Height() / 3, 32, 3 * kLine + 4);
    return {client.right - kPad - side, kPad, client.right - kPad, kPad + side};
}

Rect BarRect(const Rect& client) {
    const int top = kPad + 3 * kLine + 6;
    return {kPad, top, client.right - kPad, top + kBarHeight};
}

}  // namespace

void RegisterTileClass() {
    WindowClass cls;
    cls.name = kTileClass;
    RegisterWindowClass(cls);
}

TileWindow::TileWindow() : nameFont_("Arial", 16, 700), textFont_("Arial", 14, 400), smallFont_("Arial", 12, 400) {
    OnMessage(WM_PAINT, [this](WPARAM, LPARAM) -> LRESULT {
        OnPaint();
        return 0;
    });
    OnMessage(WM_ERASEBKGND, [](WPARAM, LPARAM) -> LRESULT { return 1; });
    OnMessage(WM_LBUTTONUP, [this](WPARAM, LPARAM) -> LRESULT {
        if (Window* parent = GetParent()) parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), BN_CLICKED), 0);
        return 0;
    });
}

TileWindow::~TileWindow() = default;

bool TileWindow::CreateTile(Window& parent, int id, const Rect& rect) {
    RegisterTileClass();
    RegisterPieChartClass();
    if (!Create(kTileClass, "", WS_CHILD | WS_VISIBLE, rect, &parent, id)) return false;
    const Rect client = GetClientRect();
    if (!progress_.Create(kProgressClass, "", WS_CHILD, BarRect(client), this, kBarId)) return false;
    if (!pie_.Create("PIE_CHART_CTRL", "", WS_CHILD, PieRect(client), this, kPieId)) return false;
    // Disabled, so that a click anywhere on the tile is the tile's.
    progress_.EnableWindow(false);
    pie_.EnableWindow(false);
    // The bar writes its text in its parent's font.
    SetFont(&smallFont_, false);
    progress_.SetRange32(0, 1000);
    return true;
}

void TileWindow::Place(const Rect& rect) {
    if (rect == GetWindowRect()) return;
    MoveWindow(rect);
    LayOutControls();
}

void TileWindow::LayOutControls() {
    const Rect client = GetClientRect();
    progress_.MoveWindow(BarRect(client));
    pie_.MoveWindow(PieRect(client));
    progress_.SetPos(state_.progress);
}

int TileWindow::Repaints() const { return PaintCount() + progress_.PaintCount() + pie_.PaintCount(); }

void TileWindow::Show(const TileState& state, bool blinkOn) {
    const bool blinking = Blinks(state.tone);
    const bool wasBlinkOn = blinkOn_;
    blinkOn_ = blinking ? blinkOn : true;
    if (shown_ && state == state_ && blinkOn_ == wasBlinkOn) return;
    const TileColours colours = ColoursOf(state.tone, blinkOn_);
    const bool recoloured = !shown_ || colours.background != colours_.background || colours.bar != colours_.bar;
    TileState own = state_;
    own.progress = state.progress, own.progressText = state.progressText, own.badDegrees = state.badDegrees;
    // The tile's own texts and colour; the controls draw themselves.
    const bool tileChanged = !shown_ || !(own == state) || recoloured;
    colours_ = colours;
    ShowControls(state, recoloured);
    state_ = state;
    shown_ = true;
    if (tileChanged) Invalidate(true);
}

void TileWindow::ShowControls(const TileState& state, bool recoloured) {
    const bool visible = state.tone != TileTone::Ready;
    progress_.ShowWindow(visible ? SW_SHOW : SW_HIDE);
    pie_.ShowWindow(visible && !state.badText.empty() ? SW_SHOW : SW_HIDE);
    if (recoloured) {
        progress_.SendMessage(PBM_SETBARCOLOR, 0, static_cast<LPARAM>(colours_.bar));
        progress_.SendMessage(PBM_SETBKCOLOR, 0, static_cast<LPARAM>(colours_.barBack));
    }
    if (!shown_ || state.progressText != state_.progressText) progress_.SetWindowText(state.progressText);
    if (!shown_ || state.progress != state_.progress) progress_.SetPos(state.progress);
    if (!shown_ || state.badDegrees != state_.badDegrees) {
        pie_.RemoveAllSegments();
        pie_.AddSegment(RGB(255, 0, 0), RGB(0, 0, 0), state.badDegrees, "");
    }
}

void TileWindow::OnPaint() {
    PaintDC dc(*this);
    const Rect client = GetClientRect();
    dc.FillSolidRect(client, colours_.background);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colours_.text);
    const bool controls = state_.tone != TileTone::Ready;
    const int right = controls ? PieRect(client).left - kPad : client.right - kPad;
    auto line = [&](const std::string& text, int top, const Font& font, int rightEdge) {
        dc.SelectObject(&font);
        Rect r{kPad, top, rightEdge, top + kLine};
        dc.DrawText(text, r, DT_LEFT | DT_SINGLELINE);
    };
    line(state_.name, kPad, nameFont_, right);
    line(state_.model, kPad + kLine, textFont_, right);
    line(state_.phase, kPad + 2 * kLine, state_.tone == TileTone::Waiting ? nameFont_ : textFont_, right);
    const int below = BarRect(client).bottom + 4;
    line(state_.badText, below, textFont_, client.right - kPad);
    std::string verdict = state_.verdict;
    if (!state_.reason.empty()) verdict += ": " + state_.reason;
    dc.SelectObject(&nameFont_);
    Rect rest{kPad, below + kLine, client.right - kPad, client.bottom - 2};
    dc.DrawText(verdict, rest, DT_LEFT | DT_WORDBREAK);
    dc.FrameRect(client, RGB(96, 96, 96));
}

}  // namespace mendora::station
