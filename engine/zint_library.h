#pragma once
// The encoder of every symbology beyond the program's own engine, a system library loaded the
// first time one of its symbols is encoded: it gives the module rows, which the program draws
// itself. Nothing here draws.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What to encode and how, in the library's own terms (its symbology number, input mode and
// symbol-specific options; see the symbology table).
struct ZintRequest {
    int symbology = 0;
    int inputMode = 0;
    int option1 = -1, option2 = 0, option3 = 0; // -1/0: the library's automatic choice
    int eci = 0;                                // 0: none
    std::string data;                           // bytes, UTF-8 or GS1 text per inputMode

    friend bool operator==(const ZintRequest&, const ZintRequest&) = default;
};

// The encoded symbol: module rows from the top, each `width` modules, 1 where dark.
struct ZintSymbol {
    int status = 0;      // 0, or the library's error number (5 and above)
    std::string reason;  // the library's own words for the error, without its number
    int errorNumber = 0; // the number in the library's text ("Error 259: ..."), 0 when none
    int rows = 0, width = 0;
    std::vector<std::uint8_t> dark;
    // Each row's height in modules; 0 for a row that takes a share of the free height.
    std::vector<float> rowHeights;
    float height = 0; // the library's default height of the whole symbol, in modules
    std::string text; // the human-readable text it would print (UTF-8), if any
    bool Ok() const { return status == 0 && rows > 0 && width > 0; }
    bool Dark(int row, int col) const {
        return dark[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(col)] != 0;
    }
};

// Encodes through the library; a status above 0 with its reason when it refuses, or when it
// cannot be loaded (then `reason` says why and `errorNumber` is -1). Warnings are refusals:
// a symbol the library calls non-compliant is not made.
ZintSymbol ZintEncode(const ZintRequest& request);

// The same, kept for later asks of the same request: a run that checks every label before it
// draws them encodes each once. The symbols kept are held to a bounded size, the least
// recently asked for given up first.
std::shared_ptr<const ZintSymbol> ZintEncodeKept(const ZintRequest& request);

// Whether the library can be loaded, and if not, why.
bool ZintAvailable(std::string* why = nullptr);
