#pragma once
// What a document's label holds beside its symbol: up to eight lines of text, each with its
// fields, font, alignment and place, and where a run takes the symbol's data from. A document
// without lines and without a data template has no design and is written as it always was: one
// archived barcode. A document with a design is written as a design object that holds the
// barcode, which a reader that knows only barcodes refuses rather than losing the lines.

#include "common/archive.h"
#include "common/object.h"
#include "engine/barcode.h"
#include "job/label_fields.h"
#include "render/label_drawing.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct CDesignLine {
    std::string text = "{data}"; // UTF-8, with fields (job/label_fields.h)
    std::string face = "Liberation Sans";
    std::int32_t points = 10; // font size
    bool bold = false;
    bool italic = false;
    LineAlign align = LineAlign::Centre;
    LinePlace place = LinePlace::Above;
    friend bool operator==(const CDesignLine&, const CDesignLine&) = default;
};

struct CLabelDesign {
    static constexpr std::size_t kMaxLines = 8;
    static constexpr std::int32_t kMinPoints = 1;
    static constexpr std::int32_t kMaxPoints = 500;
    // The version of the design's record in files; a file of a later version is refused.
    static constexpr std::int32_t kFileVersion = 1;

    std::vector<CDesignLine> lines;
    // In a run, each label's data is this with its fields; empty: the run's own data (its data
    // column, or the number).
    std::string dataTemplate;

    bool Empty() const { return lines.empty() && dataTemplate.empty(); }
    friend bool operator==(const CLabelDesign&, const CLabelDesign&) = default;
};

// A document's bytes: the barcode alone when the design is empty (exactly as files always
// were), else the design record holding it.
std::vector<std::uint8_t> StoreDocument(const CBarcode* barcode, const CLabelDesign& design);

struct CLoadedDocument {
    std::unique_ptr<CBarcode> barcode;
    CLabelDesign design;
};
// The barcode and design a file's bytes hold; throws CArchiveException when they hold no
// document (a truncated design, more than kMaxLines lines, an unknown place or alignment, a
// later version).
CLoadedDocument LoadDocument(std::span<const std::uint8_t> bytes);

// The design's lines with the label's fields filled in; the fields that name no column of the
// label's row are added to `unknown`.
std::vector<CLabelLine> FilledLines(const CLabelDesign& design, const CFieldValues& values,
                                    std::vector<std::string>* unknown = nullptr);

// Whether `cls` is a class a document file starts with: a barcode or the design record.
bool IsDocumentClass(const CRuntimeClass* cls);
