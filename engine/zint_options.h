#pragma once
// The choices of the encoder's symbologies: their names, command-line keys and values, and how
// each value is asked of the encoder.

#include "engine/barcode.h"
#include "engine/zint_barcode.h"

#include <span>

// The option of that kind as the lists and the command line show it.
const CBarcode::COption& ZintOptionInfo(ZintOption which);
// The options a symbology of `kind` offers, in the order of ZintOption.
std::span<const CBarcode::COption> ZintOptionsOf(const ZintKind& kind);
// The kinds of those options, in the same order.
std::span<const ZintOption> ZintOptionKindsOf(const ZintKind& kind);

// Data Matrix's sizes as the encoder numbers them (1 to 48): rows and columns.
struct DataMatrixSize {
    int rows, cols;
};
DataMatrixSize DataMatrixSizeOf(int number);
