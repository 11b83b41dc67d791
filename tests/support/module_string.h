#pragma once
// Reads recorded bars back as a module string, for symbologies drawn one module at a time.

#include "tests/support/recording_surface.h"

#include <string>

// The 'b'/'s' string of the bars drawn in orientation 0 from x = 0, one character per module
// of width `x`, up to the last bar; a bar of several modules gives a 'b' for each. A bar that
// is not whole modules on the module grid gives '?' at its place, so a misdrawn bar shows in
// the comparison.
inline std::string ModuleString(const RecordingSurface& surface, int x) {
    std::string modules;
    for (const BarSpan& bar : surface.Bars(0)) {
        const int width = bar.hi - bar.lo;
        const bool onGrid = bar.lo >= 0 && bar.lo % x == 0 && width > 0 && width % x == 0;
        const std::size_t at = static_cast<std::size_t>(bar.lo < 0 ? 0 : bar.lo / x);
        const std::size_t count = onGrid ? static_cast<std::size_t>(width / x) : 1;
        if (modules.size() < at + count) modules.resize(at + count, 's');
        for (std::size_t i = 0; i < count; ++i)
            modules[at + i] = onGrid ? 'b' : '?';
    }
    return modules;
}
