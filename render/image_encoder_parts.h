#pragma once
// What the image encoders share, and the writers of the formats the program writes by itself
// (BMP and PCX); render/image_encoders.h is the encoders' public face.

#include "render/image_encoders.h"

#include <cstdint>
#include <system_error>
#include <vector>

bool Valid(const MonoImage& image);
bool Valid(const GreyscaleImage& image);
// The bytes of row `y`.
const std::uint8_t* Row(const MonoImage& image, int y);
// The mask of the bits that hold pixels in a row's last byte.
std::uint8_t LastByteMask(int width);
long PixelsPerMetre(int dpi);
void PutLE16(std::vector<std::uint8_t>& out, std::size_t at, unsigned value);
void PutLE32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value);

std::error_code EncodeBmp(const MonoImage& image, int dpi, std::vector<std::uint8_t>& out);
std::error_code EncodePcx(const MonoImage& image, int dpi, std::vector<std::uint8_t>& out);
