#pragma once
// Data for every symbology of the encoder: ordinary data, and the shortest and the longest where
// they matter, non-ASCII text where the symbology takes it, with what a real reader reads from
// it where it knows the symbology.

#include "tests/support/scan.h"

#include <map>
#include <string>
#include <vector>

struct ReadCase {
    const char* className;
    std::string data;
    const char* format; // the reader's name; null: the reader does not know the symbology
    std::string reads;  // what it reads (UTF-8)
    ScanMode mode = ScanMode::Plain;
};

// The cases, each class's first case its ordinary sample.
inline const std::vector<ReadCase>& ReadCases() {
    static const std::vector<ReadCase> cases = {
        {"CQRBarcode", "Grüße 東京", "QRCode", "Grüße 東京"},
        {"CQRBarcode", "7", "QRCode", "7"},
        {"CMicroQRBarcode", "12345", "MicroQRCode", "12345"},
        {"CMicroQRBarcode", std::string(35, '9'), "MicroQRCode", std::string(35, '9')},
        {"CMicroQRBarcode", "MICRO QR", "MicroQRCode", "MICRO QR"},
        {"CRMQRBarcode", "RMQR 2026", nullptr, ""},
        {"CDataMatrixBarcode", "Grüße 東京", "DataMatrix", "Grüße 東京"},
        {"CAztecBarcode", "Grüße 東京 Aztec", "Aztec", "Grüße 東京 Aztec"},
        {"CAztecBarcode", "A", "Aztec", "A"},
        {"CAztecBarcode", std::string(1000, '5'), "Aztec", std::string(1000, '5')},
        {"CAztecRunesBarcode", "25", nullptr, ""},
        {"CPDF417Barcode", "Grüße 東京 PDF417", "PDF417", "Grüße 東京 PDF417"},
        {"CPDF417Barcode", std::string(1000, '3'), "PDF417", std::string(1000, '3')},
        {"CCompactPDF417Barcode", "Compact PDF417", nullptr, ""},
        {"CMicroPDF417Barcode", "MicroPDF417", nullptr, ""},
        {"CMaxiCodeBarcode", "MaxiCode 2026", "MaxiCode", "MaxiCode 2026", ScanMode::Pure},
        {"CHanXinBarcode", "漢信碼 Han Xin", nullptr, ""},
        {"CGridMatrixBarcode", "Grid Matrix 2026", nullptr, ""},
        {"CCodeOneBarcode", "Code One 2026", nullptr, ""},
        {"CCodablockFBarcode", "Codablock-F rows of Code 128", nullptr, ""},
        {"CCode16KBarcode", "Code 16K 2026", nullptr, ""},
        {"CCode49Barcode", "CODE 49 2026", nullptr, ""},
        {"CGS1QRBarcode", "(01)09501101530003(10)ABC123", "QRCode",
         "0109501101530003"
         "10ABC123"},
        {"CGS1DataMatrixBarcode", "(01)09501101530003(17)261231(10)ABC", "DataMatrix",
         "0109501101530003"
         "17261231"
         "10ABC"},
        {"CDataBarBarcode", "0950110153000", "DataBar", "09501101530003"},
        {"CDataBarStackedBarcode", "0950110153000", nullptr, ""},
        {"CDataBarStackedOmniBarcode", "0950110153000", nullptr, ""},
        {"CDataBarLimitedBarcode", "1501234567890", nullptr, ""},
        {"CDataBarExpandedBarcode", "(01)09501101530003(3103)000123", "DataBarExpanded",
         "(01)09501101530003(3103)000123"},
        {"CDataBarExpandedStackedBarcode", "(01)09501101530003(3103)000123(10)LOT42", nullptr, ""},
        {"CITF14Barcode", "1234567890123", "ITF", "12345678901231"},
        {"CEAN14Barcode", "1234567890123", "Code128", "0112345678901231"},
        {"CSSCC18Barcode", "12345678901234567", "Code128", "00123456789012345675"},
        {"CEANAddOnBarcode", "9780201379624+12345", "EAN-13", "9780201379624 12345",
         ScanMode::AddOn},
        {"CEANAddOnBarcode", "1234567+12", "EAN-8", "12345670 12", ScanMode::AddOn},
        {"CUPCAAddOnBarcode", "01234567890+12", "UPC-A", "012345678905 12", ScanMode::AddOn},
        {"CUPCEAddOnBarcode", "0123456+12345", "UPC-E", "01234565 12345", ScanMode::AddOn},
        {"CISBNBarcode", "9780201379624", "EAN-13", "9780201379624"},
        {"CCodabarBarcode", "A1234-5678B", "Codabar", "A1234-5678B"},
        {"CCode11Barcode", "123-45", nullptr, ""},
        {"CMSIPlesseyBarcode", "1234567", nullptr, ""},
        {"CPlesseyBarcode", "1234ABCD", nullptr, ""},
        {"CTelepenBarcode", "Telepen 1", nullptr, ""},
        {"CTelepenNumericBarcode", "123456", nullptr, ""},
        {"CLOGMARSBarcode", "LOGMARS-1", "Code39", "LOGMARS-1"},
        {"CCode32Barcode", "12345678", nullptr, ""},
        {"CPZNBarcode", "123456", nullptr, ""},
        {"CPharmacodeBarcode", "1234", nullptr, ""},
        {"CPharmacodeTwoTrackBarcode", "1234", nullptr, ""},
        {"CChannelBarcode", "1234", nullptr, ""},
        {"CStandard2of5Barcode", "123456", nullptr, ""},
        {"CIndustrial2of5Barcode", "123456", nullptr, ""},
        {"CIATA2of5Barcode", "123456", nullptr, ""},
        {"CDataLogic2of5Barcode", "123456", nullptr, ""},
        {"CVINBarcode", "1M8GDM9AXKP042788", "Code39", "1M8GDM9AXKP042788"},
        {"CHIBC128Barcode", "A123BJC5D6E71", nullptr, ""},
        {"CHIBC39Barcode", "A123BJC5D6E71", nullptr, ""},
        {"CBC412Barcode", "AQ45670", nullptr, ""},
        {"CDPDBarcode", "%000393206219912345678101040", nullptr, ""},
        {"CIntelligentMailBarcode", "01234567094987654321", nullptr, ""},
        {"CPlanetBarcode", "12345678901", nullptr, ""},
        {"CRM4SCCBarcode", "W1J0TR01", nullptr, ""},
        {"CMailmarkBarcode", "11210012341234567AB19XY1A", nullptr, ""},
        {"CKIXBarcode", "2500GG30250", nullptr, ""},
        {"CAusPostBarcode", "12345678", nullptr, ""},
        {"CJapanPostBarcode", "15400233-16-4-205", nullptr, ""},
        {"CKoreaPostBarcode", "123456", nullptr, ""},
        {"CLeitcodeBarcode", "2045703000360", nullptr, ""},
        {"CIdentcodeBarcode", "56310243031", nullptr, ""},
        {"CCEPNetBarcode", "12345678", nullptr, ""},
        {"CFIMBarcode", "A", nullptr, ""},
    };
    return cases;
}

// Each encoder symbology's ordinary data by class name.
inline const std::map<std::string, std::string>& EncoderSamples() {
    static const std::map<std::string, std::string> samples = [] {
        std::map<std::string, std::string> out;
        for (const ReadCase& c : ReadCases())
            out.emplace(c.className, c.data);
        return out;
    }();
    return samples;
}
