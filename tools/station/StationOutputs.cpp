// The files the station writes besides its table, checked before any drive is repaired.
#include <cctype>

#include "platform/kernel/OutputFiles.h"
#include "tools/station/Station.h"

namespace mendora::station {

std::string DriveFileStem(const std::string& driveName) {
    std::string stem = driveName.size() == 2 && driveName[1] == ':' ? driveName.substr(0, 1) : driveName;
    for (char& c : stem)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return stem;
}

std::string MapFileOf(const std::string& directory, const std::string& driveName) {
    return directory + "/" + DriveFileStem(driveName) + ".png";
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
