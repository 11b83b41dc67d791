// Feeds arbitrary bytes to a label run's data-file reader as a data file: decoded (UTF-8,
// Latin-1, UTF-16 with or without its byte-order mark), split into rows by each separator, with
// and without a header line, a column and a copies column chosen by the input, and the labels
// checked as a print or a batch checks them. The reader must never crash, overflow or run away;
// a row read for some of its fields must give the same fields as read whole; and nothing of the
// data may reach a message unescaped or at length.

#include "common/run_report.h"
#include "engine/barcode.h"
#include "job/data_file.h"
#include "job/label_run.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr char kSeparators[] = {',', ';', '\t', '\n'};
constexpr std::array<const char*, 4> kColumns = {"1", "2", "code", "Qty"};
constexpr std::array<const char*, 3> kCopies = {"", "2", "qty"};
constexpr CLabelRunChoice::Separator kRunSeparators[] = {
    CLabelRunChoice::Separator::Found, CLabelRunChoice::Separator::Comma,
    CLabelRunChoice::Separator::Semicolon, CLabelRunChoice::Separator::Tab,
    CLabelRunChoice::Separator::Line};

// Takes one column's field, as a run takes the columns it uses.
struct OneColumn : CFieldTaker {
    std::size_t column = 0;
    std::string value;
    bool taken = false;
    bool Wants(std::size_t c) const override { return c == column; }
    void Take(std::size_t, std::string&& field) override {
        value = std::move(field);
        taken = true;
    }
};

// Every row read whole and read for one column alone must agree, field, count and line.
void CompareReadings(std::string_view text, char separator, std::size_t column) {
    CDelimitedReader whole(text, separator), part(text, separator);
    std::vector<std::string> fields;
    std::int64_t line = 0, partLine = 0;
    for (int rows = 0; rows < 10'000; ++rows) {
        OneColumn taker;
        taker.column = column;
        std::size_t count = 0;
        const bool more = whole.Next(fields, line);
        if (more != part.NextRow(taker, partLine, count)) std::abort();
        if (!more) {
            if (whole.Error() != part.Error()) std::abort();
            return;
        }
        if (count != fields.size() || line != partLine || taker.taken != (column < count) ||
            (taker.taken && taker.value != fields[column]))
            std::abort();
    }
}

// A message shown from the data: no control byte left raw, and no echo at length.
void CheckShown(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
    if (text.size() > 4000) std::abort();
}

void CheckRunOf(std::shared_ptr<const CDataText> data, const CLabelRunChoice& run,
                CBarcode& working) {
    COpenedRun opened = OpenRun(run, {}, false, "", std::move(data), true);
    if (!opened.source) {
        CheckShown(MessageText(opened.error));
        return;
    }
    CRunEntry entry;
    for (int labels = 0; labels < 2'000 && opened.source->Next(entry); ++labels) {
        const CEntryProblem problem = EntryProblem(working, entry, {});
        if (!problem.why.empty())
            CheckShown(MessageText(ProblemLine(ListedProblem(labels, entry, problem.why))));
    }
    CheckShown(MessageText(opened.source->Error()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size < 1 || size > 1 << 16) return 0;
    // The first byte chooses the run's options; the rest is the file.
    const std::uint8_t choice = bytes[0];
    const std::string file(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    auto data = std::make_shared<CDataText>();
    const CMessage refused = DecodeDataText(file, "fuzz.csv", *data);
    if (!refused.Empty()) {
        CheckShown(MessageText(refused));
        return 0;
    }
    CompareReadings(data->text, kSeparators[choice & 3], (choice >> 2) & 3);

    CLabelRunChoice run;
    run.kind = CLabelRunChoice::Kind::FromFile;
    run.file = "fuzz.csv";
    run.separator = kRunSeparators[choice % std::size(kRunSeparators)];
    run.header = (choice & 0x10) != 0;
    run.column = kColumns[(choice >> 5) & 3];
    run.copiesColumn = kCopies[(choice >> 6) % kCopies.size()];
    // Code 39 changes lower-case letters and leaves out what it cannot encode: most rows are
    // listed as problems, their data in the message.
    const CRuntimeClass* code39 = CRuntimeClass::FromName("C39Barcode");
    if (!code39) std::abort();
    const std::unique_ptr<CObject> made = code39->CreateObject();
    CheckRunOf(std::move(data), run, static_cast<CBarcode&>(*made));
    return 0;
}
