#include "render/window_level.h"

#include <algorithm>
#include <cmath>

namespace calyra {

WindowLevel StartSliceWindow(const ValueMapping& m) {
    const double width = m.hi - m.lo;
    return {(m.lo + m.hi) / 2.0, width == 0.0 ? 1.0 : width};
}

std::uint8_t WindowGrey(double fileValue, const WindowLevel& w) {
    if (std::isnan(fileValue)) return 0;
    const double low = w.level - w.width / 2.0;
    const double high = w.level + w.width / 2.0;
    if (fileValue <= low) return 0;
    if (fileValue >= high) return 255;
    // Within the window the quotient is below 255 but for rounding; a huge
    // window may overflow the product, which the clamp catches too.
    const double grey = std::trunc(((fileValue - low) * 255.0) / w.width);
    return static_cast<std::uint8_t>(std::clamp(grey, 0.0, 255.0));
}

std::vector<std::uint8_t> FineGreyTable(const ValueMapping& m, const WindowLevel& w) {
    std::vector<std::uint8_t> table(65536);
    for (std::uint32_t f = 0; f < table.size(); ++f) table[f] = WindowGrey(FileValue(m, f), w);
    return table;
}

WindowLevel DraggedWindow(const WindowLevel& start, const ValueMapping& m, int right, int up) {
    const double step = (m.hi - m.lo) / 512.0;
    const double narrowest = std::max((m.hi - m.lo) / 65535.0, 1e-6);
    WindowLevel w;
    w.width = std::max(start.width + static_cast<double>(right) * step, narrowest);
    w.level = start.level + static_cast<double>(up) * step;
    // A drag far past a huge range stays a window.
    if (!std::isfinite(w.width) || !std::isfinite(w.level)) return start;
    return w;
}

}  // namespace calyra
