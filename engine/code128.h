#pragma once
// Code 128 without automatic code-set choice: the symbol starts in m_nCodeSet, and the data
// switches sets only through its own control characters (codes 195 to 206 stand for the
// symbol values 95 to 106: FNC1 to FNC4, SHIFT, CODE A/B/C, the starts and the stop).

#include "engine/barcode.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class C128Barcode : public CBarcode {
    DECLARE_SERIAL(C128Barcode)

public:
    // The set of the start character: 0 = A, 1 = B, 2 = C. SetData resets it to A; only a
    // loaded file gives it another value. Any value outside 0 to 2 is read as A.
    std::int32_t m_nCodeSet = 0;

    void Serialize(CArchive& ar) override; // the common fields, then m_nCodeSet
    // Stores the text with a to z in upper case, and starts in set A.
    void SetData(std::string_view text) override;
    // 12 × X × (n + 3): a nominal figure that counts every data character as 12 modules.
    int GetWidth() const override;
    // Ten modules on either side.
    CSize GetQuietZones() const override;
    // The text below is what a reader reads (Code128Reading).
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;
    // What a reader reads, and why that is not what was typed: a code of 195 to 206 is a
    // function or code-set character, not the letter it is in Latin-1.
    CDataCheck CheckData(std::string_view typed) const override;

    // The module string of a symbol value 0 to 106; empty for any other value.
    virtual std::string GetPattern(int value) const;
};

inline constexpr int kCode128Shift = 98;
inline constexpr int kCode128CodeC = 99;
inline constexpr int kCode128CodeB = 100; // FNC4 in set B
inline constexpr int kCode128CodeA = 101; // FNC4 in set A
inline constexpr int kCode128Fnc1 = 102;
inline constexpr int kCode128StartA = 103; // Start B and Start C follow
inline constexpr int kCode128Stop = 106;   // drawn with its termination bar

// The module string of a symbol value 0 to 106 (106 with the termination bar); empty for any
// other value.
std::string_view Code128Pattern(int value);

// The symbol value of a character in set A (0) or set B (1), or -1 when that set has none.
int Code128Value(unsigned char c, int codeSet);

struct Code128Symbol {
    int start = kCode128StartA;
    std::vector<int> values; // the data's symbol values in order
    int check = 0;
};
// The human-readable text of the data: its characters without the control characters (codes
// 195 to 206), which stand for code-set and function characters, not for anything a person
// reads.
std::string Code128Text(std::string_view data);

// What a reader reads from the symbol: its characters with FNC4 and SHIFT applied, FNC1 after
// the first position as the group separator (29), the other function characters as nothing.
std::string Code128Reading(const Code128Symbol& symbol);

// Draws the symbol from `origin` (left past it): the start, the values, the check and the stop,
// each value's modules as `pattern` gives them. The cursor is given back for the text.
engine::CBarCursor DrawCode128Symbol(CDrawSurface& surface, CPoint& origin, int barHeight,
                                     int orientation, const Code128Symbol& symbol,
                                     const std::function<std::string(int)>& pattern);

// Reads the data from the start set `codeSet`. A character without a value in the running set
// A or B is encoded as ISO/IEC 15417 allows: above 127 as FNC4 and its low seven bits, one of
// the other set behind SHIFT. A start or stop character (codes 203 to 206) and a set-C pair
// that is not two digits (or a lone last digit) are skipped: not drawn and adding nothing to
// the check sum, so the check value always matches the bars and the symbol stays readable.
Code128Symbol Code128Encode(std::string_view data, int codeSet);
