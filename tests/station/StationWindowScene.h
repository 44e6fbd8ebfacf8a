#pragma once
// One fixed picture of the station's window, the same in every host: six drives in every
// state a tile has, for the screenshots.
#include <fstream>
#include <sstream>
#include <string>

#include "platform/kernel/TableResources.h"
#include "platform/ui/Bitmap.h"
#include "tools/station/window/StationWindow.h"

namespace mendora::station {

// The station's texts from the string table's source, in a language.
inline StationTexts TextsFromTable(std::uint16_t language) {
    std::ifstream in(MENDORA_STRINGS_TSV, std::ios::binary);
    std::stringstream source;
    source << in.rdbuf();
    static std::string table;
    table = source.str();
    const platform::ResourceEntry entries[] = {{platform::kStringTableType, 1, 0,
                                                reinterpret_cast<const std::uint8_t*>(table.data()), table.size()}};
    platform::TableResources resources(entries, language);
    return StationTexts::Load(resources);
}

inline StationPicture SixDriveScene(const StationTexts& t) {
    auto tile = [](std::string name, std::string model, std::string phase, TileTone tone, int progress,
                   std::string text, int bad, std::string verdict = "", std::string reason = "") {
        TileState s;
        s.name = std::move(name), s.model = std::move(model), s.phase = std::move(phase), s.tone = tone;
        s.progress = progress, s.progressText = std::move(text);
        s.badText = tone == TileTone::Ready ? "" : "Bad Blocks: " + std::to_string(bad);
        s.badDegrees = bad * 360 / 256;
        s.verdict = std::move(verdict), s.reason = std::move(reason);
        return s;
    };
    const auto& p = t.phases;
    StationPicture picture;
    picture.tiles = {
        tile("D:", "QF90 128MB", p[2], TileTone::Working, 412, "41%  28.4 MB/s  0:35 " + t.left, 2),
        tile("E:", "QF90 128MB", p[7], TileTone::Repaired, 1000, "100%  0:00 " + t.left, 3, t.repaired),
        tile("F:", "QF70 64MB", p[5], TileTone::Waiting, 850, "85%", 1),
        tile("G:", "QF70 64MB", p[6], TileTone::Working, 900, "90%  0:04 " + t.left, 0),
        tile("H:", "QF70 64MB", t.removed, TileTone::Failed, 301, "30%", 0, t.failed,
             "revert: no answer (at chip 0 block 77)"),
        tile("I:", "", t.ready, TileTone::Ready, 0, "", 0),
    };
    picture.tiles[4].removed = true;
    return picture;
}

// Pixels where the two pictures differ; -1 when their sizes do.
inline int PixelDifferences(const platform::Bitmap& a, const platform::Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
    int n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) n += a.Pixel(x, y) != b.Pixel(x, y);
    return n;
}

}  // namespace mendora::station
