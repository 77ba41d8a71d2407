#pragma once
// The core's colours (0x00BBGGRR) as Qt colours.

#include <QColor>

#include "core/codecs.h"

namespace tarvo::gui {

inline QColor toQColor(Rgb colour) {
    return QColor(static_cast<int>(colour & 0xffu), static_cast<int>((colour >> 8) & 0xffu),
                  static_cast<int>((colour >> 16) & 0xffu));
}

}  // namespace tarvo::gui
