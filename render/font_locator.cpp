#include "render/font_locator.h"

#include "render/cache_stamp.h"
#include "render/glyph_outlines.h"
#include "render/text_raster.h"
#include "render/unicode_text.h"

#include "common/shared_library.h"

#include "common/atomic_file.h"
#include "common/file_io.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <system_error>
#include <vector>

#include <dirent.h>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCacheHeader = "quillmark font cache 1";
constexpr std::size_t kMaxCacheFileBytes = 64 * 1024;

// Arbitrary bytes (a family or a path may hold a line break) as hexadecimal digits.
std::string HexBytes(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string s;
    s.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        s.push_back(kDigits[c >> 4]);
        s.push_back(kDigits[c & 15]);
    }
    return s;
}

std::optional<std::string> FromHexBytes(std::string_view hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    std::string s;
    s.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
        if (ec != std::errc() || end != hex.data() + i + 2) return std::nullopt;
        s.push_back(static_cast<char>(value));
    }
    return s;
}

template <typename T> std::optional<T> Number(std::string_view text) {
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// An environment variable naming a base folder counts only when absolute, as the XDG rules say.
fs::path BaseFolder(const char* variable, const char* underHome) {
    const std::string v = Env(variable);
    if (!v.empty() && v.front() == '/') return v;
    const std::string home = Env("HOME");
    if (home.empty()) return {};
    return fs::path(home) / underHome;
}

void AddStamp(CDigest& digest, std::string_view name, const CFileStamp& s) {
    digest.Add(name);
    digest.Add(std::string_view("\0", 1));
    if (s.exists) {
        char text[96];
        const int n =
            std::snprintf(text, sizeof text, "%lld %lld.%lld %c", static_cast<long long>(s.size),
                          static_cast<long long>(s.seconds), static_cast<long long>(s.nanoseconds),
                          s.folder ? 'd' : 'f');
        digest.Add(std::string_view(text, static_cast<std::size_t>(std::max(n, 0))));
    }
    digest.Add("\n");
}

void AddStamp(CDigest& digest, const fs::path& path) {
    AddStamp(digest, path.native(), StampOf(path));
}

// Which entries of a folder are stamped one by one.
enum class Entries {
    // Every entry, links followed: a file edited in place changes its own time only.
    All,
    // Files one by one; links only by name and inode, so that a link added, removed or pointed
    // elsewhere (each a new link) counts, while what a packaged link points to is covered by
    // the stamp of the folder the package replaces it in.
    FilesAndLinks,
};

// The folder's stamp and, sorted by name, its entries'.
void AddFolder(CDigest& digest, const fs::path& folder, Entries entries) {
    const CFileStamp stamp = StampOf(folder);
    AddStamp(digest, folder.native(), stamp);
    if (!stamp.folder) return;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    struct Entry {
        std::string name;
        ino_t inode;
        unsigned char type;
        bool operator<(const Entry& other) const { return name < other.name; }
    };
    std::vector<Entry> found;
    while (const dirent* e = readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name != "." && name != "..") found.push_back({std::string(name), e->d_ino, e->d_type});
    }
    std::sort(found.begin(), found.end());
    for (const Entry& e : found) {
        if (entries == Entries::FilesAndLinks && e.type == DT_LNK) {
            digest.Add(e.name);
            digest.Add(" link " + std::to_string(e.inode) + "\n");
            continue;
        }
        AddStamp(digest, e.name, StampAt(dirfd(dir), e.name.c_str()));
    }
    closedir(dir);
}

} // namespace

std::uint64_t FontconfigFingerprint() {
    CDigest digest;
    for (const char* name :
         {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "HOME", "XDG_CONFIG_HOME",
          "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CACHE_HOME"}) {
        digest.Add(name);
        digest.Add("=" + Env(name) + "\n");
    }
    // The configuration: the main file and every folder fontconfig looks for one in, with the
    // conf.d folders whose files the main file includes. The system's conf.d holds links into
    // the packages' conf.avail folders, which a package upgrade replaces files in.
    std::vector<fs::path> configFolders;
    const std::string configPath = Env("FONTCONFIG_PATH");
    for (std::size_t start = 0; start <= configPath.size();) {
        const std::size_t colon = std::min(configPath.find(':', start), configPath.size());
        if (colon > start) configFolders.emplace_back(configPath.substr(start, colon - start));
        start = colon + 1;
    }
    configFolders.emplace_back("/etc/fonts");
    const std::string configFile = Env("FONTCONFIG_FILE");
    if (!configFile.empty()) AddStamp(digest, configFile);
    for (const fs::path& folder : configFolders) {
        AddStamp(digest, folder);
        AddStamp(digest, folder / "fonts.conf");
        AddStamp(digest, folder / "local.conf");
        AddFolder(digest, folder / "conf.d", Entries::FilesAndLinks);
        AddStamp(digest, folder / "conf.avail");
    }
    std::string dataDirs = Env("XDG_DATA_DIRS");
    if (dataDirs.empty()) dataDirs = "/usr/local/share:/usr/share";
    for (std::size_t start = 0; start <= dataDirs.size();) {
        const std::size_t colon = std::min(dataDirs.find(':', start), dataDirs.size());
        if (colon > start && dataDirs[start] == '/')
            AddStamp(digest,
                     fs::path(dataDirs.substr(start, colon - start)) / "fontconfig" / "conf.avail");
        start = colon + 1;
    }
    // The user's own files, wherever their links point.
    const fs::path userConfig = BaseFolder("XDG_CONFIG_HOME", ".config") / "fontconfig";
    AddStamp(digest, userConfig / "fonts.conf");
    AddFolder(digest, userConfig / "conf.d", Entries::All);
    const std::string home = Env("HOME");
    if (!home.empty()) {
        AddStamp(digest, fs::path(home) / ".fonts.conf");
        AddFolder(digest, fs::path(home) / ".fonts.conf.d", Entries::All);
    }
    // The fonts: a package adds its own folder inside one of these, and fc-cache rewrites the
    // caches.
    std::vector<fs::path> fontFolders = {"/usr/share/fonts", "/usr/local/share/fonts",
                                         BaseFolder("XDG_DATA_HOME", ".local/share") / "fonts"};
    if (!home.empty()) fontFolders.push_back(fs::path(home) / ".fonts");
    for (const fs::path& folder : fontFolders)
        AddFolder(digest, folder, Entries::All);
    AddStamp(digest, "/var/cache/fontconfig");
    AddStamp(digest, BaseFolder("XDG_CACHE_HOME", ".cache") / "fontconfig");
    return digest.value;
}

std::filesystem::path DefaultFontCacheFolder() {
    const fs::path base = BaseFolder("XDG_CACHE_HOME", ".cache");
    if (base.empty()) return {};
    return base / "Halvern" / "Quillmark" / "fonts";
}

namespace {

// fontconfig, loaded for the first font not yet in the cache: a warm start never needs it.
struct FontconfigLibrary {
    decltype(&::FcConfigDestroy) ConfigDestroy = nullptr;
    decltype(&::FcConfigSubstitute) ConfigSubstitute = nullptr;
    decltype(&::FcDefaultSubstitute) DefaultSubstitute = nullptr;
    decltype(&::FcFontMatch) FontMatch = nullptr;
    decltype(&::FcInitLoadConfigAndFonts) InitLoadConfigAndFonts = nullptr;
    decltype(&::FcPatternAddBool) PatternAddBool = nullptr;
    decltype(&::FcPatternAddInteger) PatternAddInteger = nullptr;
    decltype(&::FcPatternAddString) PatternAddString = nullptr;
    decltype(&::FcPatternCreate) PatternCreate = nullptr;
    decltype(&::FcPatternDestroy) PatternDestroy = nullptr;
    decltype(&::FcPatternGetBool) PatternGetBool = nullptr;
    decltype(&::FcPatternGetInteger) PatternGetInteger = nullptr;
    decltype(&::FcPatternGetString) PatternGetString = nullptr;
};

bool TakeFontconfig(CSharedLibrary& so, FontconfigLibrary& f) {
    return so.Take(f.ConfigDestroy, "FcConfigDestroy") &&
           so.Take(f.ConfigSubstitute, "FcConfigSubstitute") &&
           so.Take(f.DefaultSubstitute, "FcDefaultSubstitute") &&
           so.Take(f.FontMatch, "FcFontMatch") &&
           so.Take(f.InitLoadConfigAndFonts, "FcInitLoadConfigAndFonts") &&
           so.Take(f.PatternAddBool, "FcPatternAddBool") &&
           so.Take(f.PatternAddInteger, "FcPatternAddInteger") &&
           so.Take(f.PatternAddString, "FcPatternAddString") &&
           so.Take(f.PatternCreate, "FcPatternCreate") &&
           so.Take(f.PatternDestroy, "FcPatternDestroy") &&
           so.Take(f.PatternGetBool, "FcPatternGetBool") &&
           so.Take(f.PatternGetInteger, "FcPatternGetInteger") &&
           so.Take(f.PatternGetString, "FcPatternGetString");
}

const FontconfigLibrary* Fontconfig() {
    return LoadLibraryOnce("libfontconfig.so.1", TakeFontconfig).Get();
}

} // namespace

std::optional<CFontFile> ResolveThroughFontconfig(const std::string& family, bool bold) {
    // A configuration of its own, released after the match, so that a lookup leaves no
    // fontconfig state behind (whoever else in the process uses fontconfig keeps its own).
    const FontconfigLibrary* fc = Fontconfig();
    if (!fc) return std::nullopt;
    FcConfig* config = fc->InitLoadConfigAndFonts();
    if (!config) return std::nullopt;
    FcPattern* pattern = fc->PatternCreate();
    if (!pattern) {
        fc->ConfigDestroy(config);
        return std::nullopt;
    }
    fc->PatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    fc->PatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    fc->PatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    fc->PatternAddBool(pattern, FC_SCALABLE, FcTrue);
    std::optional<CFontFile> found;
    if (fc->ConfigSubstitute(config, pattern, FcMatchPattern)) {
        fc->DefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = fc->FontMatch(config, pattern, &result)) {
            FcChar8* file = nullptr;
            if (fc->PatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file && *file) {
                CFontFile f;
                f.path = reinterpret_cast<const char*>(file);
                int index = 0;
                if (fc->PatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch)
                    f.index = std::max(index, 0);
                // The configuration says whether to thicken a regular face for bold; where it
                // says nothing, a face lighter than demibold is thickened.
                FcBool embolden = FcFalse;
                int weight = FC_WEIGHT_REGULAR;
                if (fc->PatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch)
                    f.embolden = bold && embolden;
                else if (fc->PatternGetInteger(match, FC_WEIGHT, 0, &weight) == FcResultMatch)
                    f.embolden = bold && weight < FC_WEIGHT_DEMIBOLD;
                found = std::move(f);
            }
            fc->PatternDestroy(match);
        }
    }
    fc->PatternDestroy(pattern);
    fc->ConfigDestroy(config);
    return found;
}

CFontLocator::CFontLocator()
    : CFontLocator(DefaultFontCacheFolder(), ResolveThroughFontconfig, FontconfigFingerprint) {}

CFontLocator::CFontLocator(std::filesystem::path cacheFolder, FontResolver resolver,
                           std::function<std::uint64_t()> fingerprint)
    : m_folder(std::move(cacheFolder)), m_resolver(std::move(resolver)),
      m_fingerprintOf(std::move(fingerprint)) {}

CFontLocator::~CFontLocator() = default;

CTextRaster& CFontLocator::Text() {
    if (!m_text) m_text = std::make_unique<CTextRaster>(*this);
    return *m_text;
}

CUnicodeText& CFontLocator::Unicode() {
    if (!m_unicode) m_unicode = std::make_unique<CUnicodeText>();
    return *m_unicode;
}

CGlyphOutlines& CFontLocator::Outlines() {
    if (!m_outlines) m_outlines = std::make_unique<CGlyphOutlines>(*this);
    return *m_outlines;
}

std::uint64_t CFontLocator::Fingerprint() {
    if (!m_fingerprint) m_fingerprint = m_fingerprintOf ? m_fingerprintOf() : 0;
    return *m_fingerprint;
}

std::filesystem::path CFontLocator::CacheFile(const std::string& family, bool bold) const {
    if (m_folder.empty()) return {};
    CDigest digest;
    digest.Add(family);
    digest.Add(bold ? "\nbold" : "\nregular");
    return m_folder / (Hex(digest.value) + ".font");
}

std::optional<CFontFile> CFontLocator::Find(const std::string& family, bool bold) {
    const auto key = std::make_pair(family, bold);
    if (const auto it = m_found.find(key); it != m_found.end()) return it->second;
    std::optional<CFontFile> file = ReadCache(family, bold);
    if (!file && m_resolver) {
        file = m_resolver(family, bold);
        // Resolving may have changed what the fingerprint covers (fontconfig writes its own
        // caches on a first run): the answer is stored under the state that follows it.
        m_fingerprint.reset();
        if (file) WriteCache(family, bold, *file);
    }
    m_found.emplace(key, file);
    return file;
}

namespace {

// The cache file's text, last line a digest of the lines before it.
std::string CacheText(std::uint64_t fingerprint, const std::string& family, bool bold,
                      const CFontFile& file, const CFileStamp& stamp) {
    std::string text = std::string(kCacheHeader) + "\n";
    text += "fingerprint " + Hex(fingerprint) + "\n";
    text += "family " + HexBytes(family) + "\n";
    text += std::string("bold ") + (bold ? "1" : "0") + "\n";
    text += "file " + HexBytes(file.path) + "\n";
    text += "index " + std::to_string(file.index) + "\n";
    text += std::string("embolden ") + (file.embolden ? "1" : "0") + "\n";
    text += "size " + std::to_string(stamp.size) + "\n";
    text +=
        "mtime " + std::to_string(stamp.seconds) + " " + std::to_string(stamp.nanoseconds) + "\n";
    CDigest digest;
    digest.Add(text);
    return text + "check " + Hex(digest.value) + "\n";
}

} // namespace

std::optional<CFontFile> CFontLocator::ReadCache(const std::string& family, bool bold) {
    const fs::path path = CacheFile(family, bold);
    if (path.empty()) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    if (ReadWholeFile(path.string(), bytes, kMaxCacheFileBytes)) return std::nullopt;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());

    // Take the fields that name the file, then rebuild the whole text from them and from what
    // holds now: any difference (another fingerprint, family or font file, a damaged digest)
    // makes the file unusable.
    std::map<std::string_view, std::string_view> fields;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view line = text.substr(start, end - start);
        if (const std::size_t space = line.find(' '); space != std::string_view::npos)
            fields.emplace(line.substr(0, space), line.substr(space + 1));
        start = end + 1;
    }
    const std::optional<std::string> filePath = FromHexBytes(fields["file"]);
    const auto index = Number<int>(fields["index"]);
    if (!filePath || filePath->empty() || filePath->front() != '/' || !index || *index < 0)
        return std::nullopt;
    CFontFile file{*filePath, *index, fields["embolden"] == "1"};
    // The font file must be the one that was found: same size, same modification time.
    const CFileStamp stamp = StampOf(file.path);
    if (!stamp.exists || stamp.folder) return std::nullopt;
    if (CacheText(Fingerprint(), family, bold, file, stamp) != text) return std::nullopt;
    return file;
}

void CFontLocator::WriteCache(const std::string& family, bool bold, const CFontFile& file) {
    const fs::path path = CacheFile(family, bold);
    const CFileStamp stamp = StampOf(file.path);
    if (path.empty() || !stamp.exists || stamp.folder) return;
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    if (ec) return;
    AtomicWriteOptions options;
    options.sync = false; // a cache file lost to a crash is only looked up again
    // The cache is the program's own: one left read-only (or by another user, through sudo) is
    // replaced where its folder allows, or every start would pay the look-up again.
    options.refuseReadOnly = false;
    (void)WriteFileAtomically(
        path.string(), AsBytes(CacheText(Fingerprint(), family, bold, file, stamp)), options);
}
