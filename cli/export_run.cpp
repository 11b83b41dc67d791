#include "cli/export_run.h"

#include "cli/batch_export.h"
#include "common/atomic_file.h"
#include "common/latin1.h"
#include "common/run_report.h"
#include "common/settings_keys.h"
#include "common/units.h"
#include "engine/primitives.h"
#include "engine/symbologies.h"
#include "job/data_file.h"
#include "job/document_edit.h"
#include "job/document_file.h"
#include "job/export_messages.h"
#include "job/print_layout.h"
#include "job/zpl_job.h"

#include <cstdio>
#include <filesystem>

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

void ReportError(const std::string& text) {
    std::string line;
    for (char c : text)
        line += c == '\n' ? std::string(": ") : std::string(1, c);
    std::fprintf(stderr, "quillmark: %s\n", line.c_str());
}

void ReportError(const CMessage& message) {
    ReportError(MessageText(message));
}

void ReportErrors(const CMessages& messages) {
    for (const CMessage& m : messages)
        ReportError(m);
}

namespace {

// A design with lines is drawn on the label product of the print settings, at its size; none
// without lines or on plain paper.
CSize ExportLabelSize(const CLabelDesign& design) {
    const CPrintSettings settings = CPrintSettings::FromStore();
    if (design.lines.empty() || settings.useLabel == 0) return {};
    return {units::ThousandthsCmToMils(settings.geometry.width),
            units::ThousandthsCmToMils(settings.geometry.height)};
}

// The ZPL resolution when --dpi names none: the most common label printers' 203 dpi.
constexpr int kDefaultZplDpi = 203;

// The export form's ZPL file: the label, or every label of the run, one block each in one file;
// on a roll or tape product (`label`, else the print settings') each a page of its size.
int RunZplExport(const CCommandLineInfo& info, const CExportSymbol& symbol,
                 const std::string& output, const std::optional<CLabelGeometry>& label) {
    const int dpi = info.dpi > 0 ? info.dpi : kDefaultZplDpi;
    if (!IsZplResolution(dpi)) {
        ReportError(MakeMessage(Msg::ExportZplResolution, std::to_string(dpi)));
        return 2;
    }
    if (const CMessage warning = engine::ModuleWarning(dpi); !warning.Empty()) ReportError(warning);
    CFontLocator fonts;
    CPrintJob job;
    job.barcode = symbol.barcode.get();
    job.view = {info.rotation, !info.noText};
    job.settings = CPrintSettings::FromStore();
    if (label) job.settings = {.useLabel = 1, .geometry = *label};
    // Only a roll or tape product gives a page of its own; on anything else the label is alone.
    if (!OnRoll(job.settings)) job.settings.useLabel = 0;
    job.run = info.run.run;
    job.design = symbol.design;
    if (const CMessage unread = ReadJobData(job); !unread.Empty()) {
        ReportError(unread);
        return 1;
    }
    // The run's problems as the print forms tell them, --strict refusing them.
    const CRunReport report = CheckPrintJob(job, MonoMeasure(job.view, dpi, &fonts), true);
    if (!report.error.Empty()) {
        ReportError(report.error);
        return 1;
    }
    ReportErrors(
        RunProblemReport(report, info.run.strict ? RunOutcome::NotMade : RunOutcome::Made));
    if (info.run.strict && report.problemCount > 0) return 1;
    std::string zpl;
    if (const CMessage wrong = MakeZplJob(job, dpi, &fonts, zpl); !wrong.Empty()) {
        ReportError("nothing was written to " + output + ": " + MessageText(wrong));
        return 1;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(zpl.data());
    CExportResult written =
        ExportFailed(WriteFileAtomically(output, std::span<const std::uint8_t>(bytes, zpl.size())));
    if (!written) {
        ReportError(ExportErrorText(written, output));
        return 1;
    }
    return 0;
}

} // namespace

CExportSymbol MakeExportSymbol(const CCommandLineInfo& info) {
    CExportSymbol out;
    out.barcode = NewDocumentBarcode(); // what an empty file leaves in place
    if (!info.file.empty()) {
        const std::string path = AbsolutePath(info.file);
        CDocumentFile read = ReadDocumentFile(path, path);
        if (read.result != CDocumentFile::Result::Ok) {
            out.status = 1;
            out.message = MessageText(read.message);
            return out;
        }
        if (read.barcode) out.barcode = std::move(read.barcode);
        out.design = std::move(read.design);
    }
    if (!info.lines.empty()) out.design.lines = info.lines;
    // In a run, data that holds fields is each label's data with them filled in.
    const bool dataTemplate =
        info.run.run.kind != CLabelRunChoice::Kind::Same && HasFields(info.data);
    if (dataTemplate) out.design.dataTemplate = info.data;
    const auto note = [&out](const CEditResult& edit) {
        if (!edit.note.Empty()) out.notes.push_back(edit.note);
        out.why = out.barcode->CheckData(out.barcode->m_strData).reads.empty() ? edit.changes
                                                                               : CMessages{};
    };
    if (!info.symbology.empty()) {
        const SymbologyInfo* symbology = FindSymbologyByCliName(info.symbology);
        if (!symbology) {
            out.status = 2;
            out.message = "unknown symbology \"" + ShownArgument(info.symbology) + "\"";
            return out;
        }
        // The document's data through the new symbology's rules, unless new data follows.
        if (out.barcode->GetRuntimeClass() != symbology->cls) {
            const std::string kept =
                info.data.empty() ? EngineTextAsUtf8(*out.barcode, out.barcode->m_strData) : "";
            CSymbologySwitch next = SwitchSymbology(*out.barcode, symbology->cls, kept);
            out.barcode = std::move(next.barcode);
            if (!kept.empty()) note(next.result);
        }
    }
    // The symbology's options, before the data, whose fit the note then tells.
    for (const std::string& option : info.options) {
        const CEditResult applied = ApplyNamedOption(*out.barcode, option);
        if (applied.refused) {
            out.status = 2;
            out.message = MessageText(applied.note);
            return out;
        }
        if (info.data.empty()) note(applied);
    }
    // Typed in a terminal, the data is UTF-8 (or Latin-1 where it is not well-formed UTF-8).
    if (!info.data.empty() && !dataTemplate) note(ApplyTypedData(*out.barcode, info.data));
    out.label = ExportLabelSize(out.design);
    if (!info.height.empty()) {
        const CEditResult height =
            ApplyTypedHeight(*out.barcode, info.height, settings::Get(settings::kUnit));
        if (height.refused) {
            out.status = 2;
            out.message = "\"" + ShownArgument(info.height) + "\" is not a bar height";
            return out;
        }
    }
    return out;
}

int RunExport(const CCommandLineInfo& info, const CSymbolWriter& write, int screenDpi,
              const std::optional<CLabelGeometry>& product) {
    const CExportSymbol symbol = MakeExportSymbol(info);
    if (!symbol.barcode || symbol.status != 0) {
        ReportError(symbol.message);
        return symbol.status != 0 ? symbol.status : 1;
    }
    // What the symbol carries where it is not what was given, as the window says it; and why
    // it carries nothing, also when its data comes from the document as it is.
    ReportErrors(symbol.notes);
    if (symbol.notes.empty())
        if (const CBarcode::CDataCheck check = symbol.barcode->CheckData(symbol.barcode->m_strData);
            check.reads.empty())
            ReportError(DataNote(*symbol.barcode, check.change));
    if (info.run.strict && !symbol.notes.empty()) {
        ReportError("the symbol would not carry the data as given; nothing was written (--strict)");
        return 1;
    }
    const std::string output = AbsolutePath(info.output);
    if (!IsKnownExportExtension(output)) {
        CExportResult refused;
        refused.error = ExportError::UnknownFormat;
        ReportError(ExportErrorText(refused, output));
        return 1;
    }
    if (const ExportFormat* format = FindExportFormat(output);
        format && format->writer == ExportWriter::Zpl)
        return RunZplExport(info, symbol, output, product);
    const int stored = settings::Get(settings::kCopyResolution);
    const int dpi = info.dpi > 0 ? info.dpi
                    : stored > 0 ? std::max(stored, 10)
                                 : engine::DefaultImageResolution(screenDpi);
    // A raster image whose module cannot be drawn well is made all the same, with a warning.
    if (!IsVectorExtension(output))
        if (const CMessage warning = engine::ModuleWarning(dpi); !warning.Empty())
            ReportError(warning);
    if (info.run.run.kind != CLabelRunChoice::Kind::Same)
        return RunBatchExport(info, symbol, output, write, dpi);
    CLabelContent label = CLabelContent::Of(symbol.barcode.get(), {info.rotation, !info.noText});
    if (!symbol.design.lines.empty()) {
        label.lines = FilledLines(
            symbol.design,
            {EngineTextAsUtf8(*symbol.barcode, symbol.barcode->m_strData), 1, {}, {}, 0});
        label.label = symbol.label;
    }
    // A document copy holds the design with its fields as they are.
    const std::vector<std::uint8_t> document = StoreDocument(symbol.barcode.get(), symbol.design);
    // The file is written whole and put into place under its name; the disk is waited for only
    // with --sync, for this file and its folder alone.
    CFileWriteOptions single{.sync = false, .manyFiles = true, .syncData = info.sync};
    single.document = &document;
    CExportResult result = write(label, output, dpi, single);
    if (result.error == ExportError::NothingToDraw && !symbol.why.empty()) result.why = symbol.why;
    if (!result) {
        ReportError(ExportErrorText(result, output));
        return 1;
    }
    if (const std::error_code ec = info.sync
                                       ? SyncFolder(std::filesystem::path(output).parent_path())
                                       : std::error_code()) {
        ReportError("the file " + output + " may not have reached the disk: " + ec.message());
        return 1;
    }
    return 0;
}
