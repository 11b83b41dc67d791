#include "output/emf_surface.h"

#include "common/atomic_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Record types.
constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrSetWindowExtEx = 9;
constexpr std::uint32_t kEmrSetWindowOrgEx = 10;
constexpr std::uint32_t kEmrSetViewportExtEx = 11;
constexpr std::uint32_t kEmrSetViewportOrgEx = 12;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmrSetMapMode = 17;
constexpr std::uint32_t kEmrSetBkMode = 18;
constexpr std::uint32_t kEmrMoveToEx = 27;
constexpr std::uint32_t kEmrSelectObject = 37;
constexpr std::uint32_t kEmrDeleteObject = 40;
constexpr std::uint32_t kEmrLineTo = 54;
constexpr std::uint32_t kEmrExtCreateFontIndirectW = 82;
constexpr std::uint32_t kEmrExtTextOutW = 84;
constexpr std::uint32_t kEmrExtCreatePen = 95;

constexpr std::uint32_t kMmAnisotropic = 8;
constexpr std::uint32_t kTransparent = 1, kOpaque = 2;
constexpr std::uint32_t kPsGeometric = 0x00010000, kPsSolid = 0, kPsEndcapFlat = 0x00000200,
                        kPsJoinBevel = 0x00001000;
constexpr std::uint32_t kBsSolid = 0;
constexpr std::uint32_t kGmCompatible = 1;
// Stock objects: the pen and font a device context starts with.
constexpr std::uint32_t kStockBlackPen = 0x80000007;
constexpr std::uint32_t kStockSystemFont = 0x8000000D;

constexpr std::uint32_t kHeaderSize = 108; // with the pixel-format and micrometre extensions

// "QUILLMARK\0Image\0\0": application, picture, and the pair's terminator.
constexpr std::array<char16_t, 17> kDescription = {
    u'Q', u'U', u'I', u'L', u'L', u'M', u'A', u'R', u'K', 0, u'I', u'm', u'a', u'g', u'e', 0, 0};

std::int32_t ClampI32(double v) {
    if (!(v == v)) return 0;
    return static_cast<std::int32_t>(
        std::clamp(v, static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                   static_cast<double>(std::numeric_limits<std::int32_t>::max())));
}

// Builds one record; its size is filled in when it is appended, padded to whole words.
class Record {
public:
    explicit Record(std::uint32_t type) {
        U32(type);
        U32(0);
    }
    Record& U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    Record& I32(std::int32_t v) { return U32(static_cast<std::uint32_t>(v)); }
    Record& F32(float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return U32(bits);
    }
    Record& U8(std::uint8_t v) {
        m_data.push_back(v);
        return *this;
    }
    Record& U16(std::uint16_t v) {
        m_data.push_back(static_cast<std::uint8_t>(v));
        m_data.push_back(static_cast<std::uint8_t>(v >> 8));
        return *this;
    }
    Record& Zeros(std::size_t n) {
        m_data.insert(m_data.end(), n, 0);
        return *this;
    }
    Record& Rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
        return I32(l).I32(t).I32(r).I32(b);
    }
    // UTF-16 code units, padded with NULs to `units` when given.
    Record& Text16(const std::u16string& s, std::size_t units) {
        for (std::size_t i = 0; i < units; ++i)
            U16(i < s.size() ? static_cast<std::uint16_t>(s[i]) : 0);
        return *this;
    }
    Record& AlignTo4() {
        while (m_data.size() % 4)
            m_data.push_back(0);
        return *this;
    }
    std::size_t Size() const { return m_data.size(); }
    void AppendTo(std::vector<std::uint8_t>& out, std::uint32_t& count) {
        AlignTo4();
        const auto size = static_cast<std::uint32_t>(m_data.size());
        for (int i = 0; i < 4; ++i)
            m_data[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
        out.insert(out.end(), m_data.begin(), m_data.end());
        ++count;
    }

private:
    std::vector<std::uint8_t> m_data;
};

// Latin-1 bytes are the first 256 code points.
std::u16string ToUtf16(std::string_view latin1) {
    std::u16string s;
    s.reserve(latin1.size());
    for (char c : latin1)
        s.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return s;
}

// An inclusive device rectangle around [x0, x1) × [y0, y1).
struct InclusiveRect {
    std::int32_t left, top, right, bottom;
};
InclusiveRect Inclusive(double x0, double y0, double x1, double y1) {
    const std::int32_t l = ClampI32(std::floor(x0)), t = ClampI32(std::floor(y0));
    const std::int32_t r = std::max(l, ClampI32(std::ceil(x1) - 1.0));
    const std::int32_t b = std::max(t, ClampI32(std::ceil(y1) - 1.0));
    return {l, t, r, b};
}

} // namespace

CEmfSurface::CEmfSurface(const CReferenceScreen& screen) : m_screen(screen) {
    m_screen.dpiX = std::max(m_screen.dpiX, 1);
    m_screen.dpiY = std::max(m_screen.dpiY, 1);
    m_screen.widthPixels = std::max(m_screen.widthPixels, 1);
    m_screen.heightPixels = std::max(m_screen.heightPixels, 1);
}

void CEmfSurface::AppendStateRecords(const CMapping& mapping, bool opaque, DeviceState& state,
                                     std::vector<std::uint8_t>& out, std::uint32_t& count) {
    if (!state.mapModeSet) {
        Record(kEmrSetMapMode).U32(kMmAnisotropic).AppendTo(out, count);
        state.mapModeSet = true;
    }
    const CMapping* last = state.mapping ? &*state.mapping : nullptr;
    // Window extent before viewport extent, as a device context wants them.
    if (!last || last->windowExt != mapping.windowExt)
        Record(kEmrSetWindowExtEx)
            .I32(mapping.windowExt.cx)
            .I32(mapping.windowExt.cy)
            .AppendTo(out, count);
    if (!last || last->viewportExt != mapping.viewportExt)
        Record(kEmrSetViewportExtEx)
            .I32(mapping.viewportExt.cx)
            .I32(mapping.viewportExt.cy)
            .AppendTo(out, count);
    if (!last || last->windowOrg != mapping.windowOrg)
        Record(kEmrSetWindowOrgEx)
            .I32(mapping.windowOrg.x)
            .I32(mapping.windowOrg.y)
            .AppendTo(out, count);
    if (!last || last->viewportOrg != mapping.viewportOrg)
        Record(kEmrSetViewportOrgEx)
            .I32(mapping.viewportOrg.x)
            .I32(mapping.viewportOrg.y)
            .AppendTo(out, count);
    state.mapping = mapping;
    if (state.opaque != opaque) {
        Record(kEmrSetBkMode).U32(opaque ? kOpaque : kTransparent).AppendTo(out, count);
        state.opaque = opaque;
    }
}

void CEmfSurface::SyncState() {
    AppendStateRecords(m_mapping, m_opaque, m_state, m_records, m_recordCount);
}

std::uint32_t CEmfSurface::NewHandle() {
    // The lowest free slot, as a device context reuses them.
    for (std::size_t i = 1; i < m_handleInUse.size(); ++i)
        if (!m_handleInUse[i]) {
            m_handleInUse[i] = true;
            return static_cast<std::uint32_t>(i);
        }
    m_handleInUse.push_back(true);
    m_handleCount = static_cast<std::uint32_t>(m_handleInUse.size());
    return m_handleCount - 1;
}

void CEmfSurface::FreeHandle(std::uint32_t handle) {
    if (handle < m_handleInUse.size()) m_handleInUse[handle] = false;
}

void CEmfSurface::AddToBounds(double lx, double ly) {
    const double x = m_mapping.ToDeviceX(lx), y = m_mapping.ToDeviceY(ly);
    if (m_bounds.empty) {
        m_bounds = {false, x, y, x, y};
        return;
    }
    m_bounds.x0 = std::min(m_bounds.x0, x);
    m_bounds.y0 = std::min(m_bounds.y0, y);
    m_bounds.x1 = std::max(m_bounds.x1, x);
    m_bounds.y1 = std::max(m_bounds.y1, y);
}

void CEmfSurface::IncludeArea(double x0, double y0, double x1, double y1) {
    AddToBounds(x0, y0);
    AddToBounds(x1, y1);
}

CScreenTextMetrics CEmfSurface::Metrics() const {
    return CScreenTextMetrics(m_fonts.empty() ? nullptr : &m_fonts.back().desc, m_screen.dpiX,
                              m_screen.dpiY);
}

bool CEmfSurface::OutOfRoom() {
    if (!m_tooLarge && !MakeRoomInPicture(m_records)) {
        m_tooLarge = true;
        m_records = {};
    }
    return m_tooLarge;
}

void CEmfSurface::DrawLine(CPoint from, CPoint to, int penWidth) {
    // What the screen draws for these is nothing; a recording must not show more.
    if (penWidth <= 0 || from == to || OutOfRoom()) return;
    SyncState();

    const std::uint32_t pen = NewHandle();
    Record(kEmrExtCreatePen)
        .U32(pen)
        .U32(52) // offBmi: no pattern bitmap, so offsets point at the end of the record
        .U32(0)
        .U32(52)
        .U32(0)
        .U32(kPsGeometric | kPsSolid | kPsEndcapFlat | kPsJoinBevel)
        .U32(static_cast<std::uint32_t>(penWidth))
        .U32(kBsSolid)
        .U32(0) // black
        .U32(0) // hatch
        .U32(0) // no style entries
        .AppendTo(m_records, m_recordCount);
    Record(kEmrSelectObject).U32(pen).AppendTo(m_records, m_recordCount);
    Record(kEmrMoveToEx).I32(from.x).I32(from.y).AppendTo(m_records, m_recordCount);
    Record(kEmrLineTo).I32(to.x).I32(to.y).AppendTo(m_records, m_recordCount);
    Record(kEmrSelectObject).U32(kStockBlackPen).AppendTo(m_records, m_recordCount);
    Record(kEmrDeleteObject).U32(pen).AppendTo(m_records, m_recordCount);
    FreeHandle(pen);

    for (const auto& [x, y] : StrokeCorners(from, to, penWidth))
        AddToBounds(x, y);
}

void CEmfSurface::SelectFont(const CFontSpec& font) {
    m_fonts.push_back({font, std::nullopt});
}

void CEmfSurface::RestoreFont() {
    if (m_fonts.empty()) return;
    const Font top = m_fonts.back();
    m_fonts.pop_back();
    // A font that never drew anything was never recorded.
    if (!top.handle) return;
    std::uint32_t previous = kStockSystemFont;
    for (auto it = m_fonts.rbegin(); it != m_fonts.rend(); ++it)
        if (it->handle) {
            previous = *it->handle;
            break;
        }
    Record(kEmrSelectObject).U32(previous).AppendTo(m_records, m_recordCount);
    Record(kEmrDeleteObject).U32(*top.handle).AppendTo(m_records, m_recordCount);
    FreeHandle(*top.handle);
}

CSize CEmfSurface::GetTextExtent(std::string_view text) {
    return Metrics().Extent(FromLatin1(text));
}

int CEmfSurface::RealizeFont() {
    if (m_fonts.empty()) return 0;
    Font& font = m_fonts.back();
    if (!font.handle) {
        font.handle = NewHandle();
        const std::u16string face = ToUtf16(font.desc.faceName.substr(0, 31));
        Record(kEmrExtCreateFontIndirectW)
            .U32(*font.handle)
            .I32(-font.desc.height) // negative: the character (em) height
            .I32(0)
            .I32(font.desc.escapement)
            .I32(font.desc.escapement) // orientation follows the escapement
            .I32(font.desc.weight)
            .U8(font.desc.italic ? 1 : 0)
            .Zeros(7) // underline, strike-out, charset, precisions, quality, pitch
            .Text16(face, 32)
            .Text16(face, 64) // full name
            .Zeros(64 + 36)   // style, version to panose: unknown
            .AppendTo(m_records, m_recordCount);
        Record(kEmrSelectObject).U32(*font.handle).AppendTo(m_records, m_recordCount);
    }
    return font.desc.escapement;
}

std::array<std::int32_t, 4> CEmfSurface::CellOnDevice(CPoint at, CSize extent, int escapement) {
    const auto corners = TextCellCorners(at, extent, escapement);
    double dx0 = 0, dy0 = 0, dx1 = 0, dy1 = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const double x = m_mapping.ToDeviceX(corners[i].first);
        const double y = m_mapping.ToDeviceY(corners[i].second);
        dx0 = i == 0 ? x : std::min(dx0, x);
        dy0 = i == 0 ? y : std::min(dy0, y);
        dx1 = i == 0 ? x : std::max(dx1, x);
        dy1 = i == 0 ? y : std::max(dy1, y);
        AddToBounds(corners[i].first, corners[i].second);
    }
    const InclusiveRect cell = Inclusive(dx0, dy0, dx1, dy1);
    return {cell.left, cell.top, cell.right, cell.bottom};
}

void CEmfSurface::TextOut(CPoint at, std::string_view text) {
    if (!text.empty()) DrawText(at, FromLatin1(text));
}

void CEmfSurface::TextOutUtf8(CPoint at, std::string_view utf8) {
    if (!utf8.empty())
        DrawText(at, QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

CSize CEmfSurface::GetTextExtentUtf8(std::string_view utf8) {
    return Metrics().Extent(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

CTextInk CEmfSurface::GetTextInkUtf8(std::string_view utf8) {
    return Metrics().Ink(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

void CEmfSurface::DrawText(CPoint at, const QString& qtext) {
    if (OutOfRoom()) return;
    SyncState();
    const int escapement = RealizeFont();

    const CScreenTextMetrics metrics = Metrics();
    const CSize extent = metrics.Extent(qtext);
    const std::vector<int> positions = metrics.Positions(qtext);
    const std::u16string chars = qtext.toStdU16String();
    const auto [left, top, right, bottom] = CellOnDevice(at, extent, escapement);

    constexpr std::uint32_t kFixedPart = 76;
    const std::uint32_t stringBytes = static_cast<std::uint32_t>((chars.size() * 2 + 3) / 4 * 4);
    Record r(kEmrExtTextOutW);
    r.Rect(left, top, right, bottom)
        .U32(kGmCompatible)
        .F32(static_cast<float>(2540.0 / m_screen.dpiX)) // .01 mm per device unit
        .F32(static_cast<float>(2540.0 / m_screen.dpiY))
        .I32(at.x)
        .I32(at.y)
        .U32(static_cast<std::uint32_t>(chars.size()))
        .U32(kFixedPart)
        .U32(0)             // options: the background mode paints the cell
        .Rect(0, 0, -1, -1) // no clipping or opaquing rectangle
        .U32(kFixedPart + stringBytes)
        .Text16(chars, chars.size())
        .AlignTo4();
    // The advances keep each character where the screen measured it, whatever face the
    // reader finds.
    for (std::size_t i = 0; i + 1 < positions.size(); ++i)
        r.I32(positions[i + 1] - positions[i]);
    r.AppendTo(m_records, m_recordCount);
}

std::vector<std::uint8_t> CEmfSurface::Bytes() const {
    if (m_tooLarge) return {};
    std::vector<std::uint8_t> records = m_records;
    std::uint32_t count = m_recordCount;
    DeviceState state = m_state;
    // The set-up is part of the picture even when nothing was drawn after it.
    AppendStateRecords(m_mapping, m_opaque, state, records, count);
    Record eof(kEmrEof);
    eof.U32(0).U32(16).U32(20); // no palette; its offset; this record's size again
    eof.AppendTo(records, count);

    InclusiveRect bounds{0, 0, -1, -1}, frame{0, 0, -1, -1};
    if (!m_bounds.empty) {
        bounds = Inclusive(m_bounds.x0, m_bounds.y0, m_bounds.x1, m_bounds.y1);
        // The frame is the bounds' whole pixels at the reference screen's resolution, as a
        // device context computes it when given none: readers size the picture by the frame
        // and place it by the bounds, so the two must cover the same area.
        const double fx = 2540.0 / m_screen.dpiX, fy = 2540.0 / m_screen.dpiY;
        frame = {ClampI32(std::round(bounds.left * fx)), ClampI32(std::round(bounds.top * fy)),
                 ClampI32(std::round((bounds.right + 1.0) * fx) - 1.0),
                 ClampI32(std::round((bounds.bottom + 1.0) * fy) - 1.0)};
    }

    Record header(kEmrHeader);
    const std::size_t descriptionBytes = (kDescription.size() * 2 + 3) / 4 * 4;
    const std::uint64_t total = kHeaderSize + descriptionBytes + records.size();
    // Millimetres and micrometres follow from the pixels and the resolution the mapping uses,
    // so every reader's idea of a device unit agrees with the frame.
    const auto mm = [](int pixels, int dpi, double per) {
        return ClampI32(std::lround(pixels * per / dpi));
    };
    header.Rect(bounds.left, bounds.top, bounds.right, bounds.bottom)
        .Rect(frame.left, frame.top, frame.right, frame.bottom)
        .U32(0x464D4520) // " EMF"
        .U32(0x00010000)
        .U32(static_cast<std::uint32_t>(std::min<std::uint64_t>(total, 0xFFFFFFFFu)))
        .U32(count + 1)
        .U16(static_cast<std::uint16_t>(std::min<std::uint32_t>(m_handleCount, 0xFFFF)))
        .U16(0)
        .U32(static_cast<std::uint32_t>(kDescription.size()))
        .U32(kHeaderSize)
        .U32(0) // palette entries
        .I32(m_screen.widthPixels)
        .I32(m_screen.heightPixels)
        .I32(mm(m_screen.widthPixels, m_screen.dpiX, 25.4))
        .I32(mm(m_screen.heightPixels, m_screen.dpiY, 25.4))
        .U32(0) // no pixel format
        .U32(0)
        .U32(0) // not OpenGL
        .I32(mm(m_screen.widthPixels, m_screen.dpiX, 25400.0))
        .I32(mm(m_screen.heightPixels, m_screen.dpiY, 25400.0))
        .Text16(std::u16string(kDescription.begin(), kDescription.end()), kDescription.size());

    std::vector<std::uint8_t> file;
    file.reserve(static_cast<std::size_t>(total));
    std::uint32_t headerCount = 0;
    header.AppendTo(file, headerCount);
    file.insert(file.end(), records.begin(), records.end());
    return file;
}

std::error_code CEmfSurface::WriteFile(const std::string& path) const {
    if (m_tooLarge) return std::make_error_code(std::errc::value_too_large);
    return WriteFileAtomically(path, Bytes());
}
