// Rendering cost of each symbology into a black-and-white image at 300 dpi, the work behind
// every raster export and every screen repaint of the same size; and the painter's raster
// (8-bit grey packed to one bit) against the one-bit surface, which draws the bits directly.

#include "common/settings_keys.h"
#include "engine/barcode.h"
#include "output/raster.h"
#include "render/font_locator.h"
#include "render/raster_image.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
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
    {"C39Barcode", "HALVERN-2026"},
    {"C39Mod43Barcode", "HALVERN-2026"},
    {"C39ExtBarcode", "Halvern 2026"},
    {"C93Barcode", "Halvern 2026"},
    {"C128Barcode", "HALVERN 2026"},
    {"CI25Barcode", "20261210"},
    {"CUPCABarcode", "03600029145"},
    {"CUPCEBarcode", "425261"},
    {"CEAN13Barcode", "590123412345"},
    {"CEAN8Barcode", "9638507"},
    {"CPostnetBarcode", "123456789"},
    {"CGS1128Barcode", "(01)09501101530003(10)ABC123"},
    {"CQRBarcode", "https://halvern.example/2026"},
    {"CDataMatrixBarcode", "Halvern 2026"},
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

// Code 128 of `length` characters with its text line.
std::unique_ptr<CBarcode> Code128(std::size_t length) {
    std::unique_ptr<CObject> obj = CRuntimeClass::FromName("C128Barcode")->CreateObject();
    std::unique_ptr<CBarcode> bc(static_cast<CBarcode*>(obj.release()));
    std::string data;
    while (data.size() < length)
        data += "HALVERN 2026 ";
    data.resize(length);
    bc->SetData(data);
    return bc;
}

// Bytes of the image handed to the encoders, and of everything drawn into on the way there.
void CountBytes(benchmark::State& state, double imageBytes, double workingBytes) {
    state.counters["image_bytes"] = imageBytes;
    state.counters["working_bytes"] = workingBytes;
}

// The export's raster today: QPainter on 8-bit grey, then packed to one bit.
void BM_PainterRaster(benchmark::State& state) {
    const auto bc = Code128(static_cast<std::size_t>(state.range(1)));
    const int dpi = static_cast<int>(state.range(0));
    QImage img;
    for (auto _ : state) {
        img = RenderSymbolImage(*bc, dpi, {0, true});
        benchmark::DoNotOptimize(img.constBits());
    }
    const double mono = static_cast<double>(img.sizeInBytes());
    CountBytes(state, mono, mono + static_cast<double>(img.width()) * img.height());
}

// The one-bit surface: the same layout, drawn straight into the bits. One font lookup for the
// whole run, as one export makes one.
void BM_MonoRaster(benchmark::State& state) {
    const auto bc = Code128(static_cast<std::size_t>(state.range(1)));
    const int dpi = static_cast<int>(state.range(0));
    CFontLocator fonts;
    const CSymbolView view{0, true};
    const CSize quietZones = bc->GetQuietZones();
    const int quiet = std::max(quietZones.cx, quietZones.cy);
    MonoImage image;
    for (auto _ : state) {
        // Planned as the export plans it but not held to its pixel limit, which 1,000
        // characters at 2400 dpi pass (the limit guards the painter's 8-bit image).
        const CImagePlan plan =
            PlanSymbolImage(MeasureSymbolMono(*bc, dpi, view, &fonts), quiet, 0, dpi);
        if (plan.width > INT32_MAX || plan.height > INT32_MAX ||
            !image.Allocate(static_cast<int>(plan.width), static_cast<int>(plan.height))) {
            state.SkipWithError("image too large");
            return;
        }
        DrawSymbolMono(*bc, image, dpi, view, &fonts);
        benchmark::DoNotOptimize(image.bits.data());
    }
    CountBytes(state, static_cast<double>(image.bits.size()),
               static_cast<double>(image.bits.size()));
}

// {dpi, characters}
BENCHMARK(BM_PainterRaster)
    ->Args({300, 12})
    ->Args({600, 12})
    ->Args({600, 1000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonoRaster)
    ->Args({300, 12})
    ->Args({600, 12})
    ->Args({600, 1000})
    ->Args({2400, 1000})
    ->Unit(benchmark::kMillisecond);

// The one-bit export at a label printer's 203 dpi (X = 10 mils is 2.03 dots) with its bars
// snapped to whole dots and without: snapping must cost nothing measurable.
void BM_SnappedRaster(benchmark::State& state) {
    const bool snap = state.range(0) != 0;
    settings::Set(settings::kSnapToDots, snap ? 1 : 0);
    state.SetLabel(snap ? "snapped" : "exact");
    const auto bc = Code128(40);
    CFontLocator fonts;
    for (auto _ : state) {
        const CMonoRaster raster = RenderSymbolMono(*bc, 203, {0, true}, &fonts);
        benchmark::DoNotOptimize(raster.image.bits.data());
    }
    settings::Set(settings::kSnapToDots, 1);
}
BENCHMARK(BM_SnappedRaster)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // A private settings store: the defaults (X = 10 mils, ratio 2.5), never the user's.
    std::string dir = (std::filesystem::temp_directory_path() / "qmbench-raster-XXXXXX").string();
    if (!mkdtemp(dir.data())) return 1;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("XDG_CACHE_HOME", dir.c_str(), 1); // the font lookup's cache
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(dir);
    return 0;
}
