#pragma once
// Barcodes by class name and through the archive, as the document makes and stores them.

#include "engine/barcode.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// A new barcode of the named class, or null when there is no such barcode class.
inline std::unique_ptr<CBarcode> CreateBarcode(const char* className) {
    const CRuntimeClass* cls = CRuntimeClass::FromName(className);
    if (!cls || !cls->IsDerivedFrom(RUNTIME_CLASS(CBarcode))) return nullptr;
    return std::unique_ptr<CBarcode>(static_cast<CBarcode*>(cls->CreateObject().release()));
}

// The object with its class header, as a ".qmx" file holds it.
inline std::vector<std::uint8_t> StoreObject(const CObject& object) {
    std::vector<std::uint8_t> bytes;
    CArchive ar(bytes);
    ar.WriteObject(object);
    return bytes;
}

// Reads a barcode back; throws CArchiveException as the loader does.
inline std::unique_ptr<CBarcode> LoadBarcode(std::span<const std::uint8_t> bytes) {
    CArchive ar(bytes);
    return std::unique_ptr<CBarcode>(
        static_cast<CBarcode*>(ar.ReadObject(RUNTIME_CLASS(CBarcode)).release()));
}
