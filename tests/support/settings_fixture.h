#pragma once
// A test fixture with its own settings store, plus helpers to set the drawing parameters.

#include "common/settings_store.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

class SettingsTest : public ::testing::Test {
protected:
    void SetDensityRatio(int density, int ratio) {
        SettingsStore s;
        ASSERT_TRUE(s.WriteInt("Options", "Density", density));
        ASSERT_TRUE(s.WriteInt("Options", "Ratio", ratio));
    }
    TempEnv env;
};
