#pragma once
// Gives a test its own $XDG_CONFIG_HOME, $XDG_DATA_HOME and $XDG_CACHE_HOME so no test touches
// the real home.

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <unistd.h>

class TempEnv {
public:
    TempEnv() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "qmtest-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        m_root = tmpl;
        Save("XDG_CONFIG_HOME", m_savedConfig);
        Save("XDG_DATA_HOME", m_savedData);
        Save("XDG_CACHE_HOME", m_savedCache);
        setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
        setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
        setenv("XDG_CACHE_HOME", CacheHome().c_str(), 1);
    }
    ~TempEnv() {
        Restore("XDG_CONFIG_HOME", m_savedConfig);
        Restore("XDG_DATA_HOME", m_savedData);
        Restore("XDG_CACHE_HOME", m_savedCache);
        std::error_code ec;
        // Tests may leave read-only files or directories behind; make them removable first.
        for (auto it = std::filesystem::recursive_directory_iterator(m_root, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_root, ec);
    }
    TempEnv(const TempEnv&) = delete;
    TempEnv& operator=(const TempEnv&) = delete;

    std::filesystem::path Root() const { return m_root; }
    std::filesystem::path ConfigHome() const { return m_root / "config"; }
    std::filesystem::path DataHome() const { return m_root / "data"; }
    std::filesystem::path CacheHome() const { return m_root / "cache"; }
    std::filesystem::path SettingsFile() const {
        return ConfigHome() / "Halvern" / "Quillmark.conf";
    }

private:
    static void Save(const char* name, std::optional<std::string>& slot) {
        if (const char* v = std::getenv(name)) slot = v;
    }
    static void Restore(const char* name, const std::optional<std::string>& slot) {
        if (slot)
            setenv(name, slot->c_str(), 1);
        else
            unsetenv(name);
    }

    std::filesystem::path m_root;
    std::optional<std::string> m_savedConfig;
    std::optional<std::string> m_savedData;
    std::optional<std::string> m_savedCache;
};
