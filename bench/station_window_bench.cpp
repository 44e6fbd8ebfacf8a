// How busy the station's window keeps its thread, and how many repaints it spends: the
// window in the desktop host (Qt, offscreen) follows 32 drives whose workers report every
// 200 ms, as the station's workers do, at the pace of a drive in the USB 2.0 model (a
// 128 MB drive's revert moving about 1.5 MB/s of its share of the bus), published through
// the link after each round as the station's loop does. Prints two lines.
#include <pthread.h>
#include <stdlib.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/kernel/TableResources.h"
#include "platform/ui/qt/QtUiHost.h"
#include "tools/station/window/StationWindow.h"

namespace {

using namespace mendora;
using namespace mendora::station;

constexpr int kDrives = 32;
constexpr double kSeconds = 6.0;      // the span measured
constexpr double kRepairSeconds = 8;  // one drive's whole repair at that pace

double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

StationTexts EnglishTexts() {
    std::ifstream in(MENDORA_STRINGS_TSV, std::ios::binary);
    std::stringstream source;
    source << in.rdbuf();
    static std::string table = source.str();
    const platform::ResourceEntry entries[] = {{platform::kStringTableType, 1, 0,
                                                reinterpret_cast<const std::uint8_t*>(table.data()), table.size()}};
    platform::TableResources resources(entries, 1033);
    return StationTexts::Load(resources);
}

// Where a drive is after `t` seconds: its phase and the share of it done.
std::pair<const char*, double> PhaseAt(double t) {
    static const std::pair<const char*, double> phases[] = {
        {"erase", 0.05}, {"pattern write", 0.40}, {"verify", 0.30}, {"blank check", 0.10}, {"library", 0.15}};
    double at = t / kRepairSeconds;
    for (const auto& [name, share] : phases) {
        if (at < share) return {name, at / share};
        at -= share;
    }
    return {"library", 1.0};
}

// The drives' workers: a line per drive every 200 ms, then a picture for the window.
void Feed(WindowLink& link, const StationTexts& texts, std::atomic<bool>& stop) {
    std::vector<DriveRow> rows(kDrives);
    const double start = Now();
    for (int i = 0; i < kDrives; ++i) {
        rows[i].name = std::string(1, char('D' + i % 23)) + std::to_string(i / 23) + ":";
        rows[i].Apply({{"t", "identity"},
                       {"description", "Maker Disk QF90 128MB"},
                       {"geometry", {{"chips", 1}, {"blocks_per_chip", 1024}}}},
                      start);
    }
    while (!stop.load()) {
        const double now = Now();
        StationPicture picture;
        for (int i = 0; i < kDrives; ++i) {
            // The drives were plugged in a little apart.
            const double t = now - start + 0.1 * i;
            const auto [phase, fraction] = PhaseAt(t);
            rows[i].Apply({{"t", "progress"}, {"phase", phase}, {"fraction", fraction},
                           {"bad", static_cast<int>(t / 2)}, {"written", t * 1.5e6}, {"read", 0}},
                          now);
            picture.tiles.push_back(TileStateOf(rows[i], true, texts, "", now));
        }
        link.Publish(std::move(picture));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

// Whether the tile's new state moves a pixel: a text, a colour, the pie, or the bar's
// filled width.
bool MovesAPixel(const TileState& before, const TileState& after, int barWidth) {
    TileState a = before, b = after;
    const bool bar = a.progress * barWidth / 1000 != b.progress * barWidth / 1000;
    a.progress = b.progress = 0;
    return bar || !(a == b);
}

}  // namespace

int main() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    platform::QtUiHost qt;
    const StationTexts texts = EnglishTexts();
    WindowLink link;
    std::atomic<bool> stop{false};
    std::thread feeder([&] { Feed(link, texts, stop); });
    link.WaitForFirstPicture(std::chrono::seconds(5));
    StationWindow window(link, texts, kDrives);
    if (!window.CreateModeless()) return std::fprintf(stderr, "station-window: no window\n"), 1;
    window.ShowWindow(platform::SW_SHOW);

    std::vector<TileState> seen(kDrives);
    std::vector<int> repaints(kDrives, 0);
    long changes = 0, repainted = 0;
    clockid_t self{};
    pthread_getcpuclockid(pthread_self(), &self);
    const double cpuStart = CpuSeconds(self), wallStart = Now();
    while (Now() - wallStart < kSeconds) {
        qt.WaitAndDispatch();
        for (std::size_t i = 0; i < window.TileCount() && i < seen.size(); ++i) {
            TileWindow& tile = window.Tile(i);
            const int barWidth = tile.GetClientRect().Width() - 12;
            if (MovesAPixel(seen[i], tile.State(), barWidth)) ++changes;
            if (tile.Repaints() != repaints[i]) ++repainted;
            seen[i] = tile.State();
            repaints[i] = tile.Repaints();
        }
    }
    const double cpu = CpuSeconds(self) - cpuStart, wall = Now() - wallStart;
    stop = true;
    feeder.join();
    std::printf("station-window-cpu: %.4f (window thread CPU / wall, %d drives in the USB 2.0 model) goal 0.02\n",
                cpu / wall, kDrives);
    std::printf("station-window-redraws: %.3f (tile repaints / progress changes that move a pixel) goal 1.0\n",
                changes ? double(repainted) / double(changes) : 0.0);
    return 0;
}
