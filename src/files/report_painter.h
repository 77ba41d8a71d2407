#pragma once
// The surface the printed report is drawn on. The report's layout decides every page,
// position, font and line; an implementation only draws, in device units of the page's
// printable area (origin at its top-left corner, y growing downwards), and measures text
// in the font last set. The workstation implements it on a printer, the tests record it.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/codecs.h"
#include "data/chart_model.h"

namespace tarvo {

struct ReportFont {
    std::string name;
    double pointSize = 9;
    bool bold = false;
    bool operator==(const ReportFont&) const = default;
};

enum class PenStyle { Solid, Dotted, Dashed };

struct ReportPen {
    Rgb colour = rgb(0, 0, 0);
    double width = 1;  // device units
    PenStyle style = PenStyle::Solid;
    bool operator==(const ReportPen&) const = default;
};

class ReportPainter {
  public:
    virtual ~ReportPainter() = default;

    virtual void setFont(const ReportFont& font) = 0;
    // Width of a text and height of one line in the current font, device units.
    virtual double textWidth(std::string_view text) = 0;
    virtual double lineHeight() = 0;
    // A text with its top-left corner at `topLeft`, in the current font.
    virtual void drawText(DevicePoint topLeft, std::string_view text) = 0;

    virtual void setPen(const ReportPen& pen) = 0;
    virtual void drawLine(DevicePoint from, DevicePoint to) = 0;
    virtual void drawPolyline(std::span<const DevicePoint> points) = 0;
    // Lines drawn from now on are cut at the rectangle; nothing cuts them again after
    // setClip(std::nullopt).
    virtual void setClip(std::optional<DeviceRect> rect) = 0;

    // Ends the current page and begins the next (never called after the last page).
    virtual void newPage() = 0;
};

}  // namespace tarvo
