#pragma once
// The per-user settings store: named sections of 32-bit integers and strings in one text file.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

// Lives in $XDG_CONFIG_HOME/Halvern/Quillmark.conf (default ~/.config). Section and key names
// are matched without regard to case; the spelling first written is kept. Every call reads the
// store afresh, but a read re-parses the file only when it changed (size, time, inode), so the
// engine can read "Density" and "Ratio" on every drawing (or when it changed too recently for
// the file's times to tell). Reads never fail: anything that cannot
// be read yields the caller's default. Writes lock the store, re-read it, change one value and
// replace the file through a temporary file, so concurrent writers lose nothing and a killed
// writer leaves the previous file whole.
class SettingsStore {
public:
    SettingsStore(); // the per-user root

    int GetInt(std::string_view section, std::string_view key, int def) const;
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view def) const;
    bool WriteInt(std::string_view section, std::string_view key, int value);
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);

    // Remove the key, or the whole section, from every section of that name.
    bool DeleteKey(std::string_view section, std::string_view key);
    bool DeleteSection(std::string_view section);

    // From now on the process reads each store as its first read found it, without looking
    // at the file again (its own writes still read back): for a command-line batch, whose
    // every symbol is drawn with the same settings and should not ask the disk each time.
    static void KeepFirstRead();

    // Called each time a write (or a batch's rewrite) does not reach the file, with the file and
    // errno's cause (ENOSPC on a full disk), on the thread that wrote; the window tells the user.
    // None until one is set.
    using WriteFailureHandler = std::function<void(const std::string& path, std::error_code)>;
    static void SetWriteFailureHandler(WriteFailureHandler handler);

    // The file behind the store, for start-up's unregister and for tests; empty when there is
    // no home folder, in which case reads give their defaults and writes fail.
    const std::string& FilePath() const { return m_path; }

private:
    std::string m_path;
};

// Gathers the writes and deletions this thread makes to any store while it lives and makes them
// in one locked rewrite of each file (Commit, or when it ends uncommitted): a dialog storing
// thirty values locks and rewrites the store once, not thirty times. Until then the thread's own
// reads see the gathered values; other processes see all of them or none. Inside another batch
// it gathers into that one.
class SettingsWriteBatch {
public:
    SettingsWriteBatch();
    ~SettingsWriteBatch();
    SettingsWriteBatch(const SettingsWriteBatch&) = delete;
    SettingsWriteBatch& operator=(const SettingsWriteBatch&) = delete;

    // Writes what was gathered; false when a file could not be written (none of its values
    // is). An inner batch leaves it to the outermost and says true.
    bool Commit();

    struct Pending;

private:
    std::unique_ptr<Pending> m_pending; // null for a batch inside another
};
