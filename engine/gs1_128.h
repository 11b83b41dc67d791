#pragma once
// GS1-128: GS1 element strings as Code 128 with a leading FNC1. The data is written with each
// application identifier in parentheses, "(01)09501101530003(17)261231(10)ABC123"; a field
// cannot hold a parenthesis of its own, since one starts the next identifier.

#include "engine/barcode.h"
#include "engine/code128.h"

#include <string>
#include <string_view>
#include <vector>

class CGS1128Barcode : public CBarcode {
    DECLARE_SERIAL(CGS1128Barcode)

public:
    // Stores the fields the symbol can carry, in parentheses: a wrong check digit corrected,
    // a missing one added, spaces, fields that cannot be encoded and fields past the 48 data
    // characters of one symbol left out.
    void SetData(std::string_view text) override;
    // The symbol's exact length: 11 modules for each symbol character (start, FNC1s, data,
    // code-set switches, check) and 13 for the stop, times X; 0 when no field can be encoded.
    int GetWidth() const override;
    // Ten modules on either side.
    CSize GetQuietZones() const override;
    // The fields of the data that can be encoded, the text below in the parenthesised form;
    // nothing at all when no field can be.
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;
    // What the symbol carries (parenthesised) and each change from what was typed: unknown
    // identifiers, fields of the wrong length or characters, wrong check digits.
    CDataCheck CheckData(std::string_view typed) const override;
};

// One element string: the application identifier and its field.
struct Gs1Element {
    std::string ai, data;
    bool separated = false; // a variable-length field: FNC1 ends it when another follows
};

struct Gs1Data {
    std::vector<Gs1Element> elements; // what the symbol carries, in the order typed
    CMessages changes;                // why that is not what was typed
    // "(01)09501101530003(10)ABC123"
    std::string Text() const;
};
// Reads parenthesised element strings, checking each field through the encoder library's GS1
// rules (every application identifier it knows, the field's length, characters, dates and
// check digits), and keeps to the 48 data characters GS1 allows in one symbol.
Gs1Data ParseGs1(std::string_view text);

// The Code 128 symbol of the elements in the fewest symbol characters: FNC1 first, FNC1 after
// each separated field but the last, digits in pairs in set C where that is shorter, the rest
// in set B. Empty values for no elements.
Code128Symbol Gs1Code128(const std::vector<Gs1Element>& elements);
