// The files the station writes besides its table, checked before any drive is repaired.
#include "platform/kernel/OutputFiles.h"
#include "tools/station/Station.h"

namespace mendora::station {

std::string MapFileOf(const std::string& directory, const std::string& driveName) {
    return directory + "/" + driveName.substr(0, 1) + ".png";
}

bool Station::CheckMapFiles(std::string* error) const {
    if (options_.mapDirectory.empty()) return true;
    for (const auto& row : rows_) {
        const std::string path = MapFileOf(options_.mapDirectory, row->name);
        if (std::string why = platform::CheckOutputFile(path); !why.empty())
            return *error = "--map: " + path + ": " + why, false;
    }
    return true;
}

}  // namespace mendora::station
