// Export cost: a Code 128 symbol rendered and encoded into each image format at 300 and 600 dpi
// and recorded as a metafile, inside one process; and the whole command-line export process.

#include "bench/bench_folder.h"
#include "engine/code128.h"
#include "output/emf_surface.h"
#include "output/export.h"
#include "output/qimage_mono.h"
#include "output/raster.h"
#include "render/image_encoders.h"
#include "render/symbol_drawing.h"

#include <QGuiApplication>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string g_dir;

constexpr ImageFileType kTypes[] = {ImageFileType::Bmp, ImageFileType::Gif, ImageFileType::Jpeg,
                                    ImageFileType::Pcx, ImageFileType::Png, ImageFileType::Tiff};
constexpr const char* kNames[] = {"bmp", "gif", "jpg", "pcx", "png", "tif"};

void BM_ExportImage(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    const int dpi = static_cast<int>(state.range(1));
    state.SetLabel(std::string(kNames[type]) + " " + std::to_string(dpi) + " dpi");
    C128Barcode bc;
    bc.SetData("HALVERN 2026");
    const std::string path = g_dir + "/bench." + kNames[type];
    for (auto _ : state) {
        const QImage image = RenderSymbolImage(bc, dpi, {0, true});
        const MonoImage mono = MonoImageFromQImage(image);
        const auto ec = WriteImageFile(path, kTypes[type], mono, dpi);
        if (ec) state.SkipWithError(ec.message().c_str());
    }
}

void BM_ExportMetafile(benchmark::State& state) {
    C128Barcode bc;
    bc.SetData("HALVERN 2026");
    const std::string path = g_dir + "/bench.wmf";
    const CExportOptions options;
    for (auto _ : state)
        if (!ExportSymbol(bc, path, options)) state.SkipWithError("metafile not written");
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

BENCHMARK(BM_ExportImage)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {300, 600}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExportMetafile)->Unit(benchmark::kMicrosecond);
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
