#include "engine/barcode_file.h"

std::vector<std::uint8_t> StoreBarcode(const CBarcode* barcode) {
    std::vector<std::uint8_t> bytes;
    if (!barcode) return {0x00, 0x00};
    CArchive ar(bytes);
    ar.WriteObject(*barcode);
    return bytes;
}

std::unique_ptr<CBarcode> LoadBarcode(std::span<const std::uint8_t> bytes) {
    CArchive ar(bytes);
    return OwnedAs<CBarcode>(ar.ReadObject(RUNTIME_CLASS(CBarcode)));
}
