#pragma once
// The Code 39 family: plain Code 39, Code 39 with a modulo-43 check character, and Code 39
// Extended (full ASCII through two-character sequences).

#include "engine/barcode.h"

#include <string>
#include <string_view>

class C39Barcode : public CBarcode {
    DECLARE_SERIAL(C39Barcode)

public:
    void SetData(std::string_view text) override;
    // Ten modules on either side.
    CSize GetQuietZones() const override;
    int GetWidth() const override;
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;

    // The wide/narrow string of one character: nine elements and the narrow inter-character
    // gap; empty for a character outside the Code 39 alphabet.
    virtual std::string GetPattern(char c) const;

protected:
    // One Code 39 character's length along the direction of advance, as the widths count it:
    // trunc((3 × X × R) × 0.1 + 7 × X).
    static int CharacterWidth();
};

class C39Mod43Barcode : public C39Barcode {
    DECLARE_SERIAL(C39Mod43Barcode)

public:
    int GetWidth() const override;
    // A reader reads the check character after the data, as the text shows it.
    CDataCheck CheckData(std::string_view typed) const override;
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;
};

class C39ExtBarcode : public C39Barcode {
    DECLARE_SERIAL(C39ExtBarcode)

public:
    void SetData(std::string_view text) override;
    int GetWidth() const override;
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;
    // The Code 39 patterns of the character's one- or two-character full-ASCII expansion.
    std::string GetPattern(char c) const override;
};

// The pattern of a character in the plain Code 39 table.
std::string_view Code39Pattern(char c);
// The full-ASCII expansion of a character code 0 to 127; empty for any other code.
std::string_view Code39FullAscii(unsigned char c);
// The modulo-43 check character of the data.
char Code39Mod43Check(std::string_view data);
