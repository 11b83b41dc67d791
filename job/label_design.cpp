#include "job/label_design.h"

#include "engine/barcode_file.h"

#include <utility>

namespace {

// The design record as files hold it: its version, the barcode as an object of its own, the
// data template and the lines.
class CLabelDesignRecord : public CObject {
    DECLARE_SERIAL(CLabelDesignRecord)

public:
    CLabelDesignRecord() = default;
    // A copy refers to the same barcode and design to write; what was loaded stays behind.
    CLabelDesignRecord(const CLabelDesignRecord& other)
        : CObject(other), storing(other.storing), design(other.design) {}

    const CBarcode* storing = nullptr; // the barcode written
    CLoadedDocument loaded;            // what a loading archive fills in
    const CLabelDesign* design = nullptr;

    void Serialize(CArchive& ar) override;

private:
    void StoreLine(CArchive& ar, const CDesignLine& line) const;
    CDesignLine LoadLine(CArchive& ar) const;
};

// A file names the record by this name; a reader that does not know it refuses the file.
IMPLEMENT_SERIAL(CLabelDesignRecord, CObject, 1)

[[noreturn]] void Refuse(const std::string& why) {
    throw CArchiveException(CArchiveException::badString, why);
}

void CLabelDesignRecord::StoreLine(CArchive& ar, const CDesignLine& line) const {
    const std::int32_t flags = (line.bold ? 1 : 0) | (line.italic ? 2 : 0);
    ar << line.text << line.face << line.points << flags << static_cast<std::int32_t>(line.align)
       << static_cast<std::int32_t>(line.place);
}

CDesignLine CLabelDesignRecord::LoadLine(CArchive& ar) const {
    CDesignLine line;
    std::int32_t flags = 0, align = 0, place = 0;
    ar >> line.text >> line.face >> line.points >> flags >> align >> place;
    if (line.points < CLabelDesign::kMinPoints || line.points > CLabelDesign::kMaxPoints ||
        (flags & ~3) != 0 || align < 0 || align > 2 || place < 0 || place > 3)
        Refuse("a line of the design is out of range");
    line.bold = (flags & 1) != 0;
    line.italic = (flags & 2) != 0;
    line.align = static_cast<LineAlign>(align);
    line.place = static_cast<LinePlace>(place);
    return line;
}

void CLabelDesignRecord::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << CLabelDesign::kFileVersion;
        ar.WriteObject(*storing);
        ar << design->dataTemplate << static_cast<std::int32_t>(design->lines.size());
        for (const CDesignLine& line : design->lines)
            StoreLine(ar, line);
        return;
    }
    std::int32_t version = 0, count = 0;
    ar >> version;
    if (version < 1 || version > CLabelDesign::kFileVersion)
        Refuse("a design of version " + std::to_string(version));
    loaded.barcode = OwnedAs<CBarcode>(ar.ReadObject(RUNTIME_CLASS(CBarcode)));
    ar >> loaded.design.dataTemplate >> count;
    if (count < 0 || static_cast<std::size_t>(count) > CLabelDesign::kMaxLines)
        Refuse("a design of " + std::to_string(count) + " lines");
    for (std::int32_t i = 0; i < count; ++i)
        loaded.design.lines.push_back(LoadLine(ar));
}

bool RegisterDesignRecord() {
    static const bool registered = [] {
        CRuntimeClass::Register(RUNTIME_CLASS(CLabelDesignRecord));
        return true;
    }();
    return registered;
}

// Files are read by class name before any design is loaded (document_file.cpp looks at the first
// bytes): the record is known from the start.
[[maybe_unused]] const bool g_designRecordRegistered = RegisterDesignRecord();

} // namespace

std::vector<std::uint8_t> StoreDocument(const CBarcode* barcode, const CLabelDesign& design) {
    if (design.Empty() || !barcode) return StoreBarcode(barcode);
    std::vector<std::uint8_t> bytes;
    CArchive ar(bytes);
    CLabelDesignRecord record;
    record.storing = barcode;
    record.design = &design;
    ar.WriteObject(record);
    return bytes;
}

CLoadedDocument LoadDocument(std::span<const std::uint8_t> bytes) {
    RegisterDesignRecord();
    CArchive ar(bytes);
    std::unique_ptr<CObject> object = ar.ReadObject(nullptr);
    if (dynamic_cast<const CBarcode*>(object.get()))
        return {OwnedAs<CBarcode>(std::move(object)), {}};
    auto* record = dynamic_cast<CLabelDesignRecord*>(object.get());
    if (!record || !record->loaded.barcode)
        throw CArchiveException(CArchiveException::unsuitableClass, "not a document");
    return std::move(record->loaded);
}

bool IsDocumentClass(const CRuntimeClass* cls) {
    RegisterDesignRecord();
    return cls && (cls->IsDerivedFrom(RUNTIME_CLASS(CBarcode)) ||
                   cls == RUNTIME_CLASS(CLabelDesignRecord));
}

std::vector<CLabelLine> FilledLines(const CLabelDesign& design, const CFieldValues& values,
                                    std::vector<std::string>* unknown) {
    std::vector<CLabelLine> lines;
    for (const CDesignLine& d : design.lines)
        lines.push_back({FillFields(d.text, values, unknown), d.face, static_cast<double>(d.points),
                         d.bold, d.italic, d.align, d.place});
    return lines;
}
