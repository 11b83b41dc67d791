#pragma once
// The matrix symbologies: QR Code and Data Matrix. Each is drawn as its modules, X mils (or
// whole device dots) square, inside a quiet zone that the symbol's extent includes; the bar
// height is not used. The data is the engine's Latin-1 text.

#include "engine/barcode.h"

#include <cstdint>
#include <string>
#include <string_view>

// What QR Code and Data Matrix share: the drawing of the modules with the quiet zone and the
// text below, and one choice of their own (CBarcode::GetOption).
class CMatrixBarcode : public CBarcode {
public:
    // The common fields, then the choice (QR Code's m_nLevel, Data Matrix's m_nShape) as an
    // int32.
    void Serialize(CArchive& ar) override;
    // Stores the text as it is: a symbol carries any Latin-1 text, or says in CheckData why
    // it cannot.
    void SetData(std::string_view text) override;
    // The matrix and its quiet zone along the advance, (columns + 2 × quiet) × X; 0 when the
    // data cannot be encoded.
    int GetWidth() const override;
    // The quiet zone along the advance, quiet × X on either side.
    CSize GetQuietZones() const override;
    // Draws the modules from the start corner of the quiet zone, the text (the data) centred
    // below the quiet zone; nothing at all when the data cannot be encoded. `origin` is left
    // past the quiet zone after the last column.
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;
    // The data as typed, or nothing with the reason when no symbol of this kind holds it.
    CDataCheck CheckData(std::string_view typed) const override;

    int GetOptionValue() const override;
    void SetOptionValue(int value) override;

    // The symbol's modules; empty when the data cannot be encoded.
    virtual engine::CModuleMatrix Encode() const = 0;

protected:
    // The stored choice (the error-correction level, the shape), as a file holds it.
    virtual std::int32_t StoredChoice() const = 0;
    virtual void StoreChoice(std::int32_t value) = 0;
    // Why `data` cannot be encoded with the choice in force; empty when it can.
    virtual CMessage WhyNotEncodable(std::string_view data) const = 0;
};

class CQRBarcode : public CMatrixBarcode {
    DECLARE_SERIAL(CQRBarcode)

public:
    CQRBarcode(); // the error-correction level of new symbols from the settings store

    // 0 = L, 1 = M, 2 = Q, 3 = H; any other value (from a file) is drawn as the default, M.
    std::int32_t m_nLevel;

    int GetQuietModules() const override { return 4; }
    const COption* GetOption() const override;
    engine::CModuleMatrix Encode() const override;

protected:
    std::int32_t StoredChoice() const override { return m_nLevel; }
    void StoreChoice(std::int32_t value) override { m_nLevel = value; }
    CMessage WhyNotEncodable(std::string_view data) const override;
};

class CDataMatrixBarcode : public CMatrixBarcode {
    DECLARE_SERIAL(CDataMatrixBarcode)

public:
    CDataMatrixBarcode(); // the shape of new symbols from the settings store

    // 0 = square, 1 = rectangular; any other value (from a file) is drawn as square.
    std::int32_t m_nShape;

    int GetQuietModules() const override { return 1; }
    const COption* GetOption() const override;
    engine::CModuleMatrix Encode() const override;

protected:
    std::int32_t StoredChoice() const override { return m_nShape; }
    void StoreChoice(std::int32_t value) override { m_nShape = value; }
    CMessage WhyNotEncodable(std::string_view data) const override;
};

// The smallest QR Code symbol of any version holding `latin1` at the error-correction level
// (0 = L to 3 = H): text of ASCII characters in the modes that make it shortest, text with
// others as UTF-8 bytes after the ECI designator of UTF-8 (26), so that a reader shows the
// same characters. Empty when no version holds it or the text is empty.
engine::CModuleMatrix EncodeQrCode(std::string_view latin1, int level);

// The smallest Data Matrix symbol (ECC 200) of the shape holding `latin1`, its bytes as
// ISO 8859-1 (the symbology's default character set). Empty when no size holds it or the text
// is empty.
engine::CModuleMatrix EncodeDataMatrix(std::string_view latin1, bool rectangular);
