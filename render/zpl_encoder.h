#pragma once
// ZPL, the page language of thermal label printers: a label as one "^XA ... ^XZ" block that
// sets the page's width (^PW) and length (^LL) in dots and prints the label's dots as one
// graphic field (^GF), so that the printer prints exactly the dots it is sent.

#include "render/image_encoders.h"

#include <cstdint>
#include <string>

// Appends the block of one label: `page` is the whole label at the printer's resolution (0
// black, as MonoImage keeps it), printed `copies` times (^PQ, for more than one). The graphic
// field is in the compressed ASCII form: runs of one hex digit as a count and the digit, a row
// that ends in white or black as ',' or '!', and a row the same as the one before as ':'.
void AppendZplLabel(const MonoImage& page, std::int64_t copies, std::string& out);
