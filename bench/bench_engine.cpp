// Drawing cost of the engine alone: a Code 39 symbol onto a surface that does nothing, so what
// is measured is pattern lookup, settings reads and primitive arithmetic; and the encoder's
// symbols: a draw of a symbol encoded before (a repaint), and an encoding of new data.

#include "engine/code39.h"
#include "engine/symbologies.h"
#include "engine/zint_barcode.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

class NullSurface : public CDrawSurface {
public:
    void DrawLine(CPoint, CPoint, int) override { ++lines; }
    void SelectFont(const CFontSpec&) override {}
    void RestoreFont() override {}
    CSize GetTextExtent(std::string_view text) override {
        return {static_cast<int>(text.size()) * 66, 111};
    }
    void TextOut(CPoint, std::string_view) override {}
    long lines = 0;
};

// Benchmarks run against a private settings store, never the user's.
void UsePrivateSettings() {
    static const std::string dir = [] {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "qmbench-engine-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        return tmpl;
    }();
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
}

// A symbol of `range(0)` characters drawn whole, text included.
template <class Barcode> void BM_Draw(benchmark::State& state) {
    UsePrivateSettings();
    Barcode bc;
    bc.SetData(std::string(static_cast<size_t>(state.range(0)), 'Q'));
    NullSurface surface;
    for (auto _ : state) {
        CPoint origin{0, 0};
        bc.Draw(surface, origin, 750, true, 0);
        benchmark::DoNotOptimize(origin);
    }
    state.counters["lines/draw"] =
        static_cast<double>(surface.lines) / static_cast<double>(state.iterations());
}

// A symbol of the encoder's symbology `className` with `range(0)` characters: drawn again, or
// encoded afresh.
void BM_DrawEncoded(benchmark::State& state, const char* className) {
    UsePrivateSettings();
    auto bc = CreateBarcode(CRuntimeClass::FromName(className));
    bc->SetData(std::string(static_cast<size_t>(state.range(0)), 'Q'));
    NullSurface surface;
    for (auto _ : state) {
        CPoint origin{0, 0};
        bc->Draw(surface, origin, 750, true, 0);
        benchmark::DoNotOptimize(origin);
    }
    state.counters["lines/draw"] =
        static_cast<double>(surface.lines) / static_cast<double>(state.iterations());
}

void BM_Encode(benchmark::State& state, const char* className) {
    UsePrivateSettings();
    auto bc = CreateBarcode(CRuntimeClass::FromName(className));
    const auto& zint = static_cast<const CZintBarcode&>(*bc);
    // The library itself, not the symbols kept from earlier asks.
    const ZintRequest request = zint.Request(std::string(static_cast<size_t>(state.range(0)), 'Q'));
    for (auto _ : state)
        benchmark::DoNotOptimize(ZintEncode(request).rows);
}

void BM_Code39GetWidth(benchmark::State& state) {
    UsePrivateSettings();
    C39Barcode bc;
    bc.SetData("HALVERN");
    for (auto _ : state)
        benchmark::DoNotOptimize(bc.GetWidth());
}

} // namespace

BENCHMARK(BM_Draw<C39Barcode>)->Arg(7)->Arg(40);
BENCHMARK(BM_Draw<C39ExtBarcode>)->Arg(7)->Arg(40);
BENCHMARK_CAPTURE(BM_DrawEncoded, QR, "CQRBarcode")
    ->Arg(20)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DrawEncoded, DataMatrix, "CDataMatrixBarcode")
    ->Arg(20)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Encode, QR, "CQRBarcode")->Arg(20)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Encode, DataMatrix, "CDataMatrixBarcode")
    ->Arg(20)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Encode, PDF417, "CPDF417Barcode")
    ->Arg(20)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Code39GetWidth);
