#pragma once
// The one table of the file formats the export writes: each row gives the extensions a format
// is written under, what kind of file it is, which code writes its bytes, how the export
// dialog offers it and whether the command line writes it without Qt. Adding a format means
// adding its row (render/export_formats.cpp) and its writer.

#include "render/image_encoders.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

enum class ExportKind { Raster, Vector, Document };

// What writes a format's bytes: a raster image through its encoder (image_encoders.h), a vector
// writer (render/vector_writers.h, render/emf_writer.h), the document's own storage, or a label
// printer's page language (job/zpl_job.h: each label a page at the printer's dots).
enum class ExportWriter { Image, Metafile, Svg, Pdf, Eps, Store, Zpl };

struct ExportFormat {
    // In lower case: the first is the format's own, the second (if any) another name the same
    // bytes are written under. Both are listed and offered by the dialog.
    std::array<std::string_view, 2> extensions;
    std::string_view alias; // a long spelling read as the first extension ("jpeg"); not listed
    ExportKind kind;
    ExportWriter writer;
    ImageFileType image; // the encoder of an Image row
    // The export dialog's name for the format, its patterns added from the extensions; the
    // window shows it translated (ui/translation.cpp lists it). Null: not offered there.
    const char* filter;
    bool withoutQt; // the command line writes it itself instead of starting the window program
};

// In the order of the export dialog's filters, the first its default.
std::span<const ExportFormat> ExportFormats();

// The format `path` is written in by its extension, letter case ignored; null when there is none.
const ExportFormat* FindExportFormat(std::string_view path);

// The extensions as the command line lists them: vector pictures, raster images, the document.
std::span<const std::string_view> ListedExportExtensions();

// The extension of `path` in lower case, an alias ("jpeg", "tiff") as its format's own.
std::string ExportExtension(std::string_view path);
// Whether the program writes the extension at all.
bool IsKnownExportExtension(std::string_view path);
// Whether `path` names a vector picture.
bool IsVectorExtension(std::string_view path);
