#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "tools/station/window/TileState.h"

namespace mendora::station {

// What the station shows its window: one tile per drive, and where the station is.
struct StationPicture {
    std::vector<TileState> tiles;
    bool stopping = false;  // a stop was asked; the workers finish their current step
    std::string waiting;    // the drives still stopping, with their phase
    bool ended = false;     // every worker has ended and the reports are written
    int exitStatus = 0;
};

enum class StationCommand { Start, Stop, Clear };

// The one meeting point of the station's thread and the window's thread: the station
// publishes pictures and takes the person's commands; the window takes the latest picture
// and gives commands. Any thread may call anything.
class WindowLink {
public:
    // The station's side.
    void Publish(StationPicture picture);
    std::vector<StationCommand> TakeCommands();
    bool AutoStart() const;
    // The window was closed: the station stops its workers and ends.
    bool Closing() const;

    // The window's side. TakePicture answers false when nothing new was published.
    bool TakePicture(StationPicture* picture);
    // Waits until the station has published its first picture, up to the limit.
    bool WaitForFirstPicture(std::chrono::milliseconds limit);
    void Give(StationCommand command);
    void SetAutoStart(bool on);
    void Close();

private:
    mutable std::mutex mutex_;
    std::condition_variable publishedSignal_;
    StationPicture picture_;
    std::uint64_t published_ = 0, taken_ = 0;
    std::vector<StationCommand> commands_;
    bool autoStart_ = false;
    bool closing_ = false;
};

}  // namespace mendora::station
