#include "render/mapped_surface.h"

// A zero window extent has no meaningful mapping; it maps everything onto the viewport origin
// instead of dividing by zero.
double CMapping::ScaleX() const {
    return windowExt.cx == 0 ? 0.0 : static_cast<double>(viewportExt.cx) / windowExt.cx;
}

double CMapping::ScaleY() const {
    return windowExt.cy == 0 ? 0.0 : static_cast<double>(viewportExt.cy) / windowExt.cy;
}

double CMapping::ToDeviceX(double logicalX) const {
    return (logicalX - windowOrg.x) * ScaleX() + viewportOrg.x;
}

double CMapping::ToDeviceY(double logicalY) const {
    return (logicalY - windowOrg.y) * ScaleY() + viewportOrg.y;
}
