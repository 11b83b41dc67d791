// Cost of the settings store: the cached read the engine does on every drawing, and one write.

#include "common/settings_store.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

// Points XDG_CONFIG_HOME at a fresh folder for one benchmark, then puts everything back.
class PrivateSettings {
public:
    PrivateSettings() {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "qmbench-settings-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        m_dir = tmpl;
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) m_saved = old;
        setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
    }
    ~PrivateSettings() {
        if (m_saved)
            setenv("XDG_CONFIG_HOME", m_saved->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    PrivateSettings(const PrivateSettings&) = delete;
    PrivateSettings& operator=(const PrivateSettings&) = delete;

private:
    std::string m_dir;
    std::optional<std::string> m_saved;
};

// About thirty values in three sections, the size of a well-used store.
bool FillTypicalStore(SettingsStore& store) {
    bool ok = store.WriteInt("Options", "Density", 12) && store.WriteInt("Options", "Ratio", 28) &&
              store.WriteString("Options", "Font Name", "Courier New");
    for (int i = 0; i < 9; ++i) {
        const std::string n = std::to_string(i);
        ok = ok && store.WriteInt("Options", "Flag" + n, i) &&
             store.WriteString("Window", "Place" + n, "10,20,640,480") &&
             store.WriteInt("Printer", "Margin" + n, 100 + i);
    }
    // Reads trust a parse only once the file has been quiet for a moment; a repaint loop sees a
    // store that has not changed for far longer than this.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return ok;
}

void BM_SettingsGetIntUnchanged(benchmark::State& state) {
    PrivateSettings home;
    SettingsStore store;
    if (!FillTypicalStore(store) || store.GetInt("Options", "Density", 10) != 12) {
        state.SkipWithError("could not set up the store");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(store.GetInt("Options", "Density", 10));
}
BENCHMARK(BM_SettingsGetIntUnchanged);

void BM_SettingsGetString(benchmark::State& state) {
    PrivateSettings home;
    SettingsStore store;
    if (!FillTypicalStore(store) || store.GetString("Options", "Font Name", "") != "Courier New") {
        state.SkipWithError("could not set up the store");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(store.GetString("Options", "Font Name", ""));
}
BENCHMARK(BM_SettingsGetString);

void BM_SettingsWriteInt(benchmark::State& state) {
    PrivateSettings home;
    SettingsStore store;
    if (!FillTypicalStore(store)) {
        state.SkipWithError("could not set up the store");
        return;
    }
    // A new value each time: writing the value already stored leaves the file alone.
    int value = 0;
    for (auto _ : state) {
        if (!store.WriteInt("Options", "Density", ++value)) {
            state.SkipWithError("write failed");
            break;
        }
    }
}
BENCHMARK(BM_SettingsWriteInt);

} // namespace
