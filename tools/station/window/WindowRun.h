#pragma once
#include <string>

#include "platform/kernel/Resources.h"
#include "tools/station/Station.h"

namespace mendora::station {

// Shows the station's window on the desktop host and runs the station behind it on a
// thread of its own, until the window is closed and every worker has stopped. Answers the
// exit status: the station's, or 2 without a display to show the window on. With
// `autoStart` the window opens with Auto-start on.
int RunStationWindow(Station& station, const std::string& executable, const std::string& logDirectory,
                     platform::Resources& resources, bool autoStart);

}  // namespace mendora::station
