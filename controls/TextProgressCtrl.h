#pragma once
#include <cstdint>
#include <string>

#include "platform/ui/ProgressCtrl.h"

namespace mendora {

using platform::COLORREF;

// Colour value meaning "automatic": it can never be a real colour.
inline constexpr COLORREF kAutomaticColour = 0xFF000000;
inline constexpr platform::UINT PBM_SETTEXTCOLOR = platform::WM_USER + 100;
inline constexpr platform::UINT PBM_SETSHOWTEXT = platform::WM_USER + 101;

// A progress bar that paints itself: the done part in the bar colour, the rest in the
// background colour, and a text (by default the percentage) centred over both, drawn in
// the background colour over the done part and in the bar colour over the rest. A
// position change repaints at once, and only when the filled width changes.
class TextProgressCtrl : public platform::ProgressCtrl {
public:
    TextProgressCtrl();
    ~TextProgressCtrl() override;

    void SetShowText(std::int32_t show);

private:
    platform::LRESULT OnSetPos(std::int32_t position);
    void OnPaint();
    platform::LRESULT Recolour(COLORREF& field, platform::LPARAM colour);

    COLORREF textColour_ = kAutomaticColour;
    std::int32_t position_ = 0;
    std::int32_t step_ = 1;
    std::int32_t upper_ = 100;
    std::int32_t lower_ = 0;
    std::string text_;
    std::int32_t showText_ = 1;
    std::int32_t cachedExtent_ = -1;
    COLORREF barColour_ = kAutomaticColour;
    COLORREF backgroundColour_ = kAutomaticColour;
    std::uint32_t textFormat_ = 0x25;  // DT_CENTER | DT_VCENTER | DT_SINGLELINE
};

}  // namespace mendora
