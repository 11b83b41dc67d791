#include "cli/batch_export.h"

#include "common/atomic_file.h"
#include "common/latin1.h"
#include "common/queued_file_writer.h"
#include "common/run_report.h"
#include "engine/primitives.h"
#include "job/export_messages.h"
#include "job/label_run.h"

#include <algorithm>
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
            name += SafeFileNamePart(entry.data);
            i += kDataField.size();
        } else {
            name += pattern[i++];
        }
    }
    return name;
}

// The run looked through before anything is written: each label's problems, and the file each
// one makes, which must differ from every other label's. Returns the exit status: 0 to go on.
int CheckBatch(const CCommandLineInfo& info, const CBarcode& prototype, const std::string& output,
               std::set<std::string>& folders) {
    COpenedRun opened = OpenRun(info.run.run, CRunSheet{}, prototype.m_strData);
    if (!opened.source) {
        ReportError(opened.error);
        return 1;
    }
    const std::unique_ptr<CBarcode> working = CloneBarcode(prototype);
    const CRunCheck check{&prototype, {}, {}};
    // Only a name without {n} can repeat; the names are kept only then.
    const bool namesMayRepeat = output.find(kNumberField) == std::string::npos;
    std::unordered_map<std::string, std::string> madeBy;
    CRunReport report;
    CRunEntry entry;
    while (opened.source->Next(entry)) {
        const std::int64_t ordinal = report.labels++;
        const std::string name = FileName(output, entry);
        folders.insert(std::filesystem::path(name).parent_path().string());
        if (namesMayRepeat) {
            const auto [it, fresh] = madeBy.emplace(name, MessageText(entry.Where()));
            if (!fresh) {
                ReportError(MessageText(entry.Where()) + " would write " + name +
                            " over the file of " + it->second +
                            "; put {n} in the name to keep both");
                return 1;
            }
        }
        CEntryProblem problem = EntryProblem(*working, entry, check);
        if (problem.why.empty()) continue;
        if (report.problems.size() < CRunReport::kMaxListedProblems)
            report.problems.push_back(
                {ordinal, entry.Where(), Latin1ToUtf8(entry.data), std::move(problem.why)});
        ++report.problemCount;
    }
    if (!opened.source->Error().Empty()) {
        ReportError(opened.source->Error());
        return 1;
    }
    if (report.labels == 0) {
        ReportError(MakeMessage(Msg::RunNoLabels));
        return 1;
    }
    ReportErrors(
        RunProblemReport(report, info.run.strict ? RunOutcome::NotMade : RunOutcome::Made));
    if (report.problemCount > 0 && info.run.strict) return 1;
    // A batch's files go into their folder as "mkdir -p" would make it, before any file; one
    // that cannot be made is said once, and nothing is written.
    for (const std::string& folder : folders) {
        std::error_code ec;
        if (!folder.empty() && !std::filesystem::is_directory(folder, ec) &&
            (std::filesystem::create_directories(folder, ec), ec)) {
            ReportError("the folder " + folder + " cannot be made: " + ec.message() +
                        "; nothing was written");
            return 1;
        }
    }
    return 0;
}

} // namespace

bool IsBatchPattern(std::string_view output) {
    return output.find(kNumberField) != std::string_view::npos ||
           output.find(kDataField) != std::string_view::npos;
}

std::string CheckBatchOptions(const CCommandLineInfo& info) {
    const std::vector<std::string>& named = info.run.named;
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
    std::string latin1;
    for (char c : data.substr(0, kMaxDataInName)) {
        const auto u = static_cast<unsigned char>(c);
        const bool refused = u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) ||
                             std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
        latin1 += refused ? '_' : c;
    }
    // Not hidden, not an option, never "." or "..".
    if (latin1.empty() || latin1.front() == '.' || latin1.front() == '-') latin1.insert(0, "_");
    return Latin1ToUtf8(latin1);
}

int RunBatchExport(const CCommandLineInfo& info, const CBarcode& prototype,
                   const std::string& output, const CSymbolWriter& write, int dpi) {
    std::set<std::string> folders;
    if (const int status = CheckBatch(info, prototype, output, folders); status != 0) return status;
    COpenedRun opened = OpenRun(info.run.run, CRunSheet{}, prototype.m_strData);
    if (!opened.source) {
        ReportError(opened.error);
        return 1;
    }
    const std::unique_ptr<CBarcode> working = CloneBarcode(prototype);
    const CSymbolView view{info.rotation, !info.noText};
    // Each file is written whole and put into place by a thread of its own while the next one
    // is drawn; the disk is asked to keep them once, at the end.
    CQueuedFileWriter files;
    const CFileWriteOptions batch{false, true, &files};
    const auto reportFailedFile = [](const CQueuedFileWriter::Failure& failed) {
        CExportResult written;
        written.error = failed.error;
        ReportError(failed.tag + ": " + ExportErrorText(written, failed.path));
    };
    CRunEntry entry;
    int status = 0;
    while (status == 0 && opened.source->Next(entry)) {
        working->SetData(entry.data);
        const std::string name = FileName(output, entry);
        files.SetTag(MessageText(entry.Where()));
        if (const CExportResult result = write(*working, name, view, dpi, batch); !result) {
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
        if (const std::error_code ec = SyncFolder(folder.empty() ? "." : folder)) {
            ReportError("the files in " + folder +
                        " may not have reached the disk: " + ec.message());
            status = 1;
        }
    }
    return status;
}
