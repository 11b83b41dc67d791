#pragma once
// A drawing surface with a device context's window/viewport mapping, which the view sets up
// before every drawing (screen, printer, image and vector picture alike).

#include "engine/draw_surface.h"

// Logical to device: device = (logical - windowOrg) × viewportExt / windowExt + viewportOrg,
// each axis on its own (anisotropic).
struct CMapping {
    CPoint windowOrg{0, 0};
    CSize windowExt{1, 1};
    CPoint viewportOrg{0, 0};
    CSize viewportExt{1, 1};

    double ScaleX() const;
    double ScaleY() const;
    double ToDeviceX(double logicalX) const;
    double ToDeviceY(double logicalY) const;
};

class CMappedSurface : public CDrawSurface {
public:
    void SetWindowOrg(CPoint org) { m_mapping.windowOrg = org; }
    void SetWindowExt(CSize ext) { m_mapping.windowExt = ext; }
    void SetViewportOrg(CPoint org) { m_mapping.viewportOrg = org; }
    void SetViewportExt(CSize ext) { m_mapping.viewportExt = ext; }
    const CMapping& Mapping() const { return m_mapping; }

    // Opaque: each text cell paints a white background over whatever lies beneath it.
    virtual void SetBkModeOpaque(bool opaque) { m_opaque = opaque; }
    bool IsBkModeOpaque() const { return m_opaque; }

    // Pixels per inch of the device the surface draws on.
    virtual int DeviceDpiX() const = 0;
    virtual int DeviceDpiY() const = 0;

protected:
    CMapping m_mapping;
    bool m_opaque = false;
};
