// Rendering cost of each symbology into a black-and-white image at 300 dpi, the work behind
// every raster export and every screen repaint of the same size.

#include "engine/barcode.h"
#include "output/raster.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

struct Sample {
    const char* className;
    const char* data;
};

constexpr Sample kSamples[] = {
    {"C39Barcode", "HALVERN-2026"},    {"C39Mod43Barcode", "HALVERN-2026"},
    {"C39ExtBarcode", "Halvern 2026"}, {"C93Barcode", "Halvern 2026"},
    {"C128Barcode", "HALVERN 2026"},   {"CI25Barcode", "20261210"},
    {"CUPCABarcode", "03600029145"},   {"CUPCEBarcode", "425261"},
    {"CEAN13Barcode", "590123412345"}, {"CEAN8Barcode", "9638507"},
    {"CPostnetBarcode", "123456789"},
};

void BM_RenderSymbol(benchmark::State& state) {
    const Sample& sample = kSamples[state.range(0)];
    state.SetLabel(sample.className);
    std::unique_ptr<CObject> obj = CRuntimeClass::FromName(sample.className)->CreateObject();
    auto& bc = static_cast<CBarcode&>(*obj);
    bc.SetData(sample.data);
    for (auto _ : state) {
        QImage img = RenderSymbolImage(bc, 300, {0, true});
        benchmark::DoNotOptimize(img.constBits());
    }
}

} // namespace

BENCHMARK(BM_RenderSymbol)->DenseRange(0, std::size(kSamples) - 1)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // A private settings store: the defaults (X = 10 mils, ratio 2.5), never the user's.
    std::string dir = (std::filesystem::temp_directory_path() / "qmbench-raster-XXXXXX").string();
    if (!mkdtemp(dir.data())) return 1;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(dir);
    return 0;
}
