#include "render/zpl_encoder.h"

#include <array>
#include <string_view>

namespace {

constexpr std::string_view kHex = "0123456789ABCDEF";

// A run of `count` of one hex digit: the count as the letters that stand for it, large counts
// first (g to z: 20 to 400 in steps of 20; G to Y: 1 to 19), then the digit. A single digit is
// written as it is.
void AppendRun(std::size_t count, char digit, std::string& out) {
    if (count == 1) {
        out += digit;
        return;
    }
    while (count >= 400) {
        out += 'z';
        count -= 400;
        if (count == 0) {
            out += digit;
            return;
        }
    }
    if (count >= 20) out += static_cast<char>('f' + count / 20);
    if (count % 20 > 0) out += static_cast<char>('F' + count % 20);
    out += digit;
}

// One row of the field as hex digits, 1 for a black dot, the dots past the width white.
std::string RowDigits(const MonoImage& page, int y) {
    const std::size_t stride = page.Stride();
    const std::uint8_t* row = page.bits.data() + static_cast<std::size_t>(y) * stride;
    std::string digits(stride * 2, '0');
    const int spare = static_cast<int>(stride * 8) - page.width;
    for (std::size_t i = 0; i < stride; ++i) {
        std::uint8_t black = static_cast<std::uint8_t>(~row[i]);
        if (i + 1 == stride && spare > 0) black &= static_cast<std::uint8_t>(0xFF << spare);
        digits[2 * i] = kHex[black >> 4];
        digits[2 * i + 1] = kHex[black & 0x0F];
    }
    return digits;
}

// The row compressed: a tail of white ('0') digits as ',' and of black ('F') as '!'.
void AppendRow(const std::string& digits, std::string& out) {
    std::size_t end = digits.size();
    const char last = digits.back();
    char tail = 0;
    if (last == '0' || last == 'F') {
        while (end > 0 && digits[end - 1] == last)
            --end;
        tail = last == '0' ? ',' : '!';
    }
    for (std::size_t i = 0; i < end;) {
        std::size_t j = i;
        while (j < end && digits[j] == digits[i])
            ++j;
        AppendRun(j - i, digits[i], out);
        i = j;
    }
    if (tail) out += tail;
}

} // namespace

void AppendZplLabel(const MonoImage& page, std::int64_t copies, std::string& out) {
    if (page.width <= 0 || page.height <= 0) return;
    const std::size_t stride = page.Stride();
    const std::size_t total = stride * static_cast<std::size_t>(page.height);
    out += "^XA\n^LH0,0\n^PW" + std::to_string(page.width) + "\n^LL" + std::to_string(page.height) +
           "\n^FO0,0^GFA," + std::to_string(total) + "," + std::to_string(total) + "," +
           std::to_string(stride) + ",";
    std::string previous;
    for (int y = 0; y < page.height; ++y) {
        std::string digits = RowDigits(page, y);
        if (y > 0 && digits == previous) {
            out += ':';
            continue;
        }
        AppendRow(digits, out);
        previous = std::move(digits);
    }
    out += "^FS\n";
    if (copies > 1) out += "^PQ" + std::to_string(copies) + "\n";
    out += "^XZ\n";
}
