// The Options dialog's choices for new QR Code and Data Matrix symbols.
#include "common/settings_keys.h"
#include "engine/barcode.h"
#include "shell/options_dialog.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/dialog_script.h"
#include "tests/support/settings_fixture.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

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

// The screen-resolution choice keeps its caption and says beside it what images really get:
// the resolution chosen from the screen's for the X dimension on the slider.
TEST_F(SymbologyPresetTest, TheScreenResolutionSaysTheResolutionImagesGet) {
    COptionsDialog d;
    EXPECT_EQ(d.ResolutionGroup()->button(0)->text(), "Screen Resolution(72dpi)");
    const QLabel* note = d.ScreenResolutionNote();
    ASSERT_NE(note, nullptr);
    // The offscreen screen has 96 dpi: a 10 mil module is 2 dots at twice that.
    EXPECT_EQ(note->text().toStdString(), "images at 192 dpi (2 × the screen's 96 dpi)");
    d.DensitySlider()->setValue(20);
    EXPECT_EQ(note->text().toStdString(), "images at 96 dpi (the screen's)");
    d.DensitySlider()->setValue(7);
    EXPECT_EQ(note->text().toStdString(), "images at 288 dpi (3 × the screen's 96 dpi)");
}
