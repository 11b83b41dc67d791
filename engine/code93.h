#pragma once
// Code 93 with full ASCII: a start character, one or two symbol characters per data
// character, the check characters C and K, and the stop character with its termination bar.

#include "engine/barcode.h"

#include <array>
#include <span>
#include <string_view>
#include <vector>

class C93Barcode : public CBarcode {
    DECLARE_SERIAL(C93Barcode)

public:
    void SetData(std::string_view text) override; // stores the text unchanged
    // X × (9 × (s + 3) + 10): start, s symbol characters, C, K, stop and termination bar.
    int GetWidth() const override;
    // Ten modules on either side.
    CSize GetQuietZones() const override;
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;
};

// Symbol-character values beyond the 47 characters of the Code 93 table.
inline constexpr int kCode93Start = 47;   // start and stop character
inline constexpr int kCode93StopBar = 48; // stop character followed by the termination bar

// The one or two symbol-character values of one data character, shift first.
struct Code93Chars {
    std::array<int, 2> values{};
    int count = 0; // 0 for character codes 128 to 255, which Code 93 cannot encode
    const int* begin() const { return values.data(); }
    const int* end() const { return values.data() + count; }
};
Code93Chars Code93Map(unsigned char c);

// The module string of a value 0 to 48; empty for any other value.
std::string_view Code93Pattern(int value);

// The data's symbol-character values in order; characters without a value are left out.
std::vector<int> Code93Sequence(std::string_view data);

struct Code93CheckValues {
    int c = 0;
    int k = 0;
    friend bool operator==(const Code93CheckValues&, const Code93CheckValues&) = default;
};
// C weights the values 1 to 20 from the right, K weights them and C 1 to 15; both modulo 47.
Code93CheckValues Code93Checks(std::span<const int> sequence);
