#pragma once
#include <cstddef>

// An image file is mapped into memory, and another process may cut it short at any time;
// touching a mapped page beyond the new end then raises a bus error. For the mappings
// watched here, that page and the rest of the mapping are replaced by zero pages instead, so
// the command under way completes, and the mapping is marked damaged so that its result is
// discarded and the image is reported as cut short. (Windows never lets a mapped file shrink.)
namespace mendora::vdrive {

void WatchMapping(void* base, std::size_t size);
void ForgetMapping(void* base);
bool MappingDamaged(const void* base);

}  // namespace mendora::vdrive
