#include "engine/zint_barcode.h"

#include "common/latin1.h"
#include "common/settings_keys.h"
#include "engine/primitives.h"
#include "engine/symbologies.h"
#include "engine/zint_options.h"

#include <zint.h>

#include <algorithm>
#include <array>

namespace {

// The ECI assignment number of UTF-8.
constexpr int kEciUtf8 = 26;
// Data Matrix's six rectangles of ECC 200 (the encoder's sizes 25 to 30), smallest first.
constexpr std::array<int, 6> kDataMatrixRectangles = {25, 26, 27, 28, 29, 30};

const SymbologyInfo& NoSymbology() {
    static const SymbologyInfo none{nullptr, 0, "", "", "", "", ""};
    return none;
}

// The add-on of EAN/UPC data ("9780201379624+12345") padded with zeros to `digits`.
std::string PadAddOn(std::string_view data, int digits) {
    const std::size_t plus = data.find('+');
    if (plus == std::string_view::npos || digits <= 0) return std::string(data);
    std::string addOn(data.substr(plus + 1));
    if (addOn.size() < static_cast<std::size_t>(digits))
        addOn.insert(0, static_cast<std::size_t>(digits) - addOn.size(), '0');
    return std::string(data.substr(0, plus + 1)) + addOn;
}

} // namespace

const CRuntimeClass CZintBarcode::classCZintBarcode = {
    "CZintBarcode", static_cast<int>(sizeof(CZintBarcode)), 256, nullptr, RUNTIME_CLASS(CBarcode),
    nullptr};

CZintBarcode::CZintBarcode(const CRuntimeClass* cls)
    : m_cls(cls), m_cache(std::make_unique<Cache>()) {
    for (const COption& o : GetOptions())
        m_options.push_back(o.preset ? settings::Get(*o.preset) : 0);
}

CZintBarcode::CZintBarcode(const CZintBarcode& other)
    : CBarcode(other), m_cls(other.m_cls), m_options(other.m_options),
      m_cache(std::make_unique<Cache>()) {}

const SymbologyInfo& CZintBarcode::Info() const {
    const SymbologyInfo* info = FindSymbology(m_cls);
    return info ? *info : NoSymbology();
}

const ZintKind& CZintBarcode::Kind() const {
    return Info().zint;
}

std::span<const CBarcode::COption> CZintBarcode::GetOptions() const {
    return ZintOptionsOf(Kind());
}

int CZintBarcode::GetOptionValue(std::size_t option) const {
    const std::span<const COption> options = GetOptions();
    if (option >= options.size() || option >= m_options.size()) return 0;
    const std::int32_t v = m_options[option];
    if (v >= 0 && static_cast<std::size_t>(v) < options[option].choices.size()) return v;
    return options[option].preset ? options[option].preset->def : 0;
}

void CZintBarcode::SetOptionValue(std::size_t option, int value) {
    const std::span<const COption> options = GetOptions();
    if (option >= options.size() || option >= m_options.size()) return;
    if (value >= 0 && static_cast<std::size_t>(value) < options[option].choices.size())
        m_options[option] = value;
}

int CZintBarcode::Choice(ZintOption which) const {
    const std::span<const ZintOption> kinds = ZintOptionKindsOf(Kind());
    for (std::size_t i = 0; i < kinds.size(); ++i)
        if (kinds[i] == which) return GetOptionValue(i);
    return 0;
}

bool CZintBarcode::HoldsUtf8() const {
    return (Kind().inputMode & 0x07) == UNICODE_MODE;
}

bool CZintBarcode::HasText() const {
    return Kind().shape == ZintShape::Linear;
}

void CZintBarcode::Serialize(CArchive& ar) {
    CBarcode::Serialize(ar);
    const std::span<const ZintOption> kinds = ZintOptionKindsOf(Kind());
    const std::span<const COption> options = GetOptions();
    const ZintOption legacy = Kind().legacy;
    if (ar.IsStoring()) {
        if (legacy != ZintOption::Count) ar << std::int32_t{Choice(legacy)};
        ar << static_cast<std::int32_t>(m_options.size());
        for (std::size_t i = 0; i < m_options.size(); ++i)
            ar << std::string(options[i].key) << m_options[i];
        return;
    }
    const auto set = [&](ZintOption kind, std::int32_t value) {
        for (std::size_t i = 0; i < kinds.size(); ++i)
            if (kinds[i] == kind) m_options[i] = value;
    };
    if (legacy != ZintOption::Count) {
        std::int32_t value = 0;
        ar >> value;
        set(legacy, value);
        // A file of an earlier version ends here: its data is Latin-1.
        if (ar.Remaining() == 0) {
            if (HoldsUtf8()) m_strData = Latin1ToUtf8(m_strData);
            return;
        }
    }
    std::int32_t count = 0;
    ar >> count;
    for (std::int32_t n = 0; n < count; ++n) {
        std::string key;
        std::int32_t value = 0;
        ar >> key >> value;
        // An option this version does not know is passed over.
        const int i = FindOption(key);
        if (i >= 0) m_options[static_cast<std::size_t>(i)] = value;
    }
}

void CZintBarcode::SetData(std::string_view text) {
    m_strData = text;
}

ZintRequest CZintBarcode::Request(std::string_view data) const {
    const ZintKind& z = Kind();
    ZintRequest r;
    r.symbology = z.id;
    r.inputMode = z.inputMode;
    r.data = data;
    using O = ZintOption;
    const std::span<const ZintOption> kinds = ZintOptionKindsOf(z);
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const int v = GetOptionValue(i);
        switch (kinds[i]) {
        case O::QrLevel:
            r.option1 = v + 1;
            break;
        case O::MicroQrLevel:
            r.option1 = v + 1;
            break;
        case O::QrVersion:
        case O::MicroQrVersion:
        case O::DmSize:
        case O::PdfColumns:
        case O::MicroPdfColumns:
        case O::ExpandedColumns:
        case O::MsiCheck:
        case O::Code11Check:
            r.option2 = v;
            break;
        case O::DmShape:
            r.option3 = v == 0 ? DM_SQUARE : v == 2 ? DM_DMRE : 0;
            break;
        case O::PdfLevel:
            r.option1 = v - 1;
            break;
        case O::AztecLevel:
            r.option1 = v == 0 ? -1 : v;
            break;
        case O::AztecGs1:
            if (v == 1) r.inputMode = GS1_MODE | GS1PARENS_MODE;
            break;
        case O::AddOnDigits:
            r.data = PadAddOn(data, v == 1 ? 2 : v == 2 ? 5 : 0);
            break;
        case O::QuietZone:
        case O::Count:
            break;
        }
    }
    // Text beyond Latin-1 goes as UTF-8 after the ECI designator of UTF-8, so that a reader
    // shows the same characters; Latin-1 text needs none (it is the default character set).
    if ((r.inputMode & 0x07) == UNICODE_MODE && z.id != BARCODE_MICROQR && !Utf8FitsLatin1(data))
        r.eci = kEciUtf8;
    return r;
}

ZintSymbol CZintBarcode::EncodeData(std::string_view data) const {
    return *EncodeShared(data);
}

std::shared_ptr<const ZintSymbol> CZintBarcode::EncodeShared(std::string_view data) const {
    ZintRequest request = Request(data);
    // A rectangular Data Matrix of no chosen size: the smallest rectangle that holds the data.
    const bool rectangle = Kind().id == BARCODE_DATAMATRIX &&
                           (Kind().options & ZintOptions({ZintOption::DmShape})) &&
                           Choice(ZintOption::DmShape) == 1 && Choice(ZintOption::DmSize) == 0;
    if (!rectangle) return ZintEncodeKept(request);
    std::shared_ptr<const ZintSymbol> last;
    for (const int size : kDataMatrixRectangles) {
        request.option2 = size;
        last = ZintEncodeKept(request);
        if (last->Ok() || last->status != ZINT_ERROR_TOO_LONG) return last;
    }
    return last;
}

std::shared_ptr<const ZintSymbol> CZintBarcode::Encoded() const {
    return EncodedFor(m_strData);
}

std::shared_ptr<const ZintSymbol> CZintBarcode::EncodedFor(std::string_view data) const {
    // What CheckData encodes for typed data is what the symbol draws once it takes it.
    const std::lock_guard guard(m_cache->lock);
    if (!m_cache->symbol || m_cache->data != data || m_cache->options != m_options) {
        m_cache->symbol = EncodeShared(data);
        m_cache->data = data;
        m_cache->options = m_options;
    }
    return m_cache->symbol;
}

std::string CZintBarcode::HumanText(const ZintSymbol& symbol) const {
    if (!HasText()) return {};
    return Utf8ToLatin1(symbol.text);
}

int CZintBarcode::GetQuietModules() const {
    if (Kind().shape == ZintShape::Linear) return 0;
    return Choice(ZintOption::QuietZone) == 1 ? 0 : Kind().quiet;
}

CSize CZintBarcode::GetQuietZones() const {
    const int modules = Kind().shape == ZintShape::Linear
                            ? (Choice(ZintOption::QuietZone) == 1 ? 0 : Kind().quiet)
                            : GetQuietModules();
    const int q = engine::ClampToInt(static_cast<std::int64_t>(modules) * engine::ReadDensity());
    return {q, q};
}

int CZintBarcode::GetWidth() const {
    const std::shared_ptr<const ZintSymbol> s = Encoded();
    if (!s->Ok()) return 0;
    const double modules = Kind().shape == ZintShape::Maxi ? 30.5 : static_cast<double>(s->width);
    return engine::TruncToInt((modules + 2.0 * GetQuietModules()) * engine::ReadDensity());
}

namespace {

// The characters `text` has beyond `typed` when `typed` is `text` with some left out ("-4" of
// Code 11's "123-4" for "123"), and in how many runs; false when it is not.
bool AddedCharacters(std::string_view typed, std::string_view text, std::string& added, int& runs) {
    std::size_t i = 0;
    bool inRun = false;
    for (char c : text) {
        const bool kept = i < typed.size() && typed[i] == c;
        if (kept)
            ++i;
        else
            added.push_back(c);
        runs += !kept && !inRun;
        inRun = !kept;
    }
    return i == typed.size();
}

bool SaysTooLong(const ZintSymbol& s) {
    return s.reason.empty() || s.reason.find("too long") != std::string::npos ||
           s.reason.find("Too long") != std::string::npos;
}

} // namespace

CBarcode::CDataCheck CZintBarcode::CheckData(std::string_view typed) const {
    CDataCheck check{std::string(typed), std::string(typed), {}};
    if (typed.empty()) {
        check.change.push_back(MakeMessage(Msg::NoDataToEncode));
        check.reads.clear();
        return check;
    }
    const std::shared_ptr<const ZintSymbol> encoded = EncodedFor(typed);
    const ZintSymbol& s = *encoded;
    if (!s.Ok()) {
        check.change.push_back(WhyNotEncodable(typed, s));
        check.reads.clear();
        return check;
    }
    // A linear symbol's text is what a reader reads: the check digits the symbology adds
    // included.
    const std::string text = HumanText(s);
    if (text.empty() || text == typed) return check;
    check.reads = text;
    std::string added;
    int runs = 0;
    if (AddedCharacters(typed, text, added, runs) && runs == 1)
        check.change.push_back(MakeMessage(Msg::TextAdded, Latin1ToUtf8(added)));
    else if (runs > 0 && added.size() + typed.size() == text.size())
        check.change.push_back(MakeMessage(Msg::DataCompleted, Latin1ToUtf8(typed),
                                           Latin1ToUtf8(text), Info().listName));
    else
        check.change = engine::DescribeChange(typed, text, Info().listName);
    return check;
}

CMessage CZintBarcode::WhyNotEncodable(std::string_view data, const ZintSymbol& failed) const {
    const std::string name = Info().listName;
    if (failed.errorNumber == -1) return MakeMessage(Msg::LibraryNotLoaded, name, failed.reason);
    if (failed.status == ZINT_ERROR_INVALID_OPTION)
        return MakeMessage(Msg::EncoderBadOptions, name, failed.reason);
    if (failed.status != ZINT_ERROR_TOO_LONG || !SaysTooLong(failed))
        return MakeMessage(Msg::EncoderCannotEncode, name, failed.reason);
    const std::uint32_t offered = Kind().options;
    const auto offers = [offered](ZintOption o) { return (offered & ZintOptions({o})) != 0; };
    for (const ZintOption fixed :
         {ZintOption::QrVersion, ZintOption::MicroQrVersion, ZintOption::DmSize,
          ZintOption::PdfColumns, ZintOption::MicroPdfColumns, ZintOption::ExpandedColumns})
        if (offers(fixed) && Choice(fixed) != 0)
            return MakeMessage(Msg::EncoderTooLongForSize, name);
    if (offers(ZintOption::DmShape)) {
        if (Choice(ZintOption::DmShape) == 1) {
            CZintBarcode square(*this);
            square.SetOptionValue(static_cast<std::size_t>(FindOption("shape")), 0);
            if (square.EncodeData(data).Ok()) return MakeMessage(Msg::DataMatrixRectTooLong);
        }
        return MakeMessage(Msg::DataMatrixTooLong);
    }
    if (offers(ZintOption::QrLevel)) {
        static constexpr const char* kNames[] = {"L", "M", "Q", "H"};
        const int level = Choice(ZintOption::QrLevel);
        const auto index = static_cast<std::size_t>(FindOption("ecc"));
        // The highest level below that still holds it, if any.
        for (int lower = level - 1; lower >= 0; --lower) {
            CZintBarcode probe(*this);
            probe.SetOptionValue(index, lower);
            if (probe.EncodeData(data).Ok())
                return MakeMessage(Msg::QrTooLongLowerHolds, kNames[level], kNames[lower]);
        }
        return MakeMessage(level > 0 ? Msg::QrTooLongAnyLevel : Msg::QrTooLongAtLevel,
                           kNames[level]);
    }
    return MakeMessage(Msg::EncoderTooLong, name);
}
