#pragma once
// A drawing surface that records an enhanced metafile (EMF) of what is drawn on it: the vector
// picture of the clipboard and of the "wmf" export.

#include "output/vector_common.h"
#include "render/mapped_surface.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

// Every drawing call becomes the records a device context would write: a geometric pen created,
// selected, used for one move-to and line-to, deselected and deleted per line; a font created
// from its description when text is first drawn with it, deleted when it is restored; text out
// with the characters' advances. The mapping (anisotropic, extents and origins) and the
// background mode are recorded as they stand before each drawing, so every record is drawn
// with the mapping the caller set for it. The header gives the bounds and frame of what was
// drawn, the reference screen and the description "QUILLMARK" / "Image".
class CEmfSurface : public CMappedSurface {
public:
    explicit CEmfSurface(const CReferenceScreen& screen = CReferenceScreen::Primary());

    void DrawLine(CPoint from, CPoint to, int penWidth) override;
    void SelectFont(const CFontSpec& font) override;
    void RestoreFont() override;
    CSize GetTextExtent(std::string_view text) override;
    CTextInk GetTextInk(std::string_view text) override { return Metrics().Ink(FromLatin1(text)); }
    void TextOut(CPoint at, std::string_view text) override;
    CSize GetTextExtentUtf8(std::string_view utf8) override;
    CTextInk GetTextInkUtf8(std::string_view utf8) override;
    void TextOutUtf8(CPoint at, std::string_view utf8) override;

    int DeviceDpiX() const override { return m_screen.dpiX; }
    int DeviceDpiY() const override { return m_screen.dpiY; }
    const CReferenceScreen& ReferenceScreen() const { return m_screen; }

    // Counts the logical rectangle [x0, x1) × [y0, y1) in the bounds and frame, though nothing
    // is drawn there (a matrix symbol's quiet zone).
    void IncludeArea(double x0, double y0, double x1, double y1);
    // Whether the recording passed kMaxPictureBytes and was given up.
    bool TooLarge() const { return m_tooLarge; }
    // The complete metafile as drawn so far: header, records, end of file; empty when it was
    // too large.
    std::vector<std::uint8_t> Bytes() const;
    // Writes Bytes() through a temporary file (see WriteFileAtomically).
    std::error_code WriteFile(const std::string& path) const;

private:
    struct Font {
        CFontSpec desc;
        std::optional<std::uint32_t> handle; // once created in the recording
    };
    struct DeviceState {
        bool mapModeSet = false;
        std::optional<CMapping> mapping;
        std::optional<bool> opaque;
    };
    struct Bounds {
        bool empty = true;
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    };

    // True once the recording is too large, which frees what it held.
    bool OutOfRoom();
    void SyncState();
    static void AppendStateRecords(const CMapping& mapping, bool opaque, DeviceState& state,
                                   std::vector<std::uint8_t>& out, std::uint32_t& count);
    // Records the selected font's creation and selection the first time text uses it; its
    // escapement (0 without a font).
    int RealizeFont();
    // The text's cell and its glyphs, with the advances the screen measures.
    void DrawText(CPoint at, const QString& text);
    // The text cell's corners on the device as a rectangle, each corner taken into the bounds.
    std::array<std::int32_t, 4> CellOnDevice(CPoint at, CSize extent, int escapement);
    std::uint32_t NewHandle();
    void FreeHandle(std::uint32_t handle);
    void AddToBounds(double lx, double ly);
    CScreenTextMetrics Metrics() const;

    CReferenceScreen m_screen;
    std::vector<std::uint8_t> m_records;
    std::uint32_t m_recordCount = 0;
    DeviceState m_state;
    std::vector<bool> m_handleInUse{true}; // index 0 is the metafile's own
    std::uint32_t m_handleCount = 1;
    std::vector<Font> m_fonts;
    Bounds m_bounds;
    bool m_tooLarge = false;
};
