#include "common/install_layout.h"

#include <gtest/gtest.h>

#include <string>

// QM_INSTALL_* are the install rules' own folders under the prefix; the program finds its data
// by a relative way of its own, which must lead to the same place.
TEST(InstallLayout, AnInstalledProgramFindsItsDataUnderItsPrefixABuildFolderBesideItself) {
    const std::string program = QM_INSTALL_PROGRAM_DIR;
    const struct {
        std::string programDir;
        bool installed;
        std::string dataDir, docDir;
    } cases[] = {
        {"/usr/" + program, true, "/usr/" QM_INSTALL_DATA_DIR, "/usr/" QM_INSTALL_DOC_DIR},
        {"/opt/q m/" + program + "/", true, "/opt/q m/" QM_INSTALL_DATA_DIR,
         "/opt/q m/" QM_INSTALL_DOC_DIR},
        {"/usr/./" + program, true, "/usr/" QM_INSTALL_DATA_DIR, "/usr/" QM_INSTALL_DOC_DIR},
        // Only the whole folder names count.
        {"/usr/x" + program, false, "/usr/x" + program, "/usr/x" + program},
        {"/usr/" + program + "-old", false, "/usr/" + program + "-old", "/usr/" + program + "-old"},
        {"/home/u/quillmark/build/bin", false, "/home/u/quillmark/build/bin",
         "/home/u/quillmark/build/bin"},
        {"/", false, "/", "/"},
    };
    for (const auto& c : cases) {
        const CInstallLayout layout = InstallLayoutFor(c.programDir);
        EXPECT_EQ(layout.installed, c.installed) << c.programDir;
        EXPECT_EQ(layout.dataDir, c.dataDir) << c.programDir;
        EXPECT_EQ(layout.docDir, c.docDir) << c.programDir;
    }
}
