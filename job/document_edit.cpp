#include "job/document_edit.h"

#include "common/latin1.h"
#include "job/data_file.h"
#include "job/measurement.h"

#include <algorithm>

namespace {

// `typed` as the engine's Latin-1 text, and what had to be left out of it.
std::string TypedToLatin1(std::string_view typed, CMessages& changes) {
    std::string outside;
    std::string latin1 = ToLatin1(typed, DetectEncoding(typed), outside);
    // Characters, not bytes: every UTF-8 byte but the continuation bytes starts one.
    const auto left =
        std::count_if(outside.begin(), outside.end(), [](char c) { return (c & 0xC0) != 0x80; });
    if (left == 1) changes.push_back(MakeMessage(Msg::OutsideLatin1Removed));
    if (left > 1) changes.push_back(MakeMessage(Msg::OutsideLatin1RemovedN, std::to_string(left)));
    return latin1;
}

// `typed` as `barcode` holds text: UTF-8 for a symbology that carries any text (bytes that are
// not UTF-8 taken as Latin-1), else Latin-1 with what had to be left out.
std::string TypedToEngineText(const CBarcode& barcode, std::string_view typed, CMessages& changes) {
    if (!barcode.HoldsUtf8()) return TypedToLatin1(typed, changes);
    return DetectEncoding(typed) == TextEncoding::Utf8 ? std::string(WithoutByteOrderMark(typed))
                                                       : Latin1ToUtf8(typed);
}

// Gives `barcode` the engine text `data` through its rules; `changes` gains what they made of it.
bool TakeData(CBarcode& barcode, std::string_view data, CMessages& changes) {
    CBarcode::CDataCheck check = barcode.CheckData(data);
    changes.insert(changes.end(), check.change.begin(), check.change.end());
    if (check.input == barcode.m_strData) return false;
    barcode.SetData(check.input);
    return true;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

// A choice's first word ("Q" of "Q 25%"), which the command line takes for the whole.
std::string_view ChoiceHead(std::string_view choice) {
    return choice.substr(0, choice.find(' '));
}

// The choice `value` names: the whole choice (spaces and letter case aside, "144x144"), else
// its first word when no other choice starts with it ("Q" of "Q 25%"); -1 for none.
int FindChoice(const CBarcode::COption& option, std::string_view value) {
    const auto bare = [](std::string_view text) {
        std::string out;
        for (char c : text)
            if (c != ' ') out.push_back(c);
        return out;
    };
    int byHead = -1, heads = 0;
    for (std::size_t i = 0; i < option.choices.size(); ++i) {
        if (EqualNoCase(bare(option.choices[i]), bare(value))) return static_cast<int>(i);
        if (EqualNoCase(ChoiceHead(option.choices[i]), value))
            byHead = static_cast<int>(i), ++heads;
    }
    return heads == 1 ? byHead : -1;
}

std::string SymbologyOf(const CBarcode& barcode) {
    return barcode.SymbologyName();
}

// "ecc, version, quiet", or "none".
std::string OptionKeys(const CBarcode& barcode) {
    std::string keys;
    for (const CBarcode::COption& o : barcode.GetOptions())
        keys += (keys.empty() ? "" : ", ") + std::string(o.key);
    return keys.empty() ? "none" : keys;
}

// "L 7%, M 15%, Q 25%, H 30%".
std::string ChoiceList(const CBarcode::COption& option) {
    std::string list;
    for (const char* choice : option.choices)
        list += (list.empty() ? "" : ", ") + std::string(choice);
    return list;
}

} // namespace

std::string EngineTextAsUtf8(const CBarcode& barcode, std::string_view text) {
    return barcode.HoldsUtf8() ? std::string(text) : Latin1ToUtf8(text);
}

CMessage DataNote(const CBarcode& barcode, const CMessages& changes) {
    const std::string reads = barcode.CheckData(barcode.m_strData).reads;
    if (reads.empty())
        return MakeMessage(Msg::NothingEncoded,
                           changes.empty() ? CMessages{MakeMessage(Msg::NoDataToEncode)} : changes);
    if (changes.empty()) return {};
    return MakeMessage(Msg::EncodedAs, EngineTextAsUtf8(barcode, reads), changes);
}

CEditResult ApplyTypedData(CBarcode& barcode, std::string_view typed) {
    CEditResult result;
    if (typed.empty()) return result;
    const std::string text = TypedToEngineText(barcode, typed, result.changes);
    result.applied = TakeData(barcode, text, result.changes);
    result.note = DataNote(barcode, result.changes);
    return result;
}

CEditResult ApplyNamedOption(CBarcode& barcode, std::string_view assignment) {
    CEditResult result;
    const std::size_t equals = assignment.find('=');
    const std::string_view key = assignment.substr(0, equals);
    const int option = barcode.FindOption(key);
    if (option < 0) {
        result.refused = true;
        result.note =
            MakeMessage(Msg::OptionUnknown, key, SymbologyOf(barcode), OptionKeys(barcode));
        return result;
    }
    const auto index = static_cast<std::size_t>(option);
    const CBarcode::COption& o = barcode.GetOptions()[index];
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : assignment.substr(equals + 1);
    if (const int i = FindChoice(o, value); i >= 0) return ApplyOption(barcode, index, i);
    result.refused = true;
    result.note = MakeMessage(Msg::OptionNoSuchChoice, value, o.key, ChoiceList(o));
    return result;
}

CEditResult ApplyTypedHeight(CBarcode& barcode, std::string_view typed, int optionsUnit) {
    CEditResult result;
    const CMeasurement height = ParseMeasurement(typed, optionsUnit);
    if (height.value <= 0) {
        result.refused = true;
        result.note = MakeMessage(Msg::NotABarHeight, typed);
        return result;
    }
    if (height.value == barcode.m_nHeight && height.unit == barcode.m_nHeightUnit) return result;
    barcode.m_nHeight = height.value;
    barcode.m_nHeightUnit = height.unit;
    result.applied = true;
    return result;
}

CEditResult ApplyOption(CBarcode& barcode, int index) {
    return ApplyOption(barcode, 0, index);
}

CEditResult ApplyOption(CBarcode& barcode, std::size_t option, int value) {
    CEditResult result;
    if (option >= barcode.GetOptions().size() || value == barcode.GetOptionValue(option))
        return result;
    barcode.SetOptionValue(option, value);
    if (barcode.GetOptionValue(option) != value) {
        result.refused = true;
        return result;
    }
    result.applied = true;
    result.changes = barcode.CheckData(barcode.m_strData).change;
    result.note = DataNote(barcode, result.changes);
    return result;
}

CSymbologySwitch SwitchSymbology(const CBarcode& from, const CRuntimeClass* cls,
                                 std::string_view typed) {
    CSymbologySwitch out;
    out.barcode = CreateBarcode(cls);
    if (!out.barcode) return out;
    out.barcode->m_strFontName = from.m_strFontName;
    out.barcode->m_nFontSize = from.m_nFontSize;
    out.barcode->m_nHeight = from.m_nHeight;
    out.barcode->m_nHeightUnit = from.m_nHeightUnit;
    CEditResult& result = out.result;
    const std::string text = TypedToEngineText(*out.barcode, typed, result.changes);
    TakeData(*out.barcode, text, result.changes);
    result.applied = true;
    result.note = DataNote(*out.barcode, result.changes);
    return out;
}
