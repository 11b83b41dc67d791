// Printing a label run: a numbered run of 1,000 Code 128 labels on 3 x 10 sheets into a PDF
// file as `quillmark --pdf` prints it (labels per second), the look through the run before it
// prints, and the whole command from a script.

#include "bench/bench_folder.h"
#include "common/label_geometry.h"
#include "engine/symbologies.h"
#include "shell/command_line_run.h"
#include "shell/printing.h"

#include <QApplication>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string g_dir;

// A 3 x 10 sheet of 2.625 x 1 inch labels on letter paper.
constexpr CLabelGeometry kSheet{0, 6668, 2540, 1270, 476, 6985, 2540, 3, 10};

struct RunJob {
    std::unique_ptr<CBarcode> barcode;
    CPrintJob job;
};

RunJob NumberedRun(std::int64_t labels) {
    RunJob r;
    r.barcode = ConvertBarcode(*NewDocumentBarcode(), FindSymbologyByCliName("Code 128")->cls);
    r.barcode->m_nHeight = 400;
    r.job.barcode = r.barcode.get();
    r.job.settings.useLabel = 1;
    r.job.settings.geometry = kSheet;
    r.job.run.kind = CLabelRunChoice::Kind::Numbered;
    r.job.run.first = "1";
    r.job.run.last = std::to_string(labels);
    r.job.run.prefix = "INV-";
    r.job.run.digits = 5;
    return r;
}

void BM_RunToPdf(benchmark::State& state) {
    const RunJob r = NumberedRun(state.range(0));
    const QString path = QString::fromStdString(g_dir + "/run.pdf");
    for (auto _ : state)
        if (!PrintToPdf(r.job, path, QPageSize(QPageSize::Letter), QPageLayout::Portrait))
            state.SkipWithError("the PDF was not written");
    state.counters["labels/s"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void BM_CheckRun(benchmark::State& state) {
    const RunJob r = NumberedRun(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(CheckPrintJob(r.job, true).labels);
    state.counters["labels/s"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

// The whole command: process start, Qt, the look through the run, the pages, the file.
void BM_CommandLinePdf(benchmark::State& state) {
    const QString doc = QString::fromStdString(g_dir + "/run.qmx");
    const QString pdf = QString::fromStdString(g_dir + "/cli.pdf");
    QProcess make;
    make.start(QStringLiteral(QM_QUILLMARK_EXE),
               {"--export", doc, "--symbology", "Code 128", "--height", "0.4in"});
    if (!make.waitForFinished(60000) || make.exitCode() != 0) state.SkipWithError("no document");
    const QString numbers = QStringLiteral("1:%1").arg(state.range(0));
    for (auto _ : state) {
        QProcess p;
        p.start(QStringLiteral(QM_QUILLMARK_EXE),
                {"--pdf", pdf, doc, "--numbered", numbers, "--prefix", "INV-", "--digits", "5"});
        if (!p.waitForFinished(300000) || p.exitCode() != 0) state.SkipWithError("print failed");
    }
    state.counters["labels/s"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_RunToPdf)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CheckRun)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CommandLinePdf)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

int main(int argc, char** argv) {
    const BenchFolder folder("qmbench-print");
    g_dir = folder.Path();
    QApplication app(argc, argv);
    SendMessagesToStandardError();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
