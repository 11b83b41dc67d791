#include "engine/barcode.h"

#include "common/settings_keys.h"
#include "common/units.h"
#include "engine/primitives.h"
#include "engine/symbologies.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

IMPLEMENT_ABSTRACT_SERIAL(CBarcode, CObject, 256)

CBarcode::CBarcode() : m_nHeight(750), m_nHeightUnit(0) {
    m_strFontName = settings::Get(settings::kFontName);
    m_nFontSize = settings::Get(settings::kFontSize);
}

std::unique_ptr<CBarcode> CreateBarcode(const CRuntimeClass* cls) {
    return cls ? OwnedAs<CBarcode>(cls->CreateObject()) : nullptr;
}

std::unique_ptr<CBarcode> CloneBarcode(const CBarcode& barcode) {
    return OwnedAs<CBarcode>(barcode.GetRuntimeClass()->CopyObject(barcode));
}

CBarcode::CDataCheck CBarcode::CheckData(std::string_view typed) const {
    CDataCheck check{std::string(typed), {}, {}};
    const std::unique_ptr<CBarcode> probe = CreateBarcode(GetRuntimeClass());
    if (!probe) return check;
    probe->SetData(typed);
    check.reads = probe->m_strData;
    check.change = engine::DescribeChange(typed, probe->m_strData, SymbologyName());
    return check;
}

std::string CBarcode::SymbologyName() const {
    const SymbologyInfo* info = FindSymbology(GetRuntimeClass());
    return info ? info->listName : GetRuntimeClass()->m_lpszClassName;
}

void CBarcode::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_strData << m_strFontName << m_nFontSize << m_nHeight << m_nHeightUnit;
    else
        ar >> m_strData >> m_strFontName >> m_nFontSize >> m_nHeight >> m_nHeightUnit;
}

int CBarcode::GetBarHeightMils() const {
    const int mils = m_nHeightUnit == 0
                         ? m_nHeight
                         : engine::TruncToInt(m_nHeight * units::kMilsPerThousandthCm);
    return std::clamp(mils, 0, kMaxBarHeightMils);
}

int CBarcode::GetFontHeightMils() const {
    return engine::MulDiv(std::clamp<int>(m_nFontSize, -kMaxFontPoints, kMaxFontPoints), 1000, 72);
}

void CBarcode::DrawHumanText(CDrawSurface& surface, const engine::CBarCursor& bars, int barHeight,
                             std::string_view text) const {
    const auto [first, last] = bars.BarSpan();
    DrawTextCentred(surface, first, last, barHeight, bars.Orientation(), text);
}

void CBarcode::DrawTextCentred(CDrawSurface& surface, CPoint first, CPoint last, int offset,
                               int orientation, std::string_view text) const {
    using namespace engine;
    // Face names are limited to 31 characters, as a font description holds them.
    CFontSpec font{m_strFontName.substr(0, 31), GetFontHeightMils(), 400, Escapement(orientation)};
    surface.SelectFont(font);
    const int cx = surface.GetTextExtent(text).cx;
    // Centred on the span; a text wider than the symbol starts before it.
    const std::int64_t span = std::abs(static_cast<std::int64_t>(last.x) - first.x) +
                              std::abs(static_cast<std::int64_t>(last.y) - first.y);
    CPoint at = AlongBar(first, offset, orientation);
    Advance(at, ClampToInt((span - cx) / 2), orientation);
    surface.TextOut(at, text);
    surface.RestoreFont();
}

int CBarcode::FindOption(std::string_view key) const {
    const std::span<const COption> options = GetOptions();
    for (std::size_t i = 0; i < options.size(); ++i) {
        const std::string_view k = options[i].key;
        if (k.size() == key.size() &&
            std::equal(k.begin(), k.end(), key.begin(), [](char a, char b) {
                const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
                return lower(a) == lower(b);
            }))
            return static_cast<int>(i);
    }
    return -1;
}
