#pragma once
// The numeric symbologies with their own geometry: Interleaved 2 of 5 and the POSTNET postal
// code.

#include "engine/barcode.h"

#include <cstdint>
#include <string>
#include <string_view>

class CI25Barcode : public CBarcode {
    DECLARE_SERIAL(CI25Barcode)

public:
    void SetData(std::string_view text) override;
    int GetWidth() const override;
    // Ten modules on either side.
    CSize GetQuietZones() const override;
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;
};

class CPostnetBarcode : public CBarcode {
    DECLARE_SERIAL(CPostnetBarcode)

public:
    CPostnetBarcode();

    // Fixed geometry in mils; never stored in a file.
    std::int32_t m_nBarWidth;
    std::int32_t m_nSpaceWidth;
    std::int32_t m_nFullBarHeight;
    std::int32_t m_nHalfBarHeight;

    void SetData(std::string_view text) override;
    int GetWidth() const override;
    // An eighth of an inch on either side.
    CSize GetQuietZones() const override { return {125, 125}; }
    // Ignores barHeight and showText: the bars have their own heights and there is no text.
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;

    // The five bars of one digit, '1' full and '0' half; empty for any other character.
    virtual std::string GetPattern(char c) const;
    // Full and half bars standing on one common line m_nFullBarHeight from the running
    // position, one pitch apart.
    void DrawPostnetBars(engine::CBarCursor& cursor, std::string_view bars) const;
};

// The ten elements of a digit pair: the first digit in the bars, the second in the spaces;
// empty when either is not a digit.
std::string I25PairPattern(char first, char second);
// The POSTNET check digit over the digits of the data; other characters count nothing.
int PostnetCheckDigit(std::string_view data);
