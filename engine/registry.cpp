#include "engine/barcode.h"
#include "engine/symbologies.h"

bool RegisterBarcodeClasses() {
    static const bool registered = [] {
        CRuntimeClass::Register(RUNTIME_CLASS(CBarcode));
        for (const SymbologyInfo& s : Symbologies())
            CRuntimeClass::Register(s.cls);
        return true;
    }();
    return registered;
}
