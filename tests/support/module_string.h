#pragma once
// Reads recorded bars back as a module string, for symbologies drawn one module at a time.

#include "tests/support/recording_surface.h"

#include <string>

// The 'b'/'s' string of the bars drawn in orientation 0 from x = 0, one character per module
// of width `x`, up to the last bar. A bar that is not one module wide on the module grid gives
// '?' at its place, so a misdrawn bar shows in the comparison.
inline std::string ModuleString(const RecordingSurface& surface, int x) {
    std::string modules;
    for (const BarSpan& bar : surface.Bars(0)) {
        const bool onGrid = bar.lo >= 0 && bar.lo % x == 0 && bar.hi - bar.lo == x;
        const std::size_t at = static_cast<std::size_t>(bar.lo < 0 ? 0 : bar.lo / x);
        if (modules.size() <= at) modules.resize(at + 1, 's');
        modules[at] = onGrid ? 'b' : '?';
    }
    return modules;
}
