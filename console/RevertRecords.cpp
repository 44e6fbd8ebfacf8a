#include "console/RevertRecords.h"

namespace mendora {

FlashGeometry& SharedGeometry() {
    static FlashGeometry geometry;
    return geometry;
}

RevertOptions& SharedOptions() {
    static RevertOptions options;
    return options;
}

}  // namespace mendora
