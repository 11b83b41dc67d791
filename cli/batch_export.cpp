#include "cli/batch_export.h"

#include "common/atomic_file.h"
#include "common/latin1.h"
#include "common/queued_file_writer.h"
#include "common/run_report.h"
#include "engine/primitives.h"
#include "job/export_messages.h"
#include "job/label_run.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <set>
#include <unordered_map>

namespace {

constexpr std::string_view kNumberField = "{n}";
constexpr std::string_view kDataField = "{data}";
constexpr std::size_t kMaxDataInName = 100;

// The run options that place labels on a sheet, which a folder of files has none of.
constexpr const char* kSheetOptions[] = {"--label",    "--start",  "--sheets",
                                         "--outlines", "--offset", "--copies-column"};

std::string FileName(std::string_view pattern, const CRunEntry& entry) {
    std::string name;
    for (std::size_t i = 0; i < pattern.size();) {
        if (pattern.substr(i).starts_with(kNumberField)) {
            name += std::to_string(entry.source);
            i += kNumberField.size();
        } else if (pattern.substr(i).starts_with(kDataField)) {
            name += SafeFileNamePart(entry.DataAsUtf8());
            i += kDataField.size();
        } else {
            name += pattern[i++];
        }
    }
    return name;
}

// Why a label's file could not take its name, if so: a part of the name longer than a folder
// entry may be, or the whole longer than a path.
CMessage NameProblem(const CRunEntry& entry, const std::string& name) {
    std::size_t longest = 0;
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t slash = std::min(name.find('/', start), name.size());
        longest = std::max(longest, slash - start);
        start = slash + 1;
    }
    if (longest <= NAME_MAX && name.size() < PATH_MAX) return {};
    const std::size_t limit = longest > NAME_MAX ? NAME_MAX : PATH_MAX - 1;
    return MakeMessage(Msg::BatchNameTooLong, entry.Where(), ShownText(name),
                       std::to_string(limit));
}

// What was found looking through a batch before anything is written.
struct CBatchCheck {
    CRunReport report;
    std::set<std::string> folders; // where the files go
    std::string refusal;           // why no file can be written at all (English)
    // Only a name without {n} can repeat; the names are kept only then.
    bool namesMayRepeat = false;
    std::unordered_map<std::string, std::string> madeBy;
    bool drawn = true; // the files are images or pictures of the symbol, not document copies
};

// Looks at one label of the batch: its file's name, which must differ from every other label's
// and be one a folder can hold, and whether the symbology makes anything of its data.
void CheckBatchEntry(const CRunEntry& entry, const std::string& name, CBarcode& working,
                     const CRunCheck& runCheck, CBatchCheck& check) {
    CRunReport& report = check.report;
    const std::int64_t ordinal = report.labels++;
    check.folders.insert(std::filesystem::path(name).parent_path().string());
    if (const CMessage wrong = NameProblem(entry, name); !wrong.Empty()) {
        check.refusal = MessageText(wrong);
        return;
    }
    if (check.namesMayRepeat) {
        const auto [it, fresh] = check.madeBy.emplace(name, MessageText(entry.Where()));
        if (!fresh) {
            check.refusal = MessageText(entry.Where()) + " would write " + ShownText(name) +
                            " over the file of " + it->second +
                            "; put {n} in the name to keep both";
            return;
        }
    }
    const CEntryProblem problem = EntryProblem(working, entry, runCheck, ordinal + 1);
    if (problem.why.empty()) return;
    const CRunProblem listed = ListedProblem(ordinal, entry, problem.why);
    // An image of a symbol that draws nothing cannot be written: found now, not after the files
    // before it are.
    if (check.drawn && problem.drawsNothing) {
        check.refusal =
            MessageText(MakeMessage(Msg::BatchLabelNotMade, listed.where, listed.data, listed.why));
        return;
    }
    if (report.problems.size() < CRunReport::kMaxListedProblems) report.problems.push_back(listed);
    ++report.problemCount;
}

// The run looked through before anything is written: each label's problems, and the file each
// one makes. Returns the exit status: 0 to go on.
int CheckBatch(const CCommandLineInfo& info, const CExportSymbol& symbol, const std::string& output,
               const std::shared_ptr<const CDataText>& data, std::set<std::string>& folders) {
    const CBarcode& prototype = *symbol.barcode;
    COpenedRun opened = OpenRun(info.run.run, CRunSheet{}, prototype.HoldsUtf8(),
                                prototype.m_strData, data, true, RunFieldsOf(&symbol.design));
    if (!opened.source) {
        ReportError(opened.error);
        return 1;
    }
    const std::unique_ptr<CBarcode> working = CloneBarcode(prototype);
    CRunCheck runCheck{&prototype, symbol.label, {}};
    runCheck.design = &symbol.design;
    runCheck.view = {info.rotation, !info.noText};
    CBatchCheck check;
    check.namesMayRepeat = output.find(kNumberField) == std::string::npos;
    const ExportFormat* format = FindExportFormat(output);
    check.drawn = !format || format->writer != ExportWriter::Store;
    CRunEntry entry;
    while (check.refusal.empty() && opened.source->Next(entry))
        CheckBatchEntry(entry, FileName(output, entry), *working, runCheck, check);
    if (!check.refusal.empty()) {
        ReportError(check.refusal);
        return 1;
    }
    if (!opened.source->Error().Empty()) {
        ReportError(opened.source->Error());
        return 1;
    }
    if (check.report.labels == 0) {
        ReportError(MakeMessage(Msg::RunNoLabels));
        return 1;
    }
    ReportErrors(
        RunProblemReport(check.report, info.run.strict ? RunOutcome::NotMade : RunOutcome::Made));
    if (check.report.problemCount > 0 && info.run.strict) return 1;
    // A batch's files go into their folder as "mkdir -p" would make it, before any file; one
    // that cannot be made is said once, and nothing is written.
    for (const std::string& folder : check.folders) {
        std::error_code ec;
        if (!folder.empty() && !std::filesystem::is_directory(folder, ec) &&
            (std::filesystem::create_directories(folder, ec), ec)) {
            ReportError("the folder " + folder + " cannot be made: " + ec.message() +
                        "; nothing was written");
            return 1;
        }
    }
    folders = std::move(check.folders);
    return 0;
}

} // namespace

bool IsBatchPattern(std::string_view output) {
    return output.find(kNumberField) != std::string_view::npos ||
           output.find(kDataField) != std::string_view::npos;
}

std::string CheckBatchOptions(const CCommandLineInfo& info) {
    const std::vector<std::string>& named = info.run.named;
    // A ZPL file holds the whole run, each label a page of a label printer's roll.
    if (const ExportFormat* format = FindExportFormat(info.output);
        format && format->writer == ExportWriter::Zpl) {
        for (const char* option : {"--start", "--sheets", "--outlines", "--offset"})
            if (std::find(named.begin(), named.end(), option) != named.end())
                return std::string(option) +
                       " is for printing on a sheet; a ZPL file has each label on a page of its "
                       "own";
        if (IsBatchPattern(info.output))
            return "a ZPL file holds the whole run: name one file, as in --export run.zpl";
        return {};
    }
    for (const char* option : kSheetOptions)
        if (std::find(named.begin(), named.end(), option) != named.end())
            return std::string(option) + " is for printing on a sheet, not for --export";
    const bool run = info.run.run.kind != CLabelRunChoice::Kind::Same;
    // --strict also holds for one symbol: its data must be carried as given.
    const auto runOnly = std::find_if(named.begin(), named.end(),
                                      [](const std::string& o) { return o != "--strict"; });
    if (!run && runOnly != named.end())
        return *runOnly + " with --export needs --numbered or --data-file";
    if (run && !IsBatchPattern(info.output))
        return "a run writes a file per label: name them with {n} or {data}, as in "
               "--export 'out/{n}.png'";
    return {};
}

std::string SafeFileNamePart(std::string_view data) {
    std::string name;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < data.size() && characters < kMaxDataInName; ++characters) {
        const CDecodedUtf8 c = DecodeUtf8At(data, i);
        if (c.length == 0) { // not UTF-8: the byte as the Latin-1 character it would be
            const auto u = static_cast<unsigned char>(data[i++]);
            name += u < 0xA0 ? "_" : Latin1ToUtf8(std::string(1, static_cast<char>(u)));
            continue;
        }
        const char32_t u = c.code;
        const bool refused =
            u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) ||
            (u < 0x80 &&
             std::string_view("/\\:*?\"<>|").find(static_cast<char>(u)) != std::string_view::npos);
        if (refused)
            name += '_';
        else
            name.append(data.substr(i, c.length));
        i += c.length;
    }
    // Not hidden, not an option, never "." or "..".
    if (name.empty() || name.front() == '.' || name.front() == '-') name.insert(0, "_");
    return name;
}

int RunBatchExport(const CCommandLineInfo& info, const CExportSymbol& symbol,
                   const std::string& output, const CSymbolWriter& write, int dpi) {
    const CBarcode& prototype = *symbol.barcode;
    // A data file is read once, and both passes go through its text: a pipe or standard input
    // serves them as a file does.
    CReadDataFile read = ReadRunData(info.run.run);
    if (!read.error.Empty()) {
        ReportError(read.error);
        return 1;
    }
    std::set<std::string> folders;
    if (const int status = CheckBatch(info, symbol, output, read.text, folders); status != 0)
        return status;
    COpenedRun opened = OpenRun(info.run.run, CRunSheet{}, prototype.HoldsUtf8(),
                                prototype.m_strData, read.text, true, RunFieldsOf(&symbol.design));
    if (!opened.source) {
        ReportError(opened.error);
        return 1;
    }
    const std::unique_ptr<CBarcode> working = CloneBarcode(prototype);
    const CSymbolView view{info.rotation, !info.noText};
    // Each file is written whole and put into place by a thread of its own while the next one
    // is drawn. With --sync each file's data reaches the disk before it takes its name, on the
    // writing threads, and each folder's names once, at the end.
    CQueuedFileWriter files;
    const CFileWriteOptions batch{
        .sync = false, .manyFiles = true, .sink = &files, .syncData = info.sync};
    const auto reportFailedFile = [](const CQueuedFileWriter::Failure& failed) {
        CExportResult written;
        written.error = failed.error;
        ReportError(failed.tag + ": " + ExportErrorText(written, failed.path));
    };
    CRunEntry entry;
    int status = 0;
    std::int64_t place = 0;
    CFileWriteOptions options = batch;
    std::vector<std::uint8_t> document;
    while (status == 0 && opened.source->Next(entry)) {
        const CLabelContent label =
            EntryLabel(prototype, *working, entry, &symbol.design, view, symbol.label, ++place);
        if (!symbol.design.Empty()) {
            document = StoreDocument(label.symbol, symbol.design);
            options.document = &document;
        }
        const std::string name = FileName(output, entry);
        files.SetTag(MessageText(entry.Where()));
        if (const CExportResult result = write(label, name, dpi, options); !result) {
            // The failure may be that of a file taken earlier.
            if (const auto failed = files.Finish())
                reportFailedFile(*failed);
            else
                ReportError(MessageText(entry.Where()) + ": " + ExportErrorText(result, name));
            status = 1;
        }
    }
    if (const auto failed = files.Finish(); failed && status == 0) {
        reportFailedFile(*failed);
        status = 1;
    }
    if (status == 0 && !opened.source->Error().Empty()) {
        ReportError(opened.source->Error());
        status = 1;
    }
    for (const std::string& folder : folders) {
        if (!info.sync) break;
        if (const std::error_code ec = SyncFolder(folder.empty() ? "." : folder)) {
            ReportError("the files in " + folder +
                        " may not have reached the disk: " + ec.message());
            status = 1;
        }
    }
    return status;
}
