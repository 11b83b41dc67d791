// The table of export formats: a file name finds its format by its extension in any letter case,
// long spellings included; names the program does not write find none; the command line's list
// holds every extension once, vector pictures first and the document last.
#include "render/export_formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

TEST(ExportFormats, AFileNameFindsItsFormatByItsExtension) {
    struct Case {
        const char* path;
        const char* extension; // ExportExtension
        const char* format;    // the first extension of the format found, or null for none
        ExportKind kind;
    };
    const Case cases[] = {
        {"label.png", "png", "png", ExportKind::Raster},
        {"LABEL.JPEG", "jpg", "jpg", ExportKind::Raster}, // the long spelling as the short one
        {"a.Tiff", "tif", "tif", ExportKind::Raster},
        {"a.jpg", "jpg", "jpg", ExportKind::Raster},
        {"a.emf", "emf", "wmf", ExportKind::Vector}, // the metafile under its second name
        {"a.WMF", "wmf", "wmf", ExportKind::Vector},
        {"out/a.tar.svg", "svg", "svg", ExportKind::Vector},
        {"a.PDF", "pdf", "pdf", ExportKind::Vector},
        {"copy.Qmx", "qmx", "qmx", ExportKind::Document},
        {"a.Eps", "eps", "eps", ExportKind::Vector},
        {"a.ps", "ps", nullptr, {}},
        {"a.jpe", "jpe", nullptr, {}},
        {"noextension", "", nullptr, {}},
        {"a.", "", nullptr, {}},
        {"/some.png/name", "", nullptr, {}}, // the dot is in the folder, not the name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ExportExtension(c.path), c.extension);
        const ExportFormat* format = FindExportFormat(c.path);
        EXPECT_EQ(IsKnownExportExtension(c.path), c.format != nullptr);
        if (!c.format) {
            EXPECT_EQ(format, nullptr);
            EXPECT_FALSE(IsVectorExtension(c.path));
            continue;
        }
        ASSERT_NE(format, nullptr);
        EXPECT_EQ(format->extensions[0], c.format);
        EXPECT_EQ(format->kind, c.kind);
        EXPECT_EQ(IsVectorExtension(c.path), c.kind == ExportKind::Vector);
    }
}

TEST(ExportFormats, TheCommandLineListsEveryExtensionOnceByKind) {
    const auto listed = ListedExportExtensions();
    std::size_t extensions = 0;
    for (const ExportFormat& format : ExportFormats())
        for (std::string_view extension : format.extensions) {
            if (extension.empty()) continue;
            ++extensions;
            EXPECT_EQ(std::count(listed.begin(), listed.end(), extension), 1) << extension;
        }
    EXPECT_EQ(listed.size(), extensions);
    // Vector pictures, then raster images, then the document.
    const auto rank = [](std::string_view extension) {
        const ExportKind kind = FindExportFormat("a." + std::string(extension))->kind;
        return kind == ExportKind::Vector ? 0 : kind == ExportKind::Raster ? 1 : 2;
    };
    EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end(),
                               [&](auto a, auto b) { return rank(a) < rank(b); }));
}
