#include "tools/station/window/WindowRun.h"

#include <cstdio>
#include <chrono>
#include <thread>

#include "platform/ui/UiHost.h"
#include "tools/station/window/StationWindow.h"

namespace mendora::station {

int RunStationWindow(Station& station, const std::string& executable, const std::string& logDirectory,
                     platform::Resources& resources, bool autoStart) {
    auto host = platform::CreateUiHost();
    if (!host->DrawsText()) {
        std::fprintf(stderr, "mendora-station: --window needs a display (DISPLAY or WAYLAND_DISPLAY)\n");
        return 2;
    }
    const StationTexts texts = StationTexts::Load(resources);
    WindowLink link;
    link.SetAutoStart(autoStart);
    int status = 0;
    std::thread loop([&] { status = station.RunWindowed(executable, logDirectory, link, texts); });
    link.WaitForFirstPicture(std::chrono::seconds(10));
    {
        StationWindow window(link, texts, static_cast<int>(station.DriveCount()));
        window.DoModal();
    }
    // Whatever ended the window (closed, or never shown), the station stops and ends.
    link.Close();
    loop.join();
    return status;
}

}  // namespace mendora::station
