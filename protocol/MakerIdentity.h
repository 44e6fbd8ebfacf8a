#pragma once
#include <cstdint>
#include <string_view>

// How the maker's controllers identify themselves on the bus and to INQUIRY.
namespace mendora::maker {

inline constexpr std::uint16_t kUsbVendorId = 0x3A51;
inline constexpr std::uint16_t kUsbProductId = 0x7090;

// INQUIRY standard data: vendor (8 bytes), product (16 bytes), revision (4 bytes),
// each padded with blanks to its full width.
inline constexpr std::string_view kInquiryVendor = "QUORVANE";
inline constexpr std::string_view kInquiryProduct = "USB Flash Disk  ";
inline constexpr std::string_view kInquiryRevision = "1.00";

static_assert(kInquiryVendor.size() == 8);
static_assert(kInquiryProduct.size() == 16);
static_assert(kInquiryRevision.size() == 4);

}  // namespace mendora::maker
