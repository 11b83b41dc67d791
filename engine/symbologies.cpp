#include "engine/symbologies.h"

#include "common/latin1.h"

#include "engine/code128.h"
#include "engine/code39.h"
#include "engine/code93.h"
#include "engine/gs1_128.h"
#include "engine/i25_postnet.h"
#include "engine/upc_ean.h"

#include <array>
#include <iterator>

#include <zint.h>

namespace {

using G = SymbologyGroup;
using O = ZintOption;

// The encoder's input modes: bytes (Latin-1), Unicode text (UTF-8), GS1 element strings with
// each application identifier in parentheses.
constexpr int kBytes = DATA_MODE;
constexpr int kText = UNICODE_MODE;
constexpr int kGs1 = GS1_MODE | GS1PARENS_MODE;

// A row of a symbology the encoder makes: one name for the list, the menu, the pane and the
// command line, the prompt made of the help line.
#define QM_ZINT_ROW(record, command, name, group, help, ...)                                       \
    SymbologyInfo {                                                                                \
        ZintClass<record>(), command, name, name, help "\n" name, name, name, group, help,         \
            ZintKind {                                                                             \
            __VA_ARGS__                                                                            \
        }                                                                                          \
    }

// clang-format off
constexpr SymbologyInfo kTable[] = {
    // The program's own engine.
    {RUNTIME_CLASS(C39Barcode), 32778, "Code 39", "Code39", "Code39\nCode39", "Code 39", "Code 39",
     G::Linear, "Letters, digits and seven signs; industry and logistics"},
    {RUNTIME_CLASS(C39Mod43Barcode), 32787, "Code 39 Mod 43", "Code39 Mod 43",
     "Code39 Mod 43\nCode39 Mod 43", "Code 39 Mod 43", "Code 39 Mod 43", G::Linear,
     "Code 39 with its modulo-43 check character"},
    {RUNTIME_CLASS(C39ExtBarcode), 32779, "Code 39 Extended", "Code39 Extended",
     "Code39 Extended\nCode39 Extended", "Code 39 Extended", "Code 39 Extended", G::Linear,
     "Code 39 carrying all 128 ASCII characters"},
    {RUNTIME_CLASS(C93Barcode), 32780, "Code 93", "Code93", "Code93\nCode93", "Code 93", "Code 93",
     G::Linear, "A denser Code 39 with two check characters"},
    {RUNTIME_CLASS(C128Barcode), 32781, "Code 128", "Code128", "Code128\nCode128", "Code 128",
     "Code 128", G::Linear, "Any Latin-1 text, digits in pairs; shipping and logistics"},
    {RUNTIME_CLASS(CGS1128Barcode), 32833, "GS1-128", "GS1-128", "GS1-128\nGS1-128", "GS1-128",
     "GS1-128", G::Gs1, "GS1 element strings as Code 128: cartons and pallets"},
    {RUNTIME_CLASS(CI25Barcode), 32788, "Interleaved 2 of 5", "ITF 25",
     "Interleaved 2 of 5\nITF25", "Interleaved 2 of 5", "Interleaved 2 of 5", G::Linear,
     "Pairs of digits; warehouses and cartons"},
    {RUNTIME_CLASS(CUPCABarcode), 32782, "UPC-A", "UPC-A", "UPC A\nUPC-A", "UPC A", "UPC-A",
     G::Retail, "12-digit retail code of North America"},
    {RUNTIME_CLASS(CUPCEBarcode), 32783, "UPC-E", "UPC-E", "UPC-E\nUPC-E", "UPC E", "UPC-E",
     G::Retail, "UPC-A with its zeros suppressed, for small packs"},
    {RUNTIME_CLASS(CEAN13Barcode), 32784, "EAN 13", "EAN 13", "EAN 13\nEAN 13", "EAN 13",
     "EAN 13", G::Retail, "13-digit retail code"},
    {RUNTIME_CLASS(CEAN8Barcode), 32785, "EAN 8", "EAN 8", "EAN 8\nEAN 8", "EAN 8", "EAN 8",
     G::Retail, "8-digit retail code for small packs"},
    {RUNTIME_CLASS(CPostnetBarcode), 32786, "Postnet", "Postnet", "Postnet\nPostnet", "POSTNET",
     "Postnet", G::Postal, "US ZIP codes in tall and short bars"},
    // Through the encoder library. QR Code and Data Matrix keep their class names, which
    // documents of earlier versions name.
    {ZintClass<"CQRBarcode">(), 32831, "QR Code", "QR Code", "QR Code\nQR Code", "QR Code",
     "QR Code", G::TwoD, "Any text, Unicode included; the 2D code phones read",
     ZintKind{BARCODE_QRCODE, ZintShape::Matrix, kText, ZintOptions({O::QrLevel, O::QrVersion,
     O::QuietZone}), 4, O::QrLevel}},
    {ZintClass<"CDataMatrixBarcode">(), 32832, "Data Matrix", "Data Matrix",
     "Data Matrix\nData Matrix", "Data Matrix", "Data Matrix", G::TwoD,
     "Any text in a small square or rectangle; parts marking and documents",
     ZintKind{BARCODE_DATAMATRIX, ZintShape::Matrix, kText, ZintOptions({O::DmShape, O::DmSize,
     O::QuietZone}), 1, O::DmShape}},
    QM_ZINT_ROW("CMicroQRBarcode", 33000, "Micro QR Code", G::TwoD,
                "The smallest QR Code, one finder pattern, up to 35 digits",
                BARCODE_MICROQR, ZintShape::Matrix, kText,
                ZintOptions({O::MicroQrLevel, O::MicroQrVersion, O::QuietZone}), 2),
    QM_ZINT_ROW("CRMQRBarcode", 33001, "rMQR Code", G::TwoD,
                "Rectangular Micro QR Code for narrow spaces",
                BARCODE_RMQR, ZintShape::Matrix, kText, ZintOptions({O::QuietZone}), 2),
    QM_ZINT_ROW("CAztecBarcode", 33002, "Aztec Code", G::TwoD,
                "Any text without a quiet zone; tickets and boarding passes",
                BARCODE_AZTEC, ZintShape::Matrix, kText,
                ZintOptions({O::AztecLevel, O::AztecGs1, O::QuietZone}), 1),
    QM_ZINT_ROW("CAztecRunesBarcode", 33003, "Aztec Runes", G::TwoD,
                "A number from 0 to 255 in the smallest Aztec symbol",
                BARCODE_AZRUNE, ZintShape::Matrix, kBytes, ZintOptions({O::QuietZone}), 1),
    QM_ZINT_ROW("CPDF417Barcode", 33004, "PDF417", G::TwoD,
                "Stacked 2D symbol for shipping labels and identity cards",
                BARCODE_PDF417, ZintShape::Stacked, kText,
                ZintOptions({O::PdfLevel, O::PdfColumns, O::QuietZone}), 2),
    QM_ZINT_ROW("CCompactPDF417Barcode", 33005, "Compact PDF417", G::TwoD,
                "PDF417 without its right-hand row indicators",
                BARCODE_PDF417COMP, ZintShape::Stacked, kText,
                ZintOptions({O::PdfLevel, O::PdfColumns, O::QuietZone}), 2),
    QM_ZINT_ROW("CMicroPDF417Barcode", 33006, "MicroPDF417", G::TwoD,
                "Small stacked 2D symbol of up to four columns",
                BARCODE_MICROPDF417, ZintShape::Stacked, kText,
                ZintOptions({O::MicroPdfColumns, O::QuietZone}), 1),
    QM_ZINT_ROW("CMaxiCodeBarcode", 33007, "MaxiCode", G::TwoD,
                "Fixed-size hexagon symbol round a bull's eye; parcel sorting",
                BARCODE_MAXICODE, ZintShape::Maxi, kText, ZintOptions({O::QuietZone}), 1),
    QM_ZINT_ROW("CHanXinBarcode", 33008, "Han Xin Code", G::TwoD,
                "2D symbol made for Chinese text",
                BARCODE_HANXIN, ZintShape::Matrix, kText, ZintOptions({O::QuietZone}), 3),
    QM_ZINT_ROW("CGridMatrixBarcode", 33009, "Grid Matrix", G::TwoD,
                "2D symbol made for Chinese text, robust in print",
                BARCODE_GRIDMATRIX, ZintShape::Matrix, kText, ZintOptions({O::QuietZone}), 6),
    QM_ZINT_ROW("CCodeOneBarcode", 33010, "Code One", G::TwoD,
                "2D symbol with a central finder; industry",
                BARCODE_CODEONE, ZintShape::Matrix, kText, ZintOptions({O::QuietZone}), 1),
    QM_ZINT_ROW("CCodablockFBarcode", 33011, "Codablock-F", G::TwoD,
                "Rows of Code 128 stacked; health care",
                BARCODE_CODABLOCKF, ZintShape::Stacked, kBytes, ZintOptions({O::QuietZone}), 10),
    QM_ZINT_ROW("CCode16KBarcode", 33012, "Code 16K", G::TwoD,
                "Two to sixteen stacked rows of Code 128 characters",
                BARCODE_CODE16K, ZintShape::Stacked, kBytes, ZintOptions({O::QuietZone}), 10),
    QM_ZINT_ROW("CCode49Barcode", 33013, "Code 49", G::TwoD,
                "Two to eight stacked rows of ASCII text",
                BARCODE_CODE49, ZintShape::Stacked, kBytes, ZintOptions({O::QuietZone}), 10),
    QM_ZINT_ROW("CGS1QRBarcode", 33020, "GS1 QR Code", G::Gs1,
                "GS1 element strings in a QR Code, such as (01)09501101530003(10)ABC",
                BARCODE_QRCODE, ZintShape::Matrix, kGs1,
                ZintOptions({O::QrLevel, O::QrVersion, O::QuietZone}), 4),
    QM_ZINT_ROW("CGS1DataMatrixBarcode", 33021, "GS1 Data Matrix", G::Gs1,
                "GS1 element strings in a Data Matrix; medical devices",
                BARCODE_DATAMATRIX, ZintShape::Matrix, kGs1,
                ZintOptions({O::DmShape, O::DmSize, O::QuietZone}), 1),
    QM_ZINT_ROW("CDataBarBarcode", 33022, "GS1 DataBar Omnidirectional", G::Gs1,
                "A GTIN of 13 digits in a short symbol; fresh food",
                BARCODE_DBAR_OMN, ZintShape::Linear, kBytes, 0, 0),
    QM_ZINT_ROW("CDataBarStackedBarcode", 33023, "GS1 DataBar Stacked", G::Gs1,
                "DataBar Omnidirectional in two short rows",
                BARCODE_DBAR_STK, ZintShape::Stacked, kBytes, ZintOptions({O::QuietZone}), 1),
    QM_ZINT_ROW("CDataBarStackedOmniBarcode", 33024, "GS1 DataBar Stacked Omnidirectional",
                G::Gs1, "DataBar Omnidirectional in two tall rows",
                BARCODE_DBAR_OMNSTK, ZintShape::Stacked, kBytes, ZintOptions({O::QuietZone}), 1),
    QM_ZINT_ROW("CDataBarLimitedBarcode", 33025, "GS1 DataBar Limited", G::Gs1,
                "A GTIN starting 0 or 1 in the smallest DataBar",
                BARCODE_DBAR_LTD, ZintShape::Linear, kBytes, 0, 0),
    QM_ZINT_ROW("CDataBarExpandedBarcode", 33026, "GS1 DataBar Expanded", G::Gs1,
                "GS1 element strings such as weight and dates; fresh food and coupons",
                BARCODE_DBAR_EXP, ZintShape::Linear, kGs1, 0, 0),
    QM_ZINT_ROW("CDataBarExpandedStackedBarcode", 33027, "GS1 DataBar Expanded Stacked",
                G::Gs1, "DataBar Expanded in rows of a chosen number of columns",
                BARCODE_DBAR_EXPSTK, ZintShape::Stacked, kGs1,
                ZintOptions({O::ExpandedColumns, O::QuietZone}), 1),
    QM_ZINT_ROW("CITF14Barcode", 33028, "ITF-14", G::Gs1,
                "The 14-digit GTIN of a carton in Interleaved 2 of 5",
                BARCODE_ITF14, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CEAN14Barcode", 33029, "EAN-14", G::Gs1,
                "A 14-digit GTIN as GS1-128",
                BARCODE_EAN14, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CSSCC18Barcode", 33030, "SSCC-18", G::Gs1,
                "The serial shipping container code as GS1-128",
                BARCODE_NVE18, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CEANAddOnBarcode", 33040, "EAN Add-on", G::Retail,
                "EAN 13 or EAN 8 with a 2- or 5-digit add-on after +; magazines and books",
                BARCODE_EANX, ZintShape::Linear, kBytes, ZintOptions({O::AddOnDigits}), 11),
    QM_ZINT_ROW("CUPCAAddOnBarcode", 33041, "UPC-A Add-on", G::Retail,
                "UPC-A with a 2- or 5-digit add-on after +",
                BARCODE_UPCA, ZintShape::Linear, kBytes, ZintOptions({O::AddOnDigits}), 9),
    QM_ZINT_ROW("CUPCEAddOnBarcode", 33042, "UPC-E Add-on", G::Retail,
                "UPC-E with a 2- or 5-digit add-on after +",
                BARCODE_UPCE, ZintShape::Linear, kBytes, ZintOptions({O::AddOnDigits}), 9),
    QM_ZINT_ROW("CISBNBarcode", 33043, "ISBN", G::Retail,
                "A book's ISBN as EAN 13, with an optional add-on after +",
                BARCODE_ISBNX, ZintShape::Linear, kBytes, ZintOptions({O::AddOnDigits}), 11),
    QM_ZINT_ROW("CCodabarBarcode", 33050, "Codabar", G::Linear,
                "Digits and six signs between start and stop letters A to D; libraries and "
                "blood banks", BARCODE_CODABAR, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CCode11Barcode", 33051, "Code 11", G::Linear,
                "Digits and dashes; telecommunications equipment",
                BARCODE_CODE11, ZintShape::Linear, kBytes, ZintOptions({O::Code11Check}), 10),
    QM_ZINT_ROW("CMSIPlesseyBarcode", 33052, "MSI Plessey", G::Linear,
                "Digits with a choice of check digits; shelf labels",
                BARCODE_MSI_PLESSEY, ZintShape::Linear, kBytes, ZintOptions({O::MsiCheck}), 12),
    QM_ZINT_ROW("CPlesseyBarcode", 33053, "UK Plessey", G::Linear,
                "Hexadecimal digits with a CRC check; shelf labels",
                BARCODE_PLESSEY, ZintShape::Linear, kBytes, 0, 12),
    QM_ZINT_ROW("CTelepenBarcode", 33054, "Telepen", G::Linear,
                "All 128 ASCII characters; libraries",
                BARCODE_TELEPEN, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CTelepenNumericBarcode", 33055, "Telepen Numeric", G::Linear,
                "Digits in pairs in Telepen",
                BARCODE_TELEPEN_NUM, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CLOGMARSBarcode", 33056, "LOGMARS", G::Linear,
                "Code 39 with its check character as the US military marks supplies",
                BARCODE_LOGMARS, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CCode32Barcode", 33057, "Code 32", G::Linear,
                "Italian pharmacode: 8 digits and a check digit",
                BARCODE_CODE32, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CPZNBarcode", 33058, "PZN", G::Linear,
                "German pharmaceutical central number",
                BARCODE_PZN, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CPharmacodeBarcode", 33059, "Pharmacode", G::Linear,
                "A number from 3 to 131070 in thin and thick bars; pharmaceutical packing",
                BARCODE_PHARMA, ZintShape::Linear, kBytes, 0, 6),
    QM_ZINT_ROW("CPharmacodeTwoTrackBarcode", 33060, "Pharmacode Two-Track", G::Linear,
                "A number from 4 to 64570080 in bars of two tracks",
                BARCODE_PHARMA_TWO, ZintShape::Linear, kBytes, 0, 6),
    QM_ZINT_ROW("CChannelBarcode", 33061, "Channel Code", G::Linear,
                "A number of up to 7 digits in the shortest symbol",
                BARCODE_CHANNEL, ZintShape::Linear, kBytes, 0, 2),
    QM_ZINT_ROW("CStandard2of5Barcode", 33062, "Standard 2 of 5", G::Linear,
                "Digits in the bars alone (Matrix 2 of 5)",
                BARCODE_C25STANDARD, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CIndustrial2of5Barcode", 33063, "Industrial 2 of 5", G::Linear,
                "Digits in the bars alone, wide spacing",
                BARCODE_C25IND, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CIATA2of5Barcode", 33064, "IATA 2 of 5", G::Linear,
                "Digits; air cargo", BARCODE_C25IATA, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CDataLogic2of5Barcode", 33065, "Data Logic 2 of 5", G::Linear,
                "Digits; China Post", BARCODE_C25LOGIC, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CVINBarcode", 33066, "VIN", G::Linear,
                "A vehicle identification number of 17 characters in Code 39",
                BARCODE_VIN, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CHIBC128Barcode", 33067, "HIBC Code 128", G::Linear,
                "Health Industry Bar Code data in Code 128",
                BARCODE_HIBC_128, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CHIBC39Barcode", 33068, "HIBC Code 39", G::Linear,
                "Health Industry Bar Code data in Code 39",
                BARCODE_HIBC_39, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CBC412Barcode", 33069, "BC412", G::Linear,
                "Letters and digits; semiconductor wafers",
                BARCODE_BC412, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CDPDBarcode", 33070, "DPD Code", G::Postal,
                "DPD parcel labels: 28 characters",
                BARCODE_DPD, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CIntelligentMailBarcode", 33080, "Intelligent Mail", G::Postal,
                "US Postal Service 4-state code: 20-digit tracking code and routing ZIP",
                BARCODE_USPS_IMAIL, ZintShape::Linear, kBytes, 0, 6),
    QM_ZINT_ROW("CPlanetBarcode", 33081, "PLANET", G::Postal,
                "US Postal Service tracking digits in tall and short bars",
                BARCODE_PLANET, ZintShape::Linear, kBytes, 0, 6),
    QM_ZINT_ROW("CRM4SCCBarcode", 33082, "Royal Mail 4-State", G::Postal,
                "Royal Mail customer code: postcode and delivery point",
                BARCODE_RM4SCC, ZintShape::Linear, kBytes, 0, 6),
    QM_ZINT_ROW("CMailmarkBarcode", 33083, "Royal Mail Mailmark", G::Postal,
                "Royal Mail 4-state Mailmark of 22 or 26 characters",
                BARCODE_MAILMARK, ZintShape::Linear, kBytes, 0, 6),
    QM_ZINT_ROW("CKIXBarcode", 33084, "KIX Code", G::Postal,
                "Dutch post customer index: postcode and house number",
                BARCODE_KIX, ZintShape::Linear, kBytes, 0, 6),
    QM_ZINT_ROW("CAusPostBarcode", 33085, "Australia Post", G::Postal,
                "Australia Post standard customer barcode: 8-digit sorting code",
                BARCODE_AUSPOST, ZintShape::Linear, kBytes, 0, 6),
    QM_ZINT_ROW("CJapanPostBarcode", 33086, "Japan Post", G::Postal,
                "Japanese postal code and address number",
                BARCODE_JAPANPOST, ZintShape::Linear, kBytes, 0, 6),
    QM_ZINT_ROW("CKoreaPostBarcode", 33087, "Korea Post", G::Postal,
                "Korean six-digit postal code",
                BARCODE_KOREAPOST, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CLeitcodeBarcode", 33088, "Deutsche Post Leitcode", G::Postal,
                "Deutsche Post routing code of 13 digits",
                BARCODE_DPLEIT, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CIdentcodeBarcode", 33089, "Deutsche Post Identcode", G::Postal,
                "Deutsche Post identification code of 11 digits",
                BARCODE_DPIDENT, ZintShape::Linear, kBytes, 0, 10),
    QM_ZINT_ROW("CCEPNetBarcode", 33090, "CEPNet", G::Postal,
                "Brazilian postal code (CEP) in tall and short bars",
                BARCODE_CEPNET, ZintShape::Linear, kBytes, 0, 6),
    QM_ZINT_ROW("CFIMBarcode", 33091, "FIM", G::Postal,
                "US Postal Service facing identification mark A to E",
                BARCODE_FIM, ZintShape::Linear, kBytes, 0, 6),
};
// clang-format on
#undef QM_ZINT_ROW

constexpr const char* kGroupNames[] = {"Linear", "Retail", "GS1", "2D", "Postal"};
static_assert(std::size(kGroupNames) == static_cast<std::size_t>(SymbologyGroup::Count));

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
    // The data keeps its characters from one kind of text to the other; what Latin-1 cannot
    // hold is left out (SwitchSymbology says so).
    if (from.HoldsUtf8() == next->HoldsUtf8())
        next->SetData(from.m_strData);
    else
        next->SetData(next->HoldsUtf8() ? Latin1ToUtf8(from.m_strData)
                                        : Utf8ToLatin1(from.m_strData));
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

const char* GroupName(SymbologyGroup group) {
    const auto i = static_cast<std::size_t>(group);
    return i < std::size(kGroupNames) ? kGroupNames[i] : "";
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
