#include "common/settings_keys.h"

#include "common/settings_store.h"

#include <algorithm>

namespace settings {

std::string RecentFileKey(int number) {
    return "File" + std::to_string(number);
}

int Get(const IntSetting& setting) {
    return std::clamp(SettingsStore().GetInt(setting.section, setting.key, setting.def),
                      setting.min, setting.max);
}

std::string Get(const StringSetting& setting) {
    return SettingsStore().GetString(setting.section, setting.key, setting.def);
}

bool Set(const IntSetting& setting, int value) {
    return SettingsStore().WriteInt(setting.section, setting.key, value);
}

bool Set(const StringSetting& setting, std::string_view value) {
    return SettingsStore().WriteString(setting.section, setting.key, value);
}

} // namespace settings
