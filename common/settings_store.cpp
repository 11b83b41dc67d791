#include "common/settings_store.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// File format, one item per line:
//   [Options]            a section header
//   Density=10           an integer (decimal, optional sign, fits in 32 bits)
//   Font Name="Courier"  a string; \\, \" and \xNN escapes, everything else literal
//   ; or # at the start  a comment
// Anything else is kept as it is and ignored. Strings are always written quoted with every byte
// outside 0x20..0x7E escaped, so the file stays plain ASCII and a string that looks like a number
// keeps its type. A hand-written unquoted value is an integer when it parses as one and a trimmed
// string otherwise.

namespace {

constexpr std::string_view kVendorDir = "Halvern";
constexpr std::string_view kFileName = "Quillmark.conf";

// A settings file is a few kilobytes; anything far larger is not ours and is not worth the memory.
constexpr std::size_t kMaxFileSize = 16u << 20;

// File timestamps come from a clock that only advances once per kernel tick, so a change made
// within the same tick as the one we last saw can leave size, times and inode all unchanged. A
// parse is trusted only once the file's ctime lies this far behind the moment we started reading
// it; until then every read goes back to the file.
constexpr std::chrono::nanoseconds kSettleTime = std::chrono::milliseconds(100);

// How long a writer waits for another writer before giving up and reporting failure.
constexpr std::chrono::seconds kLockTimeout = std::chrono::seconds(10);

// Each test and each user of a different $XDG_CONFIG_HOME adds an entry; a real process has one.
constexpr std::size_t kMaxCachedFiles = 32;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

// A name must come back from the file exactly as it went in: no bytes the parser would trim,
// split on or take for a header, and plain ASCII so the file stays clean.
bool IsStorableName(std::string_view name, bool isKey) {
    if (name.empty() || name.front() == ' ' || name.back() == ' ') return false;
    if (isKey && (name.front() == ';' || name.front() == '#')) return false;
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c > 0x7E || c == '=' || c == '[' || c == ']') return false;
    }
    return true;
}

// ---- values ----

struct Value {
    enum class Type : std::uint8_t { Int, String, Unreadable };
    Type type = Type::Unreadable;
    std::int32_t number = 0;
    std::string text;
};

std::optional<std::int32_t> ParseInt(std::string_view s) {
    std::size_t skip = 0;
    if (!s.empty() && s.front() == '+') {
        if (s.size() < 2 || s[1] == '-') return std::nullopt;
        skip = 1;
    }
    std::int32_t v = 0;
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data() + skip, end, v);
    if (s.size() == skip || ec != std::errc() || p != end) return std::nullopt;
    return v;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// raw is the trimmed text after '='.
Value ParseValue(std::string_view raw) {
    Value v;
    if (raw.empty() || raw.front() != '"') {
        if (auto n = ParseInt(raw)) {
            v.type = Value::Type::Int;
            v.number = *n;
        } else {
            v.type = Value::Type::String;
            v.text.assign(raw);
        }
        return v;
    }
    std::size_t i = 1;
    for (; i < raw.size() && raw[i] != '"'; ++i) {
        if (raw[i] != '\\') {
            v.text.push_back(raw[i]);
            continue;
        }
        if (++i >= raw.size()) return Value{};
        const char e = raw[i];
        if (e == '\\' || e == '"') {
            v.text.push_back(e);
        } else if (e == 'x' && i + 2 < raw.size() && HexDigit(raw[i + 1]) >= 0 &&
                   HexDigit(raw[i + 2]) >= 0) {
            v.text.push_back(static_cast<char>(HexDigit(raw[i + 1]) * 16 + HexDigit(raw[i + 2])));
            i += 2;
        } else {
            return Value{};
        }
    }
    // Unterminated, or something after the closing quote: we cannot tell what was meant.
    if (i + 1 != raw.size()) return Value{};
    v.type = Value::Type::String;
    return v;
}

std::string EncodeInt(int value) {
    char buf[16];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec; // cannot fail: any int fits in 16 characters
    return std::string(buf, p);
}

std::string EncodeString(std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size() + 2);
    out.push_back('"');
    for (char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '\\' || ch == '"') {
            out.push_back('\\');
            out.push_back(ch);
        } else if (c < 0x20 || c > 0x7E) {
            out += "\\x";
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        } else {
            out.push_back(ch);
        }
    }
    out.push_back('"');
    return out;
}

// ---- lines ----

enum class LineKind : std::uint8_t {
    Comment,   // blank or comment
    Garbage,   // nothing we understand; kept, never read
    Header,    // [Section] with a storable name
    BadHeader, // starts like a header but is not one; ends the section before it
    Entry,     // Key=value with a storable key; the value may still be unreadable
};

struct Line {
    std::string text; // exactly as in the file, without the newline
    LineKind kind = LineKind::Garbage;
    std::string name;         // lowercased section (Header) or key (Entry)
    std::size_t valuePos = 0; // Entry: where the value starts in text, after '=' and blanks
};

void Classify(Line& line, bool firstLine) {
    std::string_view t = line.text;
    // Editors on other systems like to put a byte order mark in front of the first header.
    if (firstLine && t.starts_with("\xEF\xBB\xBF")) t.remove_prefix(3);
    t = Trim(t);
    if (t.empty() || t.front() == ';' || t.front() == '#') {
        line.kind = LineKind::Comment;
        return;
    }
    if (t.front() == '[') {
        line.kind = LineKind::BadHeader;
        const std::size_t close = t.find(']');
        if (close == std::string_view::npos) return;
        const std::string_view rest = Trim(t.substr(close + 1));
        if (!rest.empty() && rest.front() != ';' && rest.front() != '#') return;
        const std::string_view name = Trim(t.substr(1, close - 1));
        if (!IsStorableName(name, false)) return;
        line.kind = LineKind::Header;
        line.name = Lowered(name);
        return;
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return;
    const std::string_view name = Trim(t.substr(0, eq));
    if (!IsStorableName(name, true)) return;
    std::string_view after = t.substr(eq + 1);
    while (!after.empty() && IsBlank(after.front()))
        after.remove_prefix(1);
    line.kind = LineKind::Entry;
    line.name = Lowered(name);
    line.valuePos = static_cast<std::size_t>(after.data() - line.text.data());
}

std::vector<Line> SplitLines(std::string_view data) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t end = data.find('\n', pos);
        if (end == std::string_view::npos) end = data.size();
        Line line;
        line.text.assign(data.substr(pos, end - pos));
        Classify(line, lines.empty());
        lines.push_back(std::move(line));
        pos = end + 1;
    }
    return lines;
}

std::string_view RawValue(const Line& line) {
    return Trim(std::string_view(line.text).substr(line.valuePos));
}

// ---- the read index ----

struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
        return std::hash<std::string_view>{}(s);
    }
};

// Keyed by "section\0key", both lowercased; neither name can contain NUL.
using Index = std::unordered_map<std::string, Value, NameHash, std::equal_to<>>;

Index BuildIndex(const std::vector<Line>& lines) {
    Index index;
    const std::string* section = nullptr;
    for (const Line& line : lines) {
        switch (line.kind) {
        case LineKind::Header:
            section = &line.name;
            break;
        case LineKind::BadHeader:
            // Keys under a broken header belong to no section we could name.
            section = nullptr;
            break;
        case LineKind::Entry:
            if (section) {
                std::string key = *section;
                key.push_back('\0');
                key += line.name;
                // The first occurrence wins, even across repeated sections.
                if (!index.contains(key)) index.emplace(std::move(key), ParseValue(RawValue(line)));
            }
            break;
        default:
            break;
        }
    }
    return index;
}

// Builds the index key for a lookup without touching the heap for ordinary names.
class LookupKey {
public:
    LookupKey(std::string_view section, std::string_view key) {
        const std::size_t size = section.size() + 1 + key.size();
        char* out = m_buf;
        if (size > sizeof m_buf) {
            m_heap.resize(size);
            out = m_heap.data();
        }
        char* p = out;
        for (char c : section)
            *p++ = LowerAscii(c);
        *p++ = '\0';
        for (char c : key)
            *p++ = LowerAscii(c);
        m_view = std::string_view(out, size);
    }
    LookupKey(const LookupKey&) = delete;
    LookupKey& operator=(const LookupKey&) = delete;
    std::string_view View() const { return m_view; }

private:
    char m_buf[192];
    std::string m_heap;
    std::string_view m_view;
};

// ---- files ----

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    void Reset() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }
    int Release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtim{};
    timespec ctim{};

    bool operator==(const Stamp& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtim.tv_sec == o.mtim.tv_sec &&
               mtim.tv_nsec == o.mtim.tv_nsec && ctim.tv_sec == o.ctim.tv_sec &&
               ctim.tv_nsec == o.ctim.tv_nsec;
    }
};

Stamp StampOf(const struct stat& st) {
    return Stamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

std::chrono::nanoseconds ToDuration(const timespec& ts) {
    return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

enum class LoadResult { Ok, Missing, Failed };

struct Loaded {
    std::string data;
    Stamp stamp;
    bool settled = false; // see kSettleTime
};

// O_NONBLOCK keeps a FIFO or device in the file's place from stalling us before fstat rejects it.
LoadResult LoadFile(const std::string& path, Loaded& out) {
    timespec started{};
    clock_gettime(CLOCK_REALTIME, &started);
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.Valid()) return errno == ENOENT ? LoadResult::Missing : LoadResult::Failed;
    struct stat before {};
    if (::fstat(fd.Get(), &before) != 0 || !S_ISREG(before.st_mode)) return LoadResult::Failed;
    if (before.st_size < 0 || static_cast<std::size_t>(before.st_size) > kMaxFileSize)
        return LoadResult::Failed;

    out.data.clear();
    out.data.reserve(static_cast<std::size_t>(before.st_size));
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return LoadResult::Failed;
        }
        if (out.data.size() + static_cast<std::size_t>(n) > kMaxFileSize) return LoadResult::Failed;
        out.data.append(buf, static_cast<std::size_t>(n));
    }

    struct stat after {};
    if (::fstat(fd.Get(), &after) != 0) return LoadResult::Failed;
    out.stamp = StampOf(before);
    out.settled = StampOf(after) == out.stamp &&
                  ToDuration(before.st_ctim) + kSettleTime < ToDuration(started);
    return LoadResult::Ok;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string DirName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates each missing directory down to dir; whether that worked is up to the caller's open().
void MakeDirs(const std::string& dir) {
    for (std::size_t slash = dir.find('/', 1); slash != std::string::npos;
         slash = dir.find('/', slash + 1))
        ::mkdir(dir.substr(0, slash).c_str(), 0700);
    ::mkdir(dir.c_str(), 0700);
}

// Polls rather than blocks so that a writer stuck while holding the lock cannot freeze the program.
bool LockExclusive(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + kLockTimeout;
    auto delay = std::chrono::microseconds(100);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return false;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(delay);
        delay = std::min(delay * 2, std::chrono::microseconds(10000));
    }
}

// Only called with the lock held: every writer removes its own temporary file before it lets go,
// so any that is still there belongs to a writer that died.
void RemoveStaleTemps(int dirFd, std::string_view prefix) {
    const int scanFd = ::dup(dirFd);
    if (scanFd < 0) return;
    DIR* dir = ::fdopendir(scanFd);
    if (!dir) {
        ::close(scanFd);
        return;
    }
    ::rewinddir(dir);
    std::vector<std::string> stale;
    while (const dirent* e = ::readdir(dir)) {
        if (std::string_view(e->d_name).starts_with(prefix)) stale.emplace_back(e->d_name);
    }
    ::closedir(dir);
    for (const std::string& name : stale)
        ::unlinkat(dirFd, name.c_str(), 0);
}

// Writes content beside target and renames it into place, so a reader or a crash sees either the
// old file or the new one, never a mixture.
bool ReplaceFile(const std::string& target, std::string_view content) {
    const std::string dir = DirName(target);
    // Built piecewise: GCC 12 at -O3 misreports "literal" + std::string as an overlapping copy.
    std::string tempPrefix = ".";
    tempPrefix += BaseName(target);
    tempPrefix += ".tmp";
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.Valid()) return false;
    RemoveStaleTemps(dirFd.Get(), tempPrefix);

    std::string temp = dir + "/" + tempPrefix + "XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.Valid()) return false;
    const bool written = ::fchmod(fd.Get(), 0600) == 0 && WriteAll(fd.Get(), content) &&
                         ::fsync(fd.Get()) == 0 && ::close(fd.Release()) == 0;
    if (!written || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // The new contents are already visible; a failure here only means they might not survive a
    // crash, which the caller still wants to hear about.
    return ::fsync(dirFd.Get()) == 0;
}

std::string Serialize(const std::vector<Line>& lines) {
    std::size_t size = 0;
    for (const Line& line : lines)
        size += line.text.size() + 1;
    std::string out;
    out.reserve(size);
    for (const Line& line : lines) {
        out += line.text;
        out.push_back('\n');
    }
    return out;
}

// Runs edit on the parsed store with the writers' lock held and saves the result if it reports a
// change. The lock is a separate file beside the store: the store itself is replaced by rename on
// every write so its inode cannot carry a lock, and a lock on a directory cannot be taken over NFS,
// where flock needs a file open for writing.
template <class Edit> bool ModifyStore(const std::string& path, Edit&& edit) {
    if (path.empty()) return false;
    const std::string dir = DirName(path);
    MakeDirs(dir);
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.Valid()) return false;
    std::string lockName = ".";
    lockName += BaseName(path);
    lockName += ".lock";
    Fd lockFd(
        ::openat(dirFd.Get(), lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lockFd.Valid() || !LockExclusive(lockFd.Get())) return false;

    // A store that is a link (a dotfile manager's, say) stays a link: the write goes to its target.
    std::string target = path;
    struct stat lst {};
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (!resolved) return false;
        target = resolved;
        std::free(resolved);
    }

    // Whatever we cannot read we must not overwrite, or its contents would be lost.
    Loaded current;
    if (LoadFile(target, current) == LoadResult::Failed) return false;
    std::vector<Line> lines = SplitLines(current.data);
    if (!edit(lines)) return true;
    return ReplaceFile(target, Serialize(lines));
}

// Changes the first occurrence of the key in any section of that name, else adds it at the end of
// the first such section (before its trailing comments, which usually introduce what follows),
// else adds the section at the end.
bool SetValue(std::vector<Line>& lines, std::string_view section, std::string_view key,
              const std::string& encoded) {
    const std::string sectionName = Lowered(section);
    const std::string keyName = Lowered(key);
    bool inMatch = false;
    bool inFirst = false;
    std::optional<std::size_t> insertAfter;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Line& line = lines[i];
        switch (line.kind) {
        case LineKind::Header:
            inMatch = line.name == sectionName;
            inFirst = inMatch && !insertAfter;
            if (inFirst) insertAfter = i;
            break;
        case LineKind::BadHeader:
            inMatch = inFirst = false;
            break;
        case LineKind::Entry:
            if (inMatch && line.name == keyName) {
                // Keep the spelling and spacing already there; a CRLF file keeps its CR.
                std::string text = line.text.substr(0, line.valuePos) + encoded;
                if (line.text.ends_with('\r')) text.push_back('\r');
                if (text == line.text) return false;
                line.text = std::move(text);
                return true;
            }
            if (inFirst) insertAfter = i;
            break;
        case LineKind::Garbage:
            if (inFirst) insertAfter = i;
            break;
        case LineKind::Comment:
            break;
        }
    }
    Line entry;
    entry.text = std::string(key) + "=" + encoded;
    entry.kind = LineKind::Entry;
    if (insertAfter) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insertAfter + 1),
                     std::move(entry));
        return true;
    }
    if (!lines.empty() && !Trim(lines.back().text).empty()) lines.push_back(Line{});
    Line header;
    header.text = "[" + std::string(section) + "]";
    header.kind = LineKind::Header;
    lines.push_back(std::move(header));
    lines.push_back(std::move(entry));
    return true;
}

// Removes every occurrence, so no later duplicate shows through once the first is gone.
bool RemoveKey(std::vector<Line>& lines, std::string_view section, std::string_view key) {
    const std::string sectionName = Lowered(section);
    const std::string keyName = Lowered(key);
    bool inMatch = false;
    std::vector<Line> kept;
    kept.reserve(lines.size());
    for (Line& line : lines) {
        if (line.kind == LineKind::Header) inMatch = line.name == sectionName;
        if (line.kind == LineKind::BadHeader) inMatch = false;
        if (inMatch && line.kind == LineKind::Entry && line.name == keyName) continue;
        kept.push_back(std::move(line));
    }
    const bool changed = kept.size() != lines.size();
    lines = std::move(kept);
    return changed;
}

// Removes each header of that name with everything under it up to its last entry or unknown line;
// comments and blank lines after that stay, as they usually belong to the next section.
bool RemoveSection(std::vector<Line>& lines, std::string_view section) {
    const std::string sectionName = Lowered(section);
    std::vector<bool> drop(lines.size(), false);
    bool changed = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != LineKind::Header || lines[i].name != sectionName) continue;
        std::size_t last = i;
        std::size_t j = i + 1;
        for (; j < lines.size(); ++j) {
            const LineKind kind = lines[j].kind;
            if (kind == LineKind::Header || kind == LineKind::BadHeader) break;
            if (kind != LineKind::Comment) last = j;
        }
        for (std::size_t k = i; k <= last; ++k)
            drop[k] = true;
        changed = true;
        i = j - 1;
    }
    if (!changed) return false;
    std::vector<Line> kept;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!drop[i]) kept.push_back(std::move(lines[i]));
    lines = std::move(kept);
    return true;
}

// ---- the process-wide cache ----

struct CacheEntry {
    Stamp stamp;
    bool settled = false;
    Index index;
};

std::mutex g_cacheMutex;

std::unordered_map<std::string, CacheEntry>& Cache() {
    // Never destroyed, so a read from a thread still running at exit finds it intact.
    static auto* cache = new std::unordered_map<std::string, CacheEntry>();
    return *cache;
}

// Calls use(const Value&) with the stored value if there is one; returns whether it did.
template <class Use>
bool WithValue(const std::string& path, std::string_view section, std::string_view key, Use&& use) {
    if (path.empty() || !IsStorableName(section, false) || !IsStorableName(key, true)) return false;
    const LookupKey lookup(section, key);
    const auto find = [&](const Index& index) {
        const auto it = index.find(lookup.View());
        if (it == index.end()) return false;
        use(it->second);
        return true;
    };

    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    {
        std::lock_guard lock(g_cacheMutex);
        auto& cache = Cache();
        const auto it = cache.find(path);
        if (it != cache.end() && it->second.settled && it->second.stamp == StampOf(st))
            return find(it->second.index);
    }

    // Read and parse without holding the lock, so other threads keep reading meanwhile.
    Loaded loaded;
    if (LoadFile(path, loaded) != LoadResult::Ok) {
        std::lock_guard lock(g_cacheMutex);
        Cache().erase(path);
        return false;
    }
    Index index = BuildIndex(SplitLines(loaded.data));
    std::lock_guard lock(g_cacheMutex);
    auto& cache = Cache();
    if (cache.size() >= kMaxCachedFiles && !cache.contains(path)) cache.clear();
    CacheEntry& entry = cache[path];
    entry.stamp = loaded.stamp;
    entry.settled = loaded.settled;
    entry.index = std::move(index);
    return find(entry.index);
}

std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    std::string home;
    if (const char* env = std::getenv("HOME"); env && env[0] == '/') {
        home = env;
    } else {
        passwd pw{};
        passwd* found = nullptr;
        std::vector<char> buf(16384);
        if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found &&
            found->pw_dir && found->pw_dir[0] == '/')
            home = found->pw_dir;
    }
    if (home.empty()) return {};
    return home + "/.config";
}

} // namespace

SettingsStore::SettingsStore() {
    try {
        std::string root = ConfigHome();
        while (root.size() > 1 && root.back() == '/')
            root.pop_back();
        if (!root.empty()) {
            if (root != "/") root.push_back('/');
            m_path = root + std::string(kVendorDir) + "/" + std::string(kFileName);
        }
    } catch (...) {
        // Without a path every read yields its default and every write fails.
        m_path.clear();
    }
}

int SettingsStore::GetInt(std::string_view section, std::string_view key, int def) const {
    try {
        int result = def;
        WithValue(m_path, section, key, [&](const Value& v) {
            if (v.type == Value::Type::Int) result = v.number;
        });
        return result;
    } catch (...) {
        return def;
    }
}

std::string SettingsStore::GetString(std::string_view section, std::string_view key,
                                     std::string_view def) const {
    try {
        std::string result;
        bool found = false;
        WithValue(m_path, section, key, [&](const Value& v) {
            if (v.type != Value::Type::String) return;
            result = v.text;
            found = true;
        });
        if (!found) result.assign(def);
        return result;
    } catch (...) {}
    try {
        return std::string(def);
    } catch (...) {
        return std::string();
    }
}

bool SettingsStore::WriteInt(std::string_view section, std::string_view key, int value) {
    try {
        if (!IsStorableName(section, false) || !IsStorableName(key, true)) return false;
        const std::string encoded = EncodeInt(value);
        return ModifyStore(m_path, [&](std::vector<Line>& lines) {
            return SetValue(lines, section, key, encoded);
        });
    } catch (...) {
        return false;
    }
}

bool SettingsStore::WriteString(std::string_view section, std::string_view key,
                                std::string_view value) {
    try {
        if (!IsStorableName(section, false) || !IsStorableName(key, true)) return false;
        const std::string encoded = EncodeString(value);
        return ModifyStore(m_path, [&](std::vector<Line>& lines) {
            return SetValue(lines, section, key, encoded);
        });
    } catch (...) {
        return false;
    }
}

bool SettingsStore::DeleteKey(std::string_view section, std::string_view key) {
    try {
        if (!IsStorableName(section, false) || !IsStorableName(key, true)) return false;
        // Nothing to delete from a store that does not exist, and no reason to create its folder.
        struct stat st {};
        if (!m_path.empty() && ::lstat(m_path.c_str(), &st) != 0 && errno == ENOENT) return true;
        return ModifyStore(
            m_path, [&](std::vector<Line>& lines) { return RemoveKey(lines, section, key); });
    } catch (...) {
        return false;
    }
}

bool SettingsStore::DeleteSection(std::string_view section) {
    try {
        if (!IsStorableName(section, false)) return false;
        struct stat st {};
        if (!m_path.empty() && ::lstat(m_path.c_str(), &st) != 0 && errno == ENOENT) return true;
        return ModifyStore(m_path,
                           [&](std::vector<Line>& lines) { return RemoveSection(lines, section); });
    } catch (...) {
        return false;
    }
}
