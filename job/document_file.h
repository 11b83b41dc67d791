#pragma once
// Reading a ".qmx" document file, with the program's messages for what can go wrong. No Qt: the
// command line reads documents without loading it, and the window words its messages the same.

#include "common/message.h"
#include "engine/barcode.h"
#include "job/label_design.h"

#include <cstddef>
#include <memory>
#include <string>

// Documents are a few hundred bytes; anything larger than this is refused before it is read.
inline constexpr std::size_t kMaxDocumentBytes = 4u << 20;

struct CDocumentFile {
    enum class Result {
        Ok,           // read (an empty file holds no barcode)
        NotOpened,    // the file could not be opened or is too large
        FailedToLoad, // the file holds no document
    };
    Result result = Result::Ok;
    std::unique_ptr<CBarcode> barcode; // null for an empty file
    CLabelDesign design;               // the lines of the label beside the symbol
    CMessage message;                  // for the two failures
};

// Reads the file at `nativePath` (the system's bytes); `shownPath` (UTF-8) is how messages name
// it.
CDocumentFile ReadDocumentFile(const std::string& nativePath, const std::string& shownPath);
