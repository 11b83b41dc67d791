#pragma once
// The metafile (EMF) of a recorded picture (render/vector_surface.h), without Qt: every run of
// marks one filled path of lines and Bézier curves, in logical units of a tenth of a mil mapped
// onto a reference screen of 96 dots per inch, with the picture's true size as its frame.

#include "render/vector_surface.h"

#include <cstdint>
#include <vector>

// Empty when the picture was too large to record.
std::vector<std::uint8_t> EmfDocument(const CVectorPicture& picture);
