#include "tools/station/window/StationWindow.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/Constants.h"
#include "platform/ui/UiHost.h"
#include "tools/station/window/TileLayout.h"

namespace mendora::station {

using namespace platform;

namespace {

constexpr int kButtonHeight = 26;
constexpr int kDetailsHeight = 38;
constexpr Size kComfortableTile{210, 150};
constexpr Size kLargestWindow{1000, 700};

DialogTemplate WindowTemplate(const StationTexts& t) {
    DialogTemplate d;
    d.caption = t.title;
    d.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
    d.cx = 200, d.cy = 100;  // laid out again in pixels once created
    d.pointSize = 9;
    constexpr std::uint32_t shown = WS_VISIBLE | WS_TABSTOP;
    d.items = {
        {kButtonClass, StationWindow::kStartId, t.start, 0, 0, 1, 1, BS_DEFPUSHBUTTON | shown},
        {kButtonClass, StationWindow::kStopId, t.stop, 0, 0, 1, 1, BS_PUSHBUTTON | shown | WS_DISABLED},
        {kButtonClass, StationWindow::kAutoStartId, t.autoStart, 0, 0, 1, 1, BS_AUTOCHECKBOX | shown},
        {kButtonClass, StationWindow::kClearId, t.clear, 0, 0, 1, 1, BS_PUSHBUTTON | shown | WS_DISABLED},
        {kStaticClass, StationWindow::kDetailsId, t.hint, 0, 0, 1, 1, SS_LEFT | WS_VISIBLE},
    };
    return d;
}

bool AnyTone(const StationPicture& p, std::initializer_list<TileTone> tones) {
    return std::any_of(p.tiles.begin(), p.tiles.end(), [&](const TileState& t) {
        return std::find(tones.begin(), tones.end(), t.tone) != tones.end();
    });
}

}  // namespace

Size StationWindowSize(int drives) {
    const int n = std::max(drives, 6);
    const int columns = std::max(1, static_cast<int>(std::ceil(std::sqrt(n * 1.5))));
    const int rows = (n + columns - 1) / columns;
    const int width = kTileGap + columns * (kComfortableTile.cx + kTileGap);
    const int height = kButtonHeight + 2 * kTileGap + kDetailsHeight + kTileGap + rows * (kComfortableTile.cy + kTileGap);
    return {std::min(width, kLargestWindow.cx), std::min(height, kLargestWindow.cy)};
}

StationWindow::StationWindow(WindowLink& link, StationTexts texts, int drives)
    : Dialog(WindowTemplate(texts)), link_(link), texts_(std::move(texts)), size_(StationWindowSize(drives)) {
    OnMessage(WM_TIMER, [this](WPARAM id, LPARAM) -> LRESULT {
        if (id == kRefreshTimer) Refresh();
        return 0;
    });
    OnCommand(kStopId, [this] {
        link_.Give(StationCommand::Stop);
        picture_.stopping = true;
        EnableButtons();
        ShowDetails();
    });
    OnCommand(kClearId, [this] { link_.Give(StationCommand::Clear); });
    OnCommand(kAutoStartId, [this] { link_.SetAutoStart(IsDlgButtonChecked(kAutoStartId) == BST_CHECKED); });
}

StationWindow::~StationWindow() = default;

bool StationWindow::OnInitDialog() {
    Dialog::OnInitDialog();
    // The client area the tiles need, whatever the frame adds.
    Rect r = GetWindowRect();
    const Rect client = GetClientRect();
    MoveWindow({r.left, r.top, r.left + size_.cx + r.Width() - client.Width(),
                r.top + size_.cy + r.Height() - client.Height()});
    LayOut();
    CheckDlgButton(kAutoStartId, link_.AutoStart() ? BST_CHECKED : BST_UNCHECKED);
    SetTimer(kRefreshTimer, kRefreshMilliseconds);
    Refresh();
    return true;
}

void StationWindow::LayOut() {
    const Rect client = GetClientRect();
    int x = kTileGap;
    auto place = [&](int id, int width) {
        if (Window* w = GetDlgItem(id)) w->MoveWindow({x, kTileGap, x + width, kTileGap + kButtonHeight});
        x += width + kTileGap;
    };
    place(kStartId, 90);
    place(kStopId, 90);
    place(kAutoStartId, 120);
    place(kClearId, 120);
    if (Window* details = GetDlgItem(kDetailsId))
        details->MoveWindow({kTileGap, client.bottom - kDetailsHeight, client.right - kTileGap, client.bottom - 2});
    tileArea_ = {0, 2 * kTileGap + kButtonHeight - kTileGap, client.right, client.bottom - kDetailsHeight - 2};
    const auto rects = TileGrid(tileArea_, static_cast<int>(tiles_.size()));
    for (std::size_t i = 0; i < tiles_.size(); ++i) tiles_[i]->Place(rects[i]);
}

void StationWindow::Refresh() {
    ++ticks_;
    StationPicture picture;
    if (link_.TakePicture(&picture)) Apply(picture);
    else Apply(picture_);  // the blink goes on
}

void StationWindow::Apply(const StationPicture& picture) {
    const bool stoppingBefore = picture_.stopping;
    picture_ = picture;
    picture_.stopping = picture.stopping || stoppingBefore;
    const std::size_t count = picture_.tiles.size();
    if (count != tiles_.size()) {
        while (tiles_.size() > count) tiles_.pop_back();
        const auto rects = TileGrid(tileArea_, static_cast<int>(count));
        while (tiles_.size() < count) {
            const std::size_t index = tiles_.size();
            auto tile = std::make_unique<TileWindow>();
            const int id = kFirstTileId + static_cast<int>(index);
            tile->CreateTile(*this, id, rects[index]);
            OnCommand(id, [this, index] { TileClicked(index); });
            tiles_.push_back(std::move(tile));
        }
        for (std::size_t i = 0; i < count; ++i) tiles_[i]->Place(rects[i]);
        if (selected_ >= static_cast<int>(count)) selected_ = -1;
    }
    const bool blinkOn = (ticks_ / 2) % 2 == 0;
    for (std::size_t i = 0; i < count; ++i) tiles_[i]->Show(picture_.tiles[i], blinkOn);
    EnableButtons();
    ShowDetails();
    if (picture_.ended) EndDialog(picture_.exitStatus);
}

void StationWindow::EnableButtons() {
    const bool stopping = picture_.stopping || closing_;
    if (Window* w = GetDlgItem(kStartId)) w->EnableWindow(!stopping && AnyTone(picture_, {TileTone::Ready}));
    if (Window* w = GetDlgItem(kStopId))
        w->EnableWindow(!stopping && AnyTone(picture_, {TileTone::Working, TileTone::Waiting}));
    if (Window* w = GetDlgItem(kAutoStartId)) w->EnableWindow(!stopping);
    const bool removed = std::any_of(picture_.tiles.begin(), picture_.tiles.end(), [](const TileState& t) {
        return t.removed && t.tone != TileTone::Working && t.tone != TileTone::Waiting;
    });
    if (Window* w = GetDlgItem(kClearId)) w->EnableWindow(removed);
}

// What the pane says: the chosen tile in full, else how a stop goes, else the hint.
void StationWindow::ShowDetails() {
    std::string text;
    if (selected_ >= 0 && selected_ < static_cast<int>(picture_.tiles.size())) {
        const TileState& t = picture_.tiles[selected_];
        text = t.name + "  " + t.model + "  " + t.phase;
        if (!t.verdict.empty()) text += "  " + t.verdict;
        if (!t.reason.empty()) text += ": " + t.reason;
        if (!t.mapFile.empty()) text += "\n" + t.mapFile;
        else if (t.tone == TileTone::Repaired) text += "\n" + texts_.noMap;
    } else if (closing_) {
        text = texts_.stopping + "\n" + texts_.closing;
    } else if (picture_.stopping) {
        text = texts_.stopping + (picture_.waiting.empty() ? "" : "\n" + picture_.waiting);
    } else {
        text = texts_.hint;
    }
    if (GetDlgItemText(kDetailsId) != text) SetDlgItemText(kDetailsId, text);
}

void StationWindow::TileClicked(std::size_t index) {
    selected_ = static_cast<int>(index);
    ShowDetails();
    const TileState& t = picture_.tiles[index];
    if (!t.mapFile.empty() && UiHost::Current()) UiHost::Current()->OpenFile(t.mapFile);
}

void StationWindow::OnOK() { link_.Give(StationCommand::Start); }

// Closing asks the station to stop as Ctrl-C does; the window stays, saying what it waits
// for, until every worker has ended.
void StationWindow::OnCancel() {
    if (picture_.ended) {
        EndDialog(picture_.exitStatus);
        return;
    }
    closing_ = true;
    selected_ = -1;
    link_.Close();
    EnableButtons();
    ShowDetails();
}

}  // namespace mendora::station
