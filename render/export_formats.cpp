#include "render/export_formats.h"

#include <cctype>
#include <initializer_list>

namespace {

using enum ExportKind;
using enum ExportWriter;

// clang-format off
constexpr std::array<ExportFormat, 12> kFormats = {{
    // extensions     alias   kind      writer    image                dialog's filter      no Qt
    {{"wmf", "emf"},  "",     Vector,   Metafile, {},                  "Windows MetaFile",  true},
    {{"bmp", ""},     "",     Raster,   Image,    ImageFileType::Bmp,  "Bitmap Files",      true},
    {{"gif", ""},     "",     Raster,   Image,    ImageFileType::Gif,  "GIF Files",         true},
    {{"tif", ""},     "tiff", Raster,   Image,    ImageFileType::Tiff, "TIFF files",        true},
    {{"png", ""},     "",     Raster,   Image,    ImageFileType::Png,  "PNG Files",         true},
    {{"pcx", ""},     "",     Raster,   Image,    ImageFileType::Pcx,  "PCX files",         true},
    {{"jpg", ""},     "jpeg", Raster,   Image,    ImageFileType::Jpeg, "JPEG Files",        true},
    {{"svg", ""},     "",     Vector,   Svg,      {},                  "SVG Pictures",      true},
    {{"eps", ""},     "",     Vector,   Eps,      {},                  "EPS Pictures",      true},
    {{"pdf", ""},     "",     Vector,   Pdf,      {},                  "PDF Documents",     true},
    {{"qmx", ""},     "",     Document, Store,    {},                  nullptr,             true},
    {{"zpl", ""},     "",     Raster,   Zpl,      {},                  "ZPL Label Printer Files", true},
}};
// clang-format on

constexpr bool IsLowerName(std::string_view s) {
    for (char c : s)
        if (!(c >= 'a' && c <= 'z') && !(c >= '0' && c <= '9')) return false;
    return true;
}

// Every row's writer makes its kind of file; every name is lower case, and no name belongs to two
// rows, so a file name finds one format.
constexpr bool TableIsConsistent() {
    std::array<std::string_view, 3 * kFormats.size()> names{};
    std::size_t count = 0;
    for (const ExportFormat& f : kFormats) {
        const ExportKind kind = f.writer == Image || f.writer == Zpl ? Raster
                                : f.writer == Store                  ? Document
                                                                     : Vector;
        if (f.kind != kind || f.extensions[0].empty()) return false;
        for (std::string_view name : {f.extensions[0], f.extensions[1], f.alias}) {
            if (name.empty()) continue;
            if (!IsLowerName(name)) return false;
            for (std::size_t i = 0; i < count; ++i)
                if (names[i] == name) return false;
            names[count++] = name;
        }
    }
    return true;
}
static_assert(TableIsConsistent());

constexpr std::size_t CountExtensions() {
    std::size_t n = 0;
    for (const ExportFormat& f : kFormats)
        for (std::string_view e : f.extensions)
            n += e.empty() ? 0 : 1;
    return n;
}

constexpr auto kListed = [] {
    std::array<std::string_view, CountExtensions()> list{};
    std::size_t i = 0;
    for (ExportKind kind : {Vector, Raster, Document})
        for (const ExportFormat& f : kFormats)
            for (std::string_view e : f.extensions)
                if (f.kind == kind && !e.empty()) list[i++] = e;
    return list;
}();

std::string LowerExtension(std::string_view path) {
    std::string ext = FileExtension(path);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

const ExportFormat* FindLowerExtension(std::string_view ext) {
    if (ext.empty()) return nullptr;
    for (const ExportFormat& f : kFormats)
        if (ext == f.extensions[0] || ext == f.extensions[1] || ext == f.alias) return &f;
    return nullptr;
}

} // namespace

std::span<const ExportFormat> ExportFormats() {
    return kFormats;
}

const ExportFormat* FindExportFormat(std::string_view path) {
    return FindLowerExtension(LowerExtension(path));
}

std::span<const std::string_view> ListedExportExtensions() {
    return kListed;
}

std::string ExportExtension(std::string_view path) {
    std::string ext = LowerExtension(path);
    if (const ExportFormat* f = FindLowerExtension(ext); f && ext == f->alias)
        return std::string(f->extensions[0]);
    return ext;
}

bool IsKnownExportExtension(std::string_view path) {
    return FindExportFormat(path) != nullptr;
}

bool IsVectorExtension(std::string_view path) {
    const ExportFormat* f = FindExportFormat(path);
    return f && f->kind == ExportKind::Vector;
}
