#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/DrawingObjects.h"
#include "platform/ui/Window.h"

namespace mendora {

using platform::COLORREF;

// One slice of the chart.
class PieSegment {
public:
    PieSegment(COLORREF colour, COLORREF textColour, int span, std::string label);
    virtual ~PieSegment() = default;

    COLORREF colour;
    COLORREF textColour;
    platform::Brush brush;
    int span;  // degrees
    std::string label;  // empty: no legend entry
};

// Registers the window class "PIE_CHART_CTRL" (cross-hair cursor, light grey
// background); answers false when it exists already.
bool RegisterPieChartClass();

// A circular chart of coloured slices on a background disc, with the percentage inside
// every slice wider than 25 degrees and a legend of labelled slices at the top right.
// Dragging with the left button turns it by one degree per pixel.
class PieChartCtrl : public platform::Window {
public:
    PieChartCtrl();
    ~PieChartCtrl() override;

    // Appends a slice and repaints; answers 1, or 0 when memory ran out (nothing changes).
    int AddSegment(COLORREF colour, COLORREF textColour, int span, const std::string& label);
    // Drops every slice; neither repaints nor resets the start angle.
    void RemoveAllSegments();

    void RecalcLayout();
    platform::Point AngleToPoint(int angle, bool inner) const;

    int StartAngle() const { return startAngle_; }
    const platform::Rect& PieRect() const { return pieRect_; }
    std::size_t SegmentCount() const { return segments_.size(); }

private:
    void OnPaint();
    void OnLButtonDown(int x);
    void OnMouseMove(int x);
    void OnLButtonUp();
    void DrawSegment(platform::DC& dc, const PieSegment& segment, const platform::Pen& outline,
                     int& angle, platform::Point& p0, int& legendRow);

    std::int32_t startAngle_ = 0;
    COLORREF discColour_ = 0xFF0000;
    COLORREF outlineColour_ = 0;
    std::vector<std::unique_ptr<PieSegment>> segments_;
    platform::Font labelFont_;
    std::int32_t lastX_ = 0;
    std::int32_t dragging_ = 0;
    platform::Rect pieRect_;
};

}  // namespace mendora
