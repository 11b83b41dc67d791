#pragma once
// Reads back what a ZPL printer is sent: each "^XA ... ^XZ" label that prints a graphic, drawn
// as the printer would put its dots on the label. Graphics come inline (^GF in the ASCII form)
// or stored first and recalled (~DG, then ^XG); their hex rows may be compressed (runs of a
// digit as G..Y and g..z counts, ',' for a row's white rest, '!' for its black rest, ':' for
// the row before). Enough of the language to read the program's own files and what a print
// queue's ZPL driver sends, not a printer.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ZplLabel {
    int width = 0;                  // ^PW, else the graphic's width
    int height = 0;                 // ^LL, else the graphic's height
    int copies = 1;                 // ^PQ
    std::vector<std::uint8_t> grey; // width × height, 0 for a printed dot, 255 for none
    bool Black(int x, int y) const {
        return grey[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)] == 0;
    }
};

struct ZplDocument {
    std::vector<ZplLabel> labels;
    std::string error; // what could not be read; empty when everything could
};

ZplDocument DecodeZpl(std::string_view text);
