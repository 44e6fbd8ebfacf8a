#pragma once
#include <memory>
#include <vector>

#include "platform/ui/Dialog.h"
#include "tools/station/window/StationTexts.h"
#include "tools/station/window/TileWindow.h"
#include "tools/station/window/WindowLink.h"

namespace mendora::station {

// The station as a window: a row of buttons (Start, Stop, Auto-start, Clear removed), one
// tile per drive in a grid that fits the window, and a details pane. It reads the station's
// pictures from the link on a timer, redraws the tiles that changed, and hands the person's
// commands to the station. Closing it stops the station as Ctrl-C does; it ends once every
// worker has stopped, with the station's exit status.
class StationWindow : public platform::Dialog {
public:
    static constexpr int kStartId = platform::IDOK;
    static constexpr int kStopId = 1002;
    static constexpr int kAutoStartId = 1003;
    static constexpr int kClearId = 1004;
    static constexpr int kDetailsId = 1005;
    static constexpr int kFirstTileId = 2000;
    static constexpr platform::UINT kRefreshTimer = 1;
    static constexpr platform::UINT kRefreshMilliseconds = 250;  // a blink is two of them

    // `drives`: how many drives there are at the start, for the window's first size.
    StationWindow(WindowLink& link, StationTexts texts, int drives);
    ~StationWindow() override;

    std::size_t TileCount() const { return tiles_.size(); }
    TileWindow& Tile(std::size_t index) { return *tiles_[index]; }
    // Takes the latest picture now, as the timer does.
    void Refresh();

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void Apply(const StationPicture& picture);
    void LayOut();
    void ShowDetails();
    void TileClicked(std::size_t index);
    void EnableButtons();

    WindowLink& link_;
    StationTexts texts_;
    platform::Size size_;
    StationPicture picture_;
    std::vector<std::unique_ptr<TileWindow>> tiles_;
    platform::Rect tileArea_;
    int ticks_ = 0;
    bool closing_ = false;
    int selected_ = -1;
};

// The window's size in pixels for a number of drives: room for a grid of comfortable tiles,
// no larger than a small screen.
platform::Size StationWindowSize(int drives);

}  // namespace mendora::station
