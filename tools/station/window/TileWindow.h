#pragma once
#include "controls/PieChartCtrl.h"
#include "controls/TextProgressCtrl.h"
#include "platform/ui/Font.h"
#include "platform/ui/Window.h"
#include "tools/station/window/TileColours.h"
#include "tools/station/window/TileState.h"

namespace mendora::station {

// One drive's tile: a child window that paints the drive's texts on its tone's colour,
// with a text progress bar and a pie chart of the bad share inside. A click tells the
// parent (WM_COMMAND, BN_CLICKED, with the tile's id).
class TileWindow : public platform::Window {
public:
    TileWindow();
    ~TileWindow() override;

    bool CreateTile(platform::Window& parent, int id, const platform::Rect& rect);
    // Shows the state; only what changed is drawn again.
    void Show(const TileState& state, bool blinkOn);
    void Place(const platform::Rect& rect);

    const TileState& State() const { return state_; }
    // How often the tile and its two controls were painted.
    int Repaints() const;
    platform::COLORREF Background() const { return colours_.background; }

private:
    void OnPaint();
    void LayOutControls();
    void ShowControls(const TileState& state, bool recoloured);

    TileState state_;
    bool shown_ = false;
    bool blinkOn_ = true;
    TileColours colours_{};
    TextProgressCtrl progress_;
    PieChartCtrl pie_;
    platform::Font nameFont_;
    platform::Font textFont_;
    platform::Font smallFont_;
};

// The tiles' window class; registered once.
inline constexpr const char* kTileClass = "MendoraStationTile";
void RegisterTileClass();

}  // namespace mendora::station
