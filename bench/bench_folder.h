#pragma once
// A folder of a benchmark program's own on the offscreen platform: its files, its settings store
// and those of the programs it starts, removed when the program ends.

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

class BenchFolder {
public:
    explicit BenchFolder(const char* name) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        m_path =
            (std::filesystem::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
        if (!mkdtemp(m_path.data())) std::exit(1);
        setenv("XDG_CONFIG_HOME", m_path.c_str(), 1);
        setenv("XDG_DATA_HOME", m_path.c_str(), 1);
    }
    ~BenchFolder() { std::filesystem::remove_all(m_path); }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};
