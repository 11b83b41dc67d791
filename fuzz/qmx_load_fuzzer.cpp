// Feeds arbitrary bytes to the ".qmx" loader, then measures and draws whatever it accepted in
// every orientation: a damaged file must be refused or drawn, never crash or hang.

#include "engine/barcode.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include <unistd.h>

namespace {

class NullSurface : public CDrawSurface {
public:
    void DrawLine(CPoint, CPoint, int) override {}
    void SelectFont(const CFontSpec&) override {}
    void RestoreFont() override {}
    CSize GetTextExtent(std::string_view text) override {
        return {static_cast<int>(text.size() % 100000) * 66, 111};
    }
    void TextOut(CPoint, std::string_view) override {}
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The engine reads its drawing settings from the store: give it a private, empty one.
    static std::string dir = (std::filesystem::temp_directory_path() / "qmfuzz-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Data of megabytes only makes drawing slow, not more interesting.
    if (size > 1 << 16) return 0;
    std::unique_ptr<CObject> obj;
    try {
        CArchive ar(std::span<const std::uint8_t>(data, size));
        obj = ar.ReadObject(RUNTIME_CLASS(CBarcode));
    } catch (const CArchiveException&) {
        return 0;
    }
    const auto& barcode = static_cast<const CBarcode&>(*obj);
    NullSurface surface;
    const int width = barcode.GetWidth();
    const int h = barcode.GetBarHeightMils();
    for (int orientation = 0; orientation < 4; ++orientation) {
        CPoint origin{-(width / 2), -(h / 2)};
        barcode.Draw(surface, origin, h, true, orientation);
    }
    return 0;
}
