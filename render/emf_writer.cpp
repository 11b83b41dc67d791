#include "render/emf_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

// Record types.
constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrPolyBezierTo = 5;
constexpr std::uint32_t kEmrPolyLineTo = 6;
constexpr std::uint32_t kEmrSetWindowExtEx = 9;
constexpr std::uint32_t kEmrSetWindowOrgEx = 10;
constexpr std::uint32_t kEmrSetViewportExtEx = 11;
constexpr std::uint32_t kEmrSetViewportOrgEx = 12;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmrSetMapMode = 17;
constexpr std::uint32_t kEmrSetPolyFillMode = 19;
constexpr std::uint32_t kEmrMoveToEx = 27;
constexpr std::uint32_t kEmrSelectObject = 37;
constexpr std::uint32_t kEmrCreateBrushIndirect = 39;
constexpr std::uint32_t kEmrBeginPath = 59;
constexpr std::uint32_t kEmrEndPath = 60;
constexpr std::uint32_t kEmrCloseFigure = 61;
constexpr std::uint32_t kEmrFillPath = 62;

constexpr std::uint32_t kMmAnisotropic = 8;
constexpr std::uint32_t kWinding = 2;
constexpr std::uint32_t kStockNullPen = 0x80000008;
constexpr std::uint32_t kHeaderSize = 108; // with the pixel-format and micrometre extensions

// Logical units to the inch, and the reference screen's dots.
constexpr int kUnitsPerInch = 10000;
constexpr int kScreenDpi = 96, kScreenWidth = 1920, kScreenHeight = 1080;

// "QUILLMARK\0Image\0\0": application, picture, and the pair's terminator.
constexpr std::array<char16_t, 17> kDescription = {
    u'Q', u'U', u'I', u'L', u'L', u'M', u'A', u'R', u'K', 0, u'I', u'm', u'a', u'g', u'e', 0, 0};

std::int32_t ClampI32(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<std::int32_t>(
        std::clamp(std::round(v), static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                   static_cast<double>(std::numeric_limits<std::int32_t>::max())));
}

// Appends records to a metafile's body, counting them.
class Records {
public:
    void Begin(std::uint32_t type) {
        m_start = m_bytes.size();
        U32(type).U32(0);
    }
    Records& U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    Records& I32(std::int32_t v) { return U32(static_cast<std::uint32_t>(v)); }
    void End() {
        const auto size = static_cast<std::uint32_t>(m_bytes.size() - m_start);
        for (int i = 0; i < 4; ++i)
            m_bytes[m_start + 4 + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(size >> (8 * i));
        ++m_count;
    }
    void Simple(std::uint32_t type, std::initializer_list<std::int32_t> values) {
        Begin(type);
        for (const std::int32_t v : values)
            I32(v);
        End();
    }
    std::vector<std::uint8_t>& Bytes() { return m_bytes; }
    std::uint32_t Count() const { return m_count; }

private:
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_start = 0;
    std::uint32_t m_count = 0;
};

// A point of the picture (mils) in logical units.
std::array<std::int32_t, 2> Logical(const CPath::Point& p) {
    return {ClampI32(p.x * kUnitsPerInch / 1000.0), ClampI32(p.y * kUnitsPerInch / 1000.0)};
}

// A run of lines ('L') or curves ('C', three points each) as one poly record; `end` is past the
// run's last operator.
void AppendRun(Records& out, const CPath& path, std::size_t op, std::size_t end,
               std::size_t& point) {
    const bool curves = path.ops[op] == 'C';
    const std::size_t points = (end - op) * (curves ? 3 : 1);
    out.Begin(curves ? kEmrPolyBezierTo : kEmrPolyLineTo);
    out.I32(0).I32(0).I32(-1).I32(-1); // bounds: not given
    out.U32(static_cast<std::uint32_t>(points));
    for (std::size_t i = 0; i < points; ++i, ++point) {
        const auto [x, y] = Logical(path.points[point]);
        out.I32(x).I32(y);
    }
    out.End();
}

void AppendPath(Records& out, const CPath& path) {
    out.Simple(kEmrBeginPath, {});
    std::size_t point = 0;
    bool open = false;
    for (std::size_t op = 0; op < path.ops.size();) {
        if (path.ops[op] == 'M') {
            if (open) out.Simple(kEmrCloseFigure, {});
            const auto [x, y] = Logical(path.points[point++]);
            out.Simple(kEmrMoveToEx, {x, y});
            open = true;
            ++op;
            continue;
        }
        std::size_t end = op;
        while (end < path.ops.size() && path.ops[end] == path.ops[op])
            ++end;
        AppendRun(out, path, op, end, point);
        op = end;
    }
    if (open) out.Simple(kEmrCloseFigure, {});
    out.Simple(kEmrEndPath, {});
    out.Simple(kEmrFillPath, {0, 0, -1, -1});
}

// The set-up: the mapping of logical units onto the screen's dots with the picture's top-left
// corner at the device's origin, no outline round the fills, the two brushes.
void AppendSetup(Records& out, const CVectorPicture& picture) {
    out.Simple(kEmrSetMapMode, {static_cast<std::int32_t>(kMmAnisotropic)});
    out.Simple(kEmrSetWindowExtEx, {kUnitsPerInch, kUnitsPerInch});
    out.Simple(kEmrSetViewportExtEx, {kScreenDpi, kScreenDpi});
    const auto [x0, y0] = Logical({picture.x0, picture.y0});
    out.Simple(kEmrSetWindowOrgEx, {x0, y0});
    out.Simple(kEmrSetViewportOrgEx, {0, 0});
    out.Simple(kEmrSetPolyFillMode, {static_cast<std::int32_t>(kWinding)});
    out.Simple(kEmrSelectObject, {static_cast<std::int32_t>(kStockNullPen)});
    for (const std::int32_t brush : {1, 2}) // black, white: solid brushes
        out.Simple(kEmrCreateBrushIndirect, {brush, 0, brush == 1 ? 0 : 0x00FFFFFF, 0});
}

} // namespace

std::vector<std::uint8_t> EmfDocument(const CVectorPicture& picture) {
    if (picture.tooLarge) return {};
    Records body;
    AppendSetup(body, picture);
    for (const CVectorPicture::Fill& fill : picture.fills) {
        body.Simple(kEmrSelectObject, {fill.white ? 2 : 1});
        AppendPath(body, fill.path);
    }
    body.Simple(kEmrEof, {0, 16, 20}); // no palette; its offset; this record's size again
    // The bounds in the screen's dots, inclusive; the frame in hundredths of a millimetre.
    const double w = picture.Width(), h = picture.Height();
    const std::int32_t right = std::max(0, ClampI32(std::ceil(w * kScreenDpi / 1000.0)) - 1);
    const std::int32_t bottom = std::max(0, ClampI32(std::ceil(h * kScreenDpi / 1000.0)) - 1);
    Records header;
    header.Begin(kEmrHeader);
    header.I32(0).I32(0).I32(right).I32(bottom);
    header.I32(0).I32(0).I32(ClampI32(w * 2.54) - 1).I32(ClampI32(h * 2.54) - 1);
    const std::size_t descriptionBytes = (kDescription.size() * 2 + 3) / 4 * 4;
    const std::uint64_t total = kHeaderSize + descriptionBytes + body.Bytes().size();
    header.U32(0x464D4520).U32(0x00010000); // " EMF", version
    header.U32(static_cast<std::uint32_t>(std::min<std::uint64_t>(total, 0xFFFFFFFFu)));
    header.U32(body.Count() + 1).U32(3); // records; handles (the table's slot 0 and 2 brushes)
    header.U32(static_cast<std::uint32_t>(kDescription.size())).U32(kHeaderSize).U32(0);
    header.I32(kScreenWidth).I32(kScreenHeight);
    header.I32(ClampI32(kScreenWidth * 25.4 / kScreenDpi));
    header.I32(ClampI32(kScreenHeight * 25.4 / kScreenDpi));
    header.U32(0).U32(0).U32(0); // no pixel format, not OpenGL
    header.I32(ClampI32(kScreenWidth * 25400.0 / kScreenDpi));
    header.I32(ClampI32(kScreenHeight * 25400.0 / kScreenDpi));
    for (std::size_t i = 0; i < kDescription.size(); i += 2)
        header.U32(kDescription[i] |
                   (i + 1 < kDescription.size() ? std::uint32_t{kDescription[i + 1]} << 16 : 0u));
    header.End();
    std::vector<std::uint8_t> file = std::move(header.Bytes());
    file.insert(file.end(), body.Bytes().begin(), body.Bytes().end());
    return file;
}
