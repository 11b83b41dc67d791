#include "engine/barcode.h"
#include "engine/code128.h"
#include "engine/code39.h"
#include "engine/code93.h"
#include "engine/i25_postnet.h"
#include "engine/upc_ean.h"

bool RegisterBarcodeClasses() {
    static const bool registered = [] {
        for (const CRuntimeClass* record :
             {RUNTIME_CLASS(CBarcode), RUNTIME_CLASS(C39Barcode), RUNTIME_CLASS(C39Mod43Barcode),
              RUNTIME_CLASS(C39ExtBarcode), RUNTIME_CLASS(C93Barcode), RUNTIME_CLASS(C128Barcode),
              RUNTIME_CLASS(CI25Barcode), RUNTIME_CLASS(CPostnetBarcode),
              RUNTIME_CLASS(CUPCABarcode), RUNTIME_CLASS(CUPCEBarcode),
              RUNTIME_CLASS(CEAN13Barcode), RUNTIME_CLASS(CEAN8Barcode)})
            CRuntimeClass::Register(record);
        return true;
    }();
    return registered;
}
