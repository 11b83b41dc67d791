#include "engine/symbologies.h"

#include "engine/code128.h"
#include "engine/code39.h"
#include "engine/code93.h"
#include "engine/gs1_128.h"
#include "engine/i25_postnet.h"
#include "engine/matrix_codes.h"
#include "engine/upc_ean.h"

#include <array>

namespace {

constexpr std::array<SymbologyInfo, 14> kTable = {{
    {RUNTIME_CLASS(C39Barcode), 32778, "Code 39", "Code39", "Code39\nCode39", "Code 39", "Code 39"},
    {RUNTIME_CLASS(C39Mod43Barcode), 32787, "Code 39 Mod 43", "Code39 Mod 43",
     "Code39 Mod 43\nCode39 Mod 43", "Code 39 Mod 43", "Code 39 Mod 43"},
    {RUNTIME_CLASS(C39ExtBarcode), 32779, "Code 39 Extended", "Code39 Extended",
     "Code39 Extended\nCode39 Extended", "Code 39 Extended", "Code 39 Extended"},
    {RUNTIME_CLASS(C93Barcode), 32780, "Code 93", "Code93", "Code93\nCode93", "Code 93", "Code 93"},
    {RUNTIME_CLASS(C128Barcode), 32781, "Code 128", "Code128", "Code128\nCode128", "Code 128",
     "Code 128"},
    {RUNTIME_CLASS(CGS1128Barcode), 32833, "GS1-128", "GS1-128", "GS1-128\nGS1-128", "GS1-128",
     "GS1-128"},
    {RUNTIME_CLASS(CI25Barcode), 32788, "Interleaved 2 of 5", "ITF 25", "Interleaved 2 of 5\nITF25",
     "Interleaved 2 of 5", "Interleaved 2 of 5"},
    {RUNTIME_CLASS(CUPCABarcode), 32782, "UPC-A", "UPC-A", "UPC A\nUPC-A", "UPC A", "UPC-A"},
    {RUNTIME_CLASS(CUPCEBarcode), 32783, "UPC-E", "UPC-E", "UPC-E\nUPC-E", "UPC E", "UPC-E"},
    {RUNTIME_CLASS(CEAN13Barcode), 32784, "EAN 13", "EAN 13", "EAN 13\nEAN 13", "EAN 13", "EAN 13"},
    {RUNTIME_CLASS(CEAN8Barcode), 32785, "EAN 8", "EAN 8", "EAN 8\nEAN 8", "EAN 8", "EAN 8"},
    {RUNTIME_CLASS(CPostnetBarcode), 32786, "Postnet", "Postnet", "Postnet\nPostnet", "POSTNET",
     "Postnet"},
    {RUNTIME_CLASS(CQRBarcode), 32831, "QR Code", "QR Code", "QR Code\nQR Code", "QR Code",
     "QR Code"},
    {RUNTIME_CLASS(CDataMatrixBarcode), 32832, "Data Matrix", "Data Matrix",
     "Data Matrix\nData Matrix", "Data Matrix", "Data Matrix"},
}};

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

template <class Match> const SymbologyInfo* Find(Match match) {
    for (const SymbologyInfo& s : kTable)
        if (match(s)) return &s;
    return nullptr;
}

} // namespace

std::unique_ptr<CBarcode> ConvertBarcode(const CBarcode& from, const CRuntimeClass* cls) {
    std::unique_ptr<CBarcode> next = CreateBarcode(cls);
    if (!next) return next;
    next->SetData(from.m_strData);
    next->m_strFontName = from.m_strFontName;
    next->m_nFontSize = from.m_nFontSize;
    next->m_nHeight = from.m_nHeight;
    next->m_nHeightUnit = from.m_nHeightUnit;
    return next;
}

std::unique_ptr<CBarcode> NewDocumentBarcode() {
    auto barcode = std::make_unique<C39Barcode>();
    barcode->SetData("HALVERN");
    return barcode;
}

std::span<const SymbologyInfo> Symbologies() {
    return kTable;
}

const SymbologyInfo* FindSymbology(const CRuntimeClass* cls) {
    return Find([cls](const SymbologyInfo& s) { return s.cls == cls; });
}

const SymbologyInfo* FindSymbologyByCommand(int command) {
    return Find([command](const SymbologyInfo& s) { return s.command == command; });
}

const SymbologyInfo* FindSymbologyByListName(std::string_view name) {
    return Find([name](const SymbologyInfo& s) { return EqualNoCase(s.listName, name); });
}

const SymbologyInfo* FindSymbologyByCliName(std::string_view name) {
    return Find([name](const SymbologyInfo& s) { return EqualNoCase(s.cliName, name); });
}
