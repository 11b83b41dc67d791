#include "render/outline_store.h"

#include "common/atomic_file.h"
#include "common/file_io.h"
#include "render/cache_stamp.h"

#include <cstring>
#include <string>
#include <string_view>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "quillmark outline store 1\n";
constexpr std::size_t kMaxStoreBytes = std::size_t{16} << 20;
// No real glyph has more points; a larger count is a damaged store.
constexpr std::uint32_t kMaxGlyphPoints = 1u << 16;

// The store's first part: what it was learned from.
std::string FontPart(const CFontFile& font, const CFileStamp& stamp) {
    return std::string(kHeader) + font.path + "\n" + std::to_string(font.index) +
           (font.embolden ? " bold " : " regular ") + std::to_string(stamp.size) + " " +
           std::to_string(stamp.seconds) + " " + std::to_string(stamp.nanoseconds) + "\n";
}

// Numbers in the machine's own byte order: the store is a cache of this machine's.
template <typename T> void Put(std::string& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

template <typename T> bool Get(std::string_view& in, T& value) {
    if (in.size() < sizeof(T)) return false;
    std::memcpy(&value, in.data(), sizeof(T));
    in.remove_prefix(sizeof(T));
    return true;
}

// The points each operator takes.
int PointsOf(char op) {
    return op == 'C' ? 3 : op == 'Q' ? 2 : op == 'M' || op == 'L' ? 1 : -1;
}

bool ReadGlyph(std::string_view& in, CStoredOutline& glyph) {
    std::uint8_t present = 0;
    std::uint32_t ops = 0;
    if (!Get(in, present) || !Get(in, glyph.advance) || !Get(in, ops) || ops > kMaxGlyphPoints ||
        in.size() < ops)
        return false;
    glyph.present = present != 0;
    glyph.ops.assign(in.begin(), in.begin() + ops);
    in.remove_prefix(ops);
    std::size_t points = 0;
    for (const char op : glyph.ops) {
        if (PointsOf(op) < 0) return false;
        points += static_cast<std::size_t>(PointsOf(op));
    }
    glyph.coords.resize(2 * points);
    for (std::int32_t& v : glyph.coords)
        if (!Get(in, v)) return false;
    return true;
}

} // namespace

fs::path OutlineStoreFile(const fs::path& folder, const CFontFile& font) {
    if (folder.empty()) return {};
    CDigest digest;
    digest.Add(font.path);
    digest.Add("\n" + std::to_string(font.index) + (font.embolden ? " bold" : " regular"));
    return folder / (Hex(digest.value) + ".outlines");
}

std::optional<COutlineSet> ReadOutlineStore(const fs::path& file, const CFontFile& font) {
    const CFileStamp stamp = StampOf(font.path);
    if (file.empty() || !stamp.exists || stamp.folder) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    if (ReadWholeFile(file.string(), bytes, kMaxStoreBytes)) return std::nullopt;
    std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (all.size() < sizeof(std::uint64_t)) return std::nullopt;
    std::string_view body = all.substr(0, all.size() - sizeof(std::uint64_t));
    std::uint64_t check = 0;
    std::memcpy(&check, all.data() + body.size(), sizeof check);
    CDigest digest;
    digest.Add(body);
    const std::string expected = FontPart(font, stamp);
    if (digest.value != check || !body.starts_with(expected)) return std::nullopt;
    body.remove_prefix(expected.size());
    COutlineSet set;
    std::uint32_t count = 0;
    if (!Get(body, set.unitsPerEm) || set.unitsPerEm <= 0 || !Get(body, count)) return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t code = 0;
        if (!Get(body, code) || !ReadGlyph(body, set.glyphs[code])) return std::nullopt;
    }
    if (!body.empty()) return std::nullopt;
    return set;
}

void WriteOutlineStore(const fs::path& file, const CFontFile& font, const COutlineSet& set) {
    const CFileStamp stamp = StampOf(font.path);
    if (file.empty() || !stamp.exists || stamp.folder) return;
    std::string out = FontPart(font, stamp);
    Put(out, set.unitsPerEm);
    Put(out, static_cast<std::uint32_t>(set.glyphs.size()));
    for (const auto& [code, glyph] : set.glyphs) {
        Put(out, static_cast<std::uint32_t>(code));
        Put(out, static_cast<std::uint8_t>(glyph.present));
        Put(out, glyph.advance);
        Put(out, static_cast<std::uint32_t>(glyph.ops.size()));
        out.append(glyph.ops.begin(), glyph.ops.end());
        for (const std::int32_t v : glyph.coords)
            Put(out, v);
    }
    if (out.size() > kMaxStoreBytes) return;
    CDigest digest;
    digest.Add(out);
    Put(out, digest.value);
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec) return;
    AtomicWriteOptions options;
    options.sync = false;           // a store lost to a crash is only learned again
    options.refuseReadOnly = false; // the program's own, whatever mode it was left with
    (void)WriteFileAtomically(
        file.string(), std::span(reinterpret_cast<const std::uint8_t*>(out.data()), out.size()),
        options);
}
