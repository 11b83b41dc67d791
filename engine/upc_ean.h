#pragma once
// The retail symbologies UPC-A, UPC-E, EAN-13 and EAN-8: fixed-length digits, a modulo-10
// check digit, and digit text printed in a fixed font under and beside the bars.

#include "engine/barcode.h"

#include <string>
#include <string_view>

class CUPCABarcode : public CBarcode {
    DECLARE_SERIAL(CUPCABarcode)

public:
    void SetData(std::string_view text) override;
    int GetWidth() const override;
    CSize GetQuietZones() const override; // the light margins
    CDataCheck CheckData(std::string_view typed) const override;
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;
};

class CUPCEBarcode : public CBarcode {
    DECLARE_SERIAL(CUPCEBarcode)

public:
    void SetData(std::string_view text) override;
    int GetWidth() const override;
    CSize GetQuietZones() const override; // the light margins
    CDataCheck CheckData(std::string_view typed) const override;
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;
};

class CEAN13Barcode : public CBarcode {
    DECLARE_SERIAL(CEAN13Barcode)

public:
    void SetData(std::string_view text) override;
    int GetWidth() const override;
    CSize GetQuietZones() const override; // the light margins
    CDataCheck CheckData(std::string_view typed) const override;
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;
};

class CEAN8Barcode : public CBarcode {
    DECLARE_SERIAL(CEAN8Barcode)

public:
    void SetData(std::string_view text) override;
    int GetWidth() const override;
    CSize GetQuietZones() const override; // the light margins
    CDataCheck CheckData(std::string_view typed) const override;
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;
};

// The modulo-10 check digit with weights 3, 1, 3, ... from the first character: 0 for an
// empty string, -1 at the first character that is not a digit.
int UpcCheckDigit(std::string_view digits);
// The digit string the check digit of a six-digit UPC-E body is computed from (number
// system 0); empty when the last digit is not a digit or the body is not six characters.
std::string ExpandUpcE(std::string_view body);
// The digits of `text` cut to or padded with '0' to `length`: what SetData stores, and what
// drawing uses for data loaded from a file.
std::string NormalizeUpcDigits(std::string_view text, std::size_t length);
