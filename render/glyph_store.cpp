#include "render/glyph_store.h"

#include "render/cache_stamp.h"

#include "common/atomic_file.h"
#include "common/file_io.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "quillmark glyph store 1\n";
// Every kept glyph at its largest, with room for the rest.
constexpr std::size_t kMaxStoreBytes = 256 * kKeptGlyphMaxBytes + 4 * 1024 * 1024;

// Numbers in the machine's own byte order: the store is a cache of this machine's.
class CWriter {
public:
    template <typename T> void Put(T value) {
        char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        m_bytes.append(bytes, sizeof(T));
    }
    void PutText(std::string_view text) {
        Put<std::uint32_t>(static_cast<std::uint32_t>(text.size()));
        m_bytes.append(text);
    }
    void PutStamp(const CFileStamp& s) {
        Put<std::int64_t>(s.size);
        Put<std::int64_t>(s.seconds);
        Put<std::int64_t>(s.nanoseconds);
    }
    void PutRect(const CPixelRect& r) {
        for (std::int64_t v : {r.x0, r.y0, r.x1, r.y1})
            Put<std::int64_t>(v);
    }
    void PutBytes(const std::vector<std::uint8_t>& bytes) {
        m_bytes.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    std::string& Bytes() { return m_bytes; }

private:
    std::string m_bytes;
};

// Reads what CWriter wrote; once anything is missing every later read fails too.
class CReader {
public:
    explicit CReader(std::string_view bytes) : m_rest(bytes) {}
    template <typename T> bool Get(T& value) {
        if (m_rest.size() < sizeof(T)) return m_ok = false;
        std::memcpy(&value, m_rest.data(), sizeof(T));
        m_rest.remove_prefix(sizeof(T));
        return m_ok;
    }
    bool GetText(std::string& text) {
        std::uint32_t size = 0;
        if (!Get(size) || m_rest.size() < size) return m_ok = false;
        text.assign(m_rest.substr(0, size));
        m_rest.remove_prefix(size);
        return m_ok;
    }
    bool GetStamp(CFileStamp& s) {
        s.exists = true;
        return Get(s.size) && Get(s.seconds) && Get(s.nanoseconds);
    }
    bool GetRect(CPixelRect& r) { return Get(r.x0) && Get(r.y0) && Get(r.x1) && Get(r.y1); }
    bool GetBytes(std::size_t size, std::vector<std::uint8_t>& bytes) {
        if (m_rest.size() < size) return m_ok = false;
        bytes.assign(m_rest.begin(), m_rest.begin() + static_cast<std::ptrdiff_t>(size));
        m_rest.remove_prefix(size);
        return m_ok;
    }
    bool AtEnd() const { return m_ok && m_rest.empty(); }

private:
    std::string_view m_rest;
    bool m_ok = true;
};

std::string LibrarySearchPath() {
    const char* v = std::getenv("LD_LIBRARY_PATH");
    return v ? v : "";
}

// What the facts were learned from, as the file begins: the font file with its stamp, and the
// pixel size. The FreeType library follows separately, as only the file can name it.
std::string FontPart(const CFontFile& font, int pixelSize, const CFileStamp& stamp) {
    CWriter w;
    w.Bytes() = kHeader;
    w.PutText(font.path);
    w.Put<std::int32_t>(font.index);
    w.Put<std::uint8_t>(font.embolden ? 1 : 0);
    w.Put<std::int32_t>(pixelSize);
    w.PutStamp(stamp);
    return std::move(w.Bytes());
}

bool ReadFacts(CReader& r, CFaceFacts& f) {
    std::uint8_t kerns = 0;
    if (!r.Get(f.ascent) || !r.Get(f.descent) || !r.GetRect(f.reach) || !r.Get(kerns) || kerns > 1)
        return false;
    f.kerns = kerns != 0;
    std::uint16_t count = 0;
    if (!r.Get(count) || count > 256) return false;
    for (unsigned i = 0; i < count; ++i) {
        std::uint8_t c = 0;
        if (!r.Get(c) || !r.Get(f.advance[c])) return false;
        f.measured[c] = true;
    }
    if (!r.Get(count) || count > 256) return false;
    for (unsigned i = 0; i < count; ++i) {
        std::uint8_t c = 0, inked = 0;
        if (!r.Get(c) || !r.Get(inked) || inked > 1 || !r.GetRect(f.ink[c])) return false;
        f.inked[c] = inked != 0;
        f.boxed[c] = true;
    }
    if (!r.Get(count) || count > 256) return false;
    for (unsigned i = 0; i < count; ++i) {
        std::uint8_t c = 0, outline = 0;
        auto g = std::make_unique<CGlyphBitmap>();
        if (!r.Get(c) || !r.Get(outline) || outline > 1 || !r.Get(g->left) || !r.Get(g->top) ||
            !r.Get(g->width) || !r.Get(g->rows))
            return false;
        g->outline = outline != 0;
        if (g->width < 0 || g->rows < 0 || g->width >= kMaxGlyphSide || g->rows >= kMaxGlyphSide)
            return false;
        const std::size_t bytes =
            static_cast<std::size_t>((g->width + 7) / 8) * static_cast<std::size_t>(g->rows);
        if (bytes > kKeptGlyphMaxBytes || (!g->outline && bytes != 0) ||
            !r.GetBytes(bytes, g->bits))
            return false;
        f.glyphs[c] = std::move(g);
    }
    std::uint32_t pairs = 0;
    if (!r.Get(pairs) || pairs > 65536) return false;
    for (std::uint32_t i = 0; i < pairs; ++i) {
        std::uint16_t pair = 0;
        std::int64_t value = 0;
        if (!r.Get(pair) || !r.Get(value)) return false;
        f.kerning[pair] = value;
    }
    return r.AtEnd();
}

// How far from its origin anything of a glyph may reach, in pixels: many times the em, as no
// real face's glyphs come near (the text drawer widens the face's box by an eighth of the em and
// two pixels), and never less than the reach it gives a face without a box.
std::int64_t FaceLimit(int pixelSize) {
    constexpr std::int64_t kEms = 16;
    return std::max<std::int64_t>(kEms * pixelSize + 2 + pixelSize / 8, 65536);
}

bool Within(std::int64_t v, std::int64_t limit) {
    return v >= -limit && v <= limit;
}

bool RectWithin(const CPixelRect& r, const CPixelRect& outer) {
    return r.x0 >= outer.x0 && r.y0 >= outer.y0 && r.x1 <= outer.x1 && r.y1 <= outer.y1;
}

// Whether every size and metric of the facts is one the face can have at this pixel size: the
// line and the advances and kerning within the face's limit, every ink box and kept glyph inside
// the face's reach. A store whose digest fits but whose numbers do not (written by hand, or by a
// program gone wrong) would otherwise plan images of billions of pixels.
bool InFaceLimits(const CFaceFacts& f, int pixelSize) {
    const std::int64_t limit = FaceLimit(pixelSize), limit64 = limit * 64;
    const CPixelRect& reach = f.reach;
    if (!Within(f.ascent, limit64) || !Within(f.descent, limit64) || reach.x0 > reach.x1 ||
        reach.y0 > reach.y1 || !RectWithin(reach, {-limit, -limit, limit, limit}))
        return false;
    for (std::size_t c = 0; c < 256; ++c) {
        if (f.measured[c] && !Within(f.advance[c], limit64)) return false;
        const CPixelRect& ink = f.ink[c];
        if (f.boxed[c] &&
            (f.inked[c] ? ink.x0 >= ink.x1 || ink.y0 >= ink.y1 || !RectWithin(ink, reach)
                        : ink.x0 != ink.x1 || ink.y0 != ink.y1))
            return false;
        if (const CGlyphBitmap* g = f.glyphs[c].get()) {
            if (!Within(g->left, limit) || !Within(g->top, limit)) return false;
            const CPixelRect box{g->left, g->top, g->left + g->width, g->top + g->rows};
            if (g->outline ? g->width == 0 || g->rows == 0 || !RectWithin(box, reach)
                           : g->width != 0 || g->rows != 0)
                return false;
        }
    }
    for (const auto& [pair, value] : f.kerning)
        if (!Within(value, limit64)) return false;
    return true;
}

void WriteFacts(CWriter& w, const CFaceFacts& f) {
    w.Put(f.ascent);
    w.Put(f.descent);
    w.PutRect(f.reach);
    w.Put<std::uint8_t>(f.kerns ? 1 : 0);
    const auto countOf = [](const std::array<bool, 256>& present) {
        std::uint16_t n = 0;
        for (bool p : present)
            n = static_cast<std::uint16_t>(n + (p ? 1 : 0));
        return n;
    };
    w.Put(countOf(f.measured));
    for (unsigned c = 0; c < 256; ++c)
        if (f.measured[c]) {
            w.Put(static_cast<std::uint8_t>(c));
            w.Put(f.advance[c]);
        }
    w.Put(countOf(f.boxed));
    for (unsigned c = 0; c < 256; ++c)
        if (f.boxed[c]) {
            w.Put(static_cast<std::uint8_t>(c));
            w.Put<std::uint8_t>(f.inked[c] ? 1 : 0);
            w.PutRect(f.ink[c]);
        }
    std::uint16_t kept = 0;
    for (const auto& g : f.glyphs)
        kept = static_cast<std::uint16_t>(kept + (g ? 1 : 0));
    w.Put(kept);
    for (unsigned c = 0; c < 256; ++c)
        if (const CGlyphBitmap* g = f.glyphs[c].get()) {
            w.Put(static_cast<std::uint8_t>(c));
            w.Put<std::uint8_t>(g->outline ? 1 : 0);
            w.Put(g->left);
            w.Put(g->top);
            w.Put(g->width);
            w.Put(g->rows);
            w.PutBytes(g->bits);
        }
    w.Put(static_cast<std::uint32_t>(f.kerning.size()));
    for (const auto& [pair, value] : f.kerning) {
        w.Put(pair);
        w.Put(value);
    }
}

} // namespace

fs::path GlyphStoreFile(const fs::path& folder, const CFontFile& font, int pixelSize) {
    if (folder.empty()) return {};
    CDigest digest;
    digest.Add(font.path);
    digest.Add("\n" + std::to_string(font.index) + (font.embolden ? " bold " : " regular ") +
               std::to_string(pixelSize));
    return folder / (Hex(digest.value) + ".glyphs");
}

std::optional<CFaceFacts> ReadGlyphStore(const fs::path& file, const CFontFile& font,
                                         int pixelSize) {
    if (file.empty()) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    if (ReadWholeFile(file.string(), bytes, kMaxStoreBytes)) return std::nullopt;
    std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (all.size() < sizeof(std::uint64_t)) return std::nullopt;
    std::string_view body = all.substr(0, all.size() - sizeof(std::uint64_t));
    std::uint64_t check = 0;
    std::memcpy(&check, all.data() + body.size(), sizeof check);
    CDigest digest;
    digest.Add(body);
    if (digest.value != check) return std::nullopt;

    const CFileStamp fontStamp = StampOf(font.path);
    if (!fontStamp.exists || fontStamp.folder) return std::nullopt;
    const std::string expected = FontPart(font, pixelSize, fontStamp);
    if (body.substr(0, expected.size()) != expected) return std::nullopt;
    CReader r(body.substr(expected.size()));
    std::string libraryPath, searchPath;
    CFileStamp libraryStamp;
    if (!r.GetText(libraryPath) || !r.GetStamp(libraryStamp) || !r.GetText(searchPath))
        return std::nullopt;
    // The library that drew these glyphs is still the one that would be loaded.
    if (libraryPath.empty() || StampOf(libraryPath) != libraryStamp ||
        searchPath != LibrarySearchPath())
        return std::nullopt;
    CFaceFacts facts;
    if (!ReadFacts(r, facts) || !InFaceLimits(facts, pixelSize)) return std::nullopt;
    return facts;
}

void WriteGlyphStore(const fs::path& file, const CFontFile& font, int pixelSize,
                     const std::string& libraryPath, const CFaceFacts& facts) {
    const CFileStamp fontStamp = StampOf(font.path), libraryStamp = StampOf(libraryPath);
    if (file.empty() || !fontStamp.exists || fontStamp.folder || libraryPath.empty() ||
        !libraryStamp.exists || libraryStamp.folder)
        return;
    CWriter w;
    w.Bytes() = FontPart(font, pixelSize, fontStamp);
    w.PutText(libraryPath);
    w.PutStamp(libraryStamp);
    w.PutText(LibrarySearchPath());
    WriteFacts(w, facts);
    if (w.Bytes().size() > kMaxStoreBytes) return;
    CDigest digest;
    digest.Add(w.Bytes());
    w.Put(digest.value);
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec) return;
    AtomicWriteOptions options;
    options.sync = false;           // a store lost to a crash is only learned again
    options.refuseReadOnly = false; // the program's own, whatever mode it was left with
    (void)WriteFileAtomically(file.string(), AsBytes(w.Bytes()), options);
}
