#pragma once
// Which font file draws a family: asked of fontconfig once, then remembered on disk, so that a
// later start finds the file without initialising fontconfig (which reads every configuration
// file and every font folder's cache first).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

struct CFontFile {
    std::string path;
    int index = 0;         // the face within a collection file
    bool embolden = false; // bold asked of a family without a bold face: thicken the regular one
    friend bool operator==(const CFontFile&, const CFontFile&) = default;
};

// Family (UTF-8) and boldness to a font file; nothing when no font at all can be had.
using FontResolver = std::function<std::optional<CFontFile>(const std::string& family, bool bold)>;

// fontconfig's best match, the system's aliases applied ("Courier New" to a metric-compatible
// face where the real one is missing).
std::optional<CFontFile> ResolveThroughFontconfig(const std::string& family, bool bold);

// A digest of everything fontconfig's answer depends on: its environment variables, the
// modification times of the configuration files and folders it reads, and those of the font
// folders and font caches, so that a new configuration or newly installed fonts give a new
// value. The system's conf.d links count by name and inode, and what they point to by the
// conf.avail folders that packages replace those files in, so a start costs about twenty stat
// calls rather than one per configuration file.
std::uint64_t FontconfigFingerprint();

// $XDG_CACHE_HOME/Halvern/Quillmark/fonts, ~/.cache/... without it; empty when neither is known.
std::filesystem::path DefaultFontCacheFolder();

// Finds font files through a resolver and keeps each answer in a small file in the cache
// folder, valid while the fingerprint and the font file's size and modification time stay as
// they were. A cache file that is damaged, stale or for another request is ignored and
// replaced; a cache that cannot be written only costs the next start a resolver call.
class CTextRaster;
class CUnicodeText;
class CGlyphOutlines;

class CFontLocator {
public:
    // The default cache folder, fontconfig and its fingerprint.
    CFontLocator();
    CFontLocator(std::filesystem::path cacheFolder, FontResolver resolver,
                 std::function<std::uint64_t()> fingerprint = FontconfigFingerprint);

    ~CFontLocator();

    std::optional<CFontFile> Find(const std::string& family, bool bold);

    // The text drawer of every surface that finds its fonts here: each face opened, and each
    // glyph hinted, once for all the symbols of a batch.
    CTextRaster& Text();
    // The drawer of text beyond Latin-1 and in italic (a label's lines), kept the same way.
    CUnicodeText& Unicode();
    // The glyph outlines of vector pictures, kept the same way; what was learned of them is
    // kept on disk when the locator ends.
    CGlyphOutlines& Outlines();

    // The cache file of one request.
    std::filesystem::path CacheFile(const std::string& family, bool bold) const;
    // Where the answers are kept (the text drawer keeps its glyphs there too); empty: nowhere.
    const std::filesystem::path& Folder() const { return m_folder; }

private:
    std::optional<CFontFile> ReadCache(const std::string& family, bool bold);
    void WriteCache(const std::string& family, bool bold, const CFontFile& file);
    std::uint64_t Fingerprint();

    std::filesystem::path m_folder;
    FontResolver m_resolver;
    std::function<std::uint64_t()> m_fingerprintOf;
    std::optional<std::uint64_t> m_fingerprint; // taken once, at the first look-up
    std::map<std::pair<std::string, bool>, std::optional<CFontFile>> m_found;
    std::unique_ptr<CTextRaster> m_text;
    std::unique_ptr<CUnicodeText> m_unicode;
    std::unique_ptr<CGlyphOutlines> m_outlines;
};
