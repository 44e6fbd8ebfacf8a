#include "tools/station/window/TileColours.h"

namespace mendora::station {

using platform::RGB;

TileColours ColoursOf(TileTone tone, bool blinkOn) {
    switch (tone) {
        case TileTone::Ready: return {RGB(232, 232, 232), RGB(0, 0, 0), RGB(0, 84, 166), RGB(255, 255, 255)};
        case TileTone::Working: return {RGB(250, 250, 250), RGB(0, 0, 0), RGB(0, 84, 166), RGB(255, 255, 255)};
        case TileTone::Waiting:
            return blinkOn ? TileColours{RGB(255, 176, 0), RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 236, 179)}
                           : TileColours{RGB(255, 236, 179), RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255)};
        case TileTone::Repaired: return {RGB(0, 150, 57), RGB(255, 255, 255), RGB(0, 90, 34), RGB(200, 240, 210)};
        case TileTone::Failed: return {RGB(204, 0, 0), RGB(255, 255, 255), RGB(110, 0, 0), RGB(255, 205, 205)};
    }
    return {RGB(255, 255, 255), RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255)};
}

}  // namespace mendora::station
