#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mendora::platform {

// One control of a dialog template; position and size in dialog units.
struct DialogItem {
    std::string className;
    int id = 0;
    std::string text;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t style = 0;
};

// A dialog as data: caption, style, size in dialog units, font and controls.
struct DialogTemplate {
    std::string caption;
    std::uint32_t style = 0;
    int cx = 0, cy = 0;
    int pointSize = 9;
    std::string fontFace;
    std::vector<DialogItem> items;
};

}  // namespace mendora::platform
