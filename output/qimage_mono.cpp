#include "output/qimage_mono.h"

#include <QImage>

#include <algorithm>
#include <cstring>

MonoImage MonoImageFromQImage(const QImage& source) {
    MonoImage out;
    if (source.isNull() || !out.Allocate(source.width(), source.height())) return {};
    const std::size_t stride = out.Stride();
    const QList<QRgb> table = source.colorTable();
    if ((source.format() == QImage::Format_Mono || source.format() == QImage::Format_MonoLSB) &&
        table.size() >= 2) {
        const QImage mono = source.convertToFormat(QImage::Format_Mono);
        const bool white0 = qGray(table[0]) >= 128, white1 = qGray(table[1]) >= 128;
        for (int y = 0; y < mono.height(); ++y) {
            const uchar* in = mono.constScanLine(y);
            std::uint8_t* dst = out.bits.data() + static_cast<std::size_t>(y) * stride;
            for (std::size_t i = 0; i < stride; ++i) {
                const std::uint8_t ones = in[i];
                dst[i] = static_cast<std::uint8_t>((white1 ? ones : 0) | (white0 ? ~ones : 0));
            }
        }
        return out;
    }
    const QImage grey = source.convertToFormat(QImage::Format_Grayscale8);
    if (grey.isNull()) return {};
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* in = grey.constScanLine(y);
        std::uint8_t* dst = out.bits.data() + static_cast<std::size_t>(y) * stride;
        std::fill(dst, dst + stride, 0);
        for (int x = 0; x < grey.width(); ++x)
            if (in[x] >= 128) dst[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
    }
    return out;
}

QImage QImageFromMonoImage(const MonoImage& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.bits.size() < image.Stride() * static_cast<std::size_t>(image.height))
        return {};
    QImage out(image.width, image.height, QImage::Format_Mono);
    if (out.isNull()) return {};
    out.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < image.height; ++y)
        std::memcpy(out.scanLine(y),
                    image.bits.data() + static_cast<std::size_t>(y) * image.Stride(),
                    image.Stride());
    return out;
}
