// Export cost: a Code 128 symbol written in every format the export writes, inside one process;
// and the whole command-line export process.

#include "bench/bench_folder.h"
#include "engine/code128.h"
#include "output/export.h"
#include "render/export_formats.h"

#include <QGuiApplication>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace {

std::string g_dir;

// Every format of the export's table through ExportSymbol, as the window writes it: raster images
// at 300 and 600 dpi, the rest once.
void BM_Export(benchmark::State& state) {
    const ExportFormat& format = ExportFormats()[static_cast<std::size_t>(state.range(0))];
    CExportOptions options;
    options.dpi = static_cast<int>(state.range(1));
    const std::string extension(format.extensions[0]);
    state.SetLabel(format.kind == ExportKind::Raster
                       ? extension + " " + std::to_string(options.dpi) + " dpi"
                       : extension);
    C128Barcode bc;
    bc.SetData("HALVERN 2026");
    const std::string path = g_dir + "/bench." + extension;
    for (auto _ : state)
        if (const CExportResult r = ExportSymbol(bc, path, options); !r)
            state.SkipWithError(r.error.message().c_str());
}

void ExportArguments(benchmark::internal::Benchmark* b) {
    const auto formats = ExportFormats();
    for (std::size_t i = 0; i < formats.size(); ++i)
        for (int dpi : {300, 600})
            if (dpi == 300 || formats[i].kind == ExportKind::Raster)
                b->Args({static_cast<std::int64_t>(i), dpi});
}

// The metafile of a long symbol with its text: the characters' advances are recorded one by
// one, which must stay linear in the text's length.
void BM_MetafileLongText(benchmark::State& state) {
    C128Barcode bc;
    std::string data;
    while (data.size() < static_cast<std::size_t>(state.range(0)))
        data += "Ab1;";
    bc.SetData(data);
    CExportOptions options;
    for (auto _ : state)
        benchmark::DoNotOptimize(RecordMetafile(bc, options).size());
    state.SetComplexityN(state.range(0));
}

// The whole program, started from a script: process start, Qt, render, encode, write.
void BM_CommandLineExport(benchmark::State& state) {
    const std::string out = g_dir + "/cli.png";
    for (auto _ : state) {
        QProcess p;
        p.start(QStringLiteral(QM_QUILLMARK_EXE),
                {"--export", QString::fromStdString(out), "--symbology", "Code 128", "--data",
                 "HALVERN 2026", "--dpi", "300"});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) state.SkipWithError("export failed");
    }
}

} // namespace

BENCHMARK(BM_Export)->Apply(ExportArguments)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MetafileLongText)
    ->RangeMultiplier(4)
    ->Range(2500, 40000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_CommandLineExport)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    const BenchFolder folder("qmbench-export");
    g_dir = folder.Path();
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
