// The Options dialog's choices for new QR Code and Data Matrix symbols.
#include "common/settings_keys.h"
#include "engine/barcode.h"
#include "shell/options_dialog.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/dialog_script.h"
#include "tests/support/settings_fixture.h"

#include <QComboBox>

#include <gtest/gtest.h>

class SymbologyPresetTest : public SettingsTest {
protected:
    DialogScript dialogs;
};

// Each list shows the stored choice (one out of range at the nearest end), OK stores it and new
// symbols take it, Default brings the factory choice back, Cancel stores nothing.
TEST_F(SymbologyPresetTest, ListsShowStoreAndResetTheChoiceOfNewSymbols) {
    const struct {
        const IntSetting& setting;
        const char* className;
        int count;
        const char* chosen;
        int value;
    } cases[] = {{settings::kQrErrorCorrection, "CQRBarcode", 4, "Q 25%", 2},
                 {settings::kDataMatrixShape, "CDataMatrixBarcode", 3, "Any, DMRE included", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className);
        ASSERT_TRUE(settings::Set(c.setting, 99));
        {
            COptionsDialog d;
            QComboBox* list = d.PresetList(c.setting);
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->count(), c.count);
            EXPECT_EQ(list->currentIndex(), c.count - 1);
            list->setCurrentIndex(list->findText(c.chosen));
            d.reject();
        }
        EXPECT_EQ(CreateBarcode(c.className)->GetOptionValue(), c.count - 1);
        {
            COptionsDialog d;
            d.PresetList(c.setting)->setCurrentIndex(d.PresetList(c.setting)->findText(c.chosen));
            d.accept();
        }
        EXPECT_EQ(settings::Get(c.setting), c.value);
        EXPECT_EQ(CreateBarcode(c.className)->GetOptionValue(), c.value);
        {
            COptionsDialog d;
            EXPECT_EQ(d.PresetList(c.setting)->currentText(), c.chosen);
            d.OnDefault();
            d.accept();
        }
        EXPECT_EQ(settings::Get(c.setting), c.setting.def);
    }
    EXPECT_EQ(COptionsDialog().PresetList(settings::kDensity), nullptr);
}
