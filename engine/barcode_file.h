#pragma once
// A ".qmx" document's bytes: one barcode object with its class header, in the object archive.

#include "engine/barcode.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// The file's bytes for `barcode`; a document without a barcode stores the null object.
std::vector<std::uint8_t> StoreBarcode(const CBarcode* barcode);
// The barcode a file's bytes hold; throws CArchiveException when they hold none.
std::unique_ptr<CBarcode> LoadBarcode(std::span<const std::uint8_t> bytes);
