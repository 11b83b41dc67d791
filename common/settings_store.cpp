#include "common/settings_store.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/settings_file.h"
#include "common/settings_lines.h"

using namespace settings;

namespace {

constexpr std::string_view kVendorDir = "Halvern";
constexpr std::string_view kFileName = "Quillmark.conf";

// Each test and each user of a different $XDG_CONFIG_HOME adds an entry; a real process has one.
constexpr std::size_t kMaxCachedFiles = 32;

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

void Forget(const std::string& path);

std::mutex g_failureMutex;
SettingsStore::WriteFailureHandler& FailureHandler() {
    // Never destroyed, so a write from a thread still running at exit finds it intact.
    static auto* handler = new SettingsStore::WriteFailureHandler();
    return *handler;
}

void ReportWriteFailure(const std::string& path, std::error_code cause) {
    SettingsStore::WriteFailureHandler handler;
    {
        std::lock_guard lock(g_failureMutex);
        handler = FailureHandler();
    }
    if (handler) handler(path, cause);
}

// Runs the edit on the store's lines under the writers' lock and saves them if it changed any.
bool EditStore(const std::string& path, const std::function<bool(std::vector<Line>&)>& edit) {
    const std::error_code ec =
        ModifyFile(path, [&](std::string_view text) -> std::optional<std::string> {
            std::vector<Line> lines = SplitLines(text);
            if (!edit(lines)) return std::nullopt;
            return Serialize(lines);
        });
    Forget(path);
    if (ec) ReportWriteFailure(path, ec);
    return !ec;
}

// ---- the process-wide cache ----

struct CacheEntry {
    Stamp stamp;
    bool settled = false;
    bool missing = false; // kept: there was no store
    Index index;
};

std::mutex g_cacheMutex;
bool g_keepFirstRead = false; // under g_cacheMutex

std::unordered_map<std::string, CacheEntry>& Cache() {
    // Never destroyed, so a read from a thread still running at exit finds it intact.
    static auto* cache = new std::unordered_map<std::string, CacheEntry>();
    return *cache;
}

void Forget(const std::string& path) {
    std::lock_guard lock(g_cacheMutex);
    Cache().erase(path);
}

} // namespace

// ---- writes gathered by a batch ----

struct SettingsWriteBatch::Pending {
    enum class Kind { Set, RemoveKey, RemoveSection };
    struct Op {
        std::string path;
        Kind kind;
        std::string section, key, encoded;
    };
    std::vector<Op> ops;
};

namespace {

thread_local SettingsWriteBatch::Pending* t_batch = nullptr;

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && Lowered(a) == Lowered(b);
}

// Records an edit when a batch gathers them; false when none does.
bool Gather(const std::string& path, SettingsWriteBatch::Pending::Kind kind,
            std::string_view section, std::string_view key = {}, std::string encoded = {}) {
    if (!t_batch) return false;
    t_batch->ops.push_back(
        {path, kind, std::string(section), std::string(key), std::move(encoded)});
    return true;
}

// What the batch has gathered for the value: found (with the value) or removed; nothing when
// it holds no edit of it.
enum class Gathered { None, Found, Removed };
Gathered GatheredValue(const std::string& path, std::string_view section, std::string_view key,
                       Value& value) {
    if (!t_batch) return Gathered::None;
    using Kind = SettingsWriteBatch::Pending::Kind;
    for (auto it = t_batch->ops.rbegin(); it != t_batch->ops.rend(); ++it) {
        if (it->path != path || !SameName(it->section, section)) continue;
        if (it->kind == Kind::RemoveSection) return Gathered::Removed;
        if (!SameName(it->key, key)) continue;
        if (it->kind == Kind::RemoveKey) return Gathered::Removed;
        value = ParseValue(it->encoded);
        return Gathered::Found;
    }
    return Gathered::None;
}

// Calls use(const Value&) with the stored value if there is one; returns whether it did.
template <class Use>
bool WithValue(const std::string& path, std::string_view section, std::string_view key, Use&& use) {
    if (path.empty() || !IsStorableName(section, false) || !IsStorableName(key, true)) return false;
    if (Value gathered; t_batch) {
        const Gathered g = GatheredValue(path, section, key, gathered);
        if (g == Gathered::Found) use(gathered);
        if (g != Gathered::None) return g == Gathered::Found;
    }
    const LookupKey lookup(section, key);
    const auto find = [&](const Index& index) {
        const auto it = index.find(lookup.View());
        if (it == index.end()) return false;
        use(it->second);
        return true;
    };

    {
        std::lock_guard lock(g_cacheMutex);
        if (g_keepFirstRead)
            if (const auto it = Cache().find(path); it != Cache().end())
                return !it->second.missing && find(it->second.index);
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::lock_guard lock(g_cacheMutex);
        if (g_keepFirstRead) Cache()[path].missing = true;
        return false;
    }
    {
        std::lock_guard lock(g_cacheMutex);
        auto& cache = Cache();
        const auto it = cache.find(path);
        if (it != cache.end() && !it->second.missing && it->second.settled &&
            it->second.stamp == StampOf(st))
            return find(it->second.index);
    }

    // Read and parse without holding the lock, so other threads keep reading meanwhile.
    Loaded loaded;
    if (LoadFile(path, loaded) != LoadResult::Ok) {
        std::lock_guard lock(g_cacheMutex);
        Cache().erase(path);
        return false;
    }
    Index index = BuildIndex(SplitLines(loaded.Text()));
    std::lock_guard lock(g_cacheMutex);
    auto& cache = Cache();
    if (cache.size() >= kMaxCachedFiles && !cache.contains(path)) cache.clear();
    CacheEntry& entry = cache[path];
    entry.missing = false;
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

void SettingsStore::KeepFirstRead() {
    std::lock_guard lock(g_cacheMutex);
    g_keepFirstRead = true;
}

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
        if (Gather(m_path, SettingsWriteBatch::Pending::Kind::Set, section, key, encoded))
            return true;
        return EditStore(m_path, [&](std::vector<Line>& lines) {
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
        if (Gather(m_path, SettingsWriteBatch::Pending::Kind::Set, section, key, encoded))
            return true;
        return EditStore(m_path, [&](std::vector<Line>& lines) {
            return SetValue(lines, section, key, encoded);
        });
    } catch (...) {
        return false;
    }
}

bool SettingsStore::DeleteKey(std::string_view section, std::string_view key) {
    try {
        if (!IsStorableName(section, false) || !IsStorableName(key, true)) return false;
        if (Gather(m_path, SettingsWriteBatch::Pending::Kind::RemoveKey, section, key)) return true;
        // Nothing to delete from a store that does not exist, and no reason to create its folder.
        struct stat st {};
        if (!m_path.empty() && ::lstat(m_path.c_str(), &st) != 0 && errno == ENOENT) return true;
        return EditStore(m_path,
                         [&](std::vector<Line>& lines) { return RemoveKey(lines, section, key); });
    } catch (...) {
        return false;
    }
}

bool SettingsStore::DeleteSection(std::string_view section) {
    try {
        if (!IsStorableName(section, false)) return false;
        if (Gather(m_path, SettingsWriteBatch::Pending::Kind::RemoveSection, section)) return true;
        struct stat st {};
        if (!m_path.empty() && ::lstat(m_path.c_str(), &st) != 0 && errno == ENOENT) return true;
        return EditStore(m_path,
                         [&](std::vector<Line>& lines) { return RemoveSection(lines, section); });
    } catch (...) {
        return false;
    }
}

void SettingsStore::SetWriteFailureHandler(WriteFailureHandler handler) {
    std::lock_guard lock(g_failureMutex);
    FailureHandler() = std::move(handler);
}

SettingsWriteBatch::SettingsWriteBatch() {
    if (t_batch) return;
    m_pending = std::make_unique<Pending>();
    t_batch = m_pending.get();
}

SettingsWriteBatch::~SettingsWriteBatch() {
    Commit();
}

bool SettingsWriteBatch::Commit() {
    if (!m_pending) return true;
    t_batch = nullptr;
    std::vector<Pending::Op> ops = std::move(m_pending->ops);
    m_pending.reset();
    bool ok = true;
    // One rewrite per file, its edits in the order they were made.
    std::vector<std::string> paths;
    for (const Pending::Op& op : ops)
        if (std::find(paths.begin(), paths.end(), op.path) == paths.end()) paths.push_back(op.path);
    for (const std::string& path : paths) {
        try {
            ok = !path.empty() && EditStore(path, [&](std::vector<Line>& lines) {
                bool changed = false;
                for (const Pending::Op& op : ops) {
                    if (op.path != path) continue;
                    if (op.kind == Pending::Kind::Set)
                        changed = SetValue(lines, op.section, op.key, op.encoded) || changed;
                    else if (op.kind == Pending::Kind::RemoveKey)
                        changed = RemoveKey(lines, op.section, op.key) || changed;
                    else
                        changed = RemoveSection(lines, op.section) || changed;
                }
                return changed;
            }) && ok;
        } catch (...) {
            ok = false;
        }
    }
    return ok;
}
