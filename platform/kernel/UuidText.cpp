#include <cstdio>

#include "platform/kernel/HostFacts.h"

namespace mendora::platform {

std::string UuidFromRandomBytes(const unsigned char (&bytes)[16]) {
    unsigned char b[16];
    for (int i = 0; i < 16; ++i) b[i] = bytes[i];
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);  // version 4: random
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);  // the RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

}  // namespace mendora::platform
