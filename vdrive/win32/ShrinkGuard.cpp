#include "vdrive/ShrinkGuard.h"

// Windows refuses to cut a file short while any process maps it, so a mapping never
// loses its pages under us and there is nothing to watch.
namespace mendora::vdrive {

void WatchMapping(void*, std::size_t) {}
void ForgetMapping(void*) {}
bool MappingDamaged(const void*) { return false; }

}  // namespace mendora::vdrive
