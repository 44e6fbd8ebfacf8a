#pragma once
#include <cstdint>

#include "platform/ui/Bitmap.h"
#include "platform/ui/DialogTemplate.h"

namespace mendora {

// Dialog template ids.
inline constexpr std::uint16_t kRepairDialogTemplate = 102;
inline constexpr std::uint16_t kReplugPopupTemplate = 106;

// Icon ids.
inline constexpr std::uint16_t kDialogIcon = 128;
inline constexpr std::uint16_t kBadBlockIcon = 129;

// The main dialog: caption, system menu and modal frame, 179 x 129 dialog units, 9 points.
platform::DialogTemplate RepairDialogTemplate();
// The re-plug window: a captionless popup with one centred text, control 1012.
platform::DialogTemplate ReplugPopupTemplate();
// An icon of the executable by id (32 x 32 pixels); an empty bitmap for an unknown id.
const platform::Bitmap& IconResource(std::uint16_t id);

}  // namespace mendora
