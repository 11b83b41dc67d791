#include "job/zpl_job.h"

#include "common/atomic_file.h"
#include "common/settings_keys.h"
#include "common/units.h"
#include "render/raster_image.h"
#include "render/zpl_encoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

bool IsZplResolution(int dpi) {
    constexpr std::array<int, 4> kResolutions = {152, 203, 300, 600};
    return std::find(kResolutions.begin(), kResolutions.end(), dpi) != kResolutions.end();
}

CSymbolMeasure MonoMeasure(const CSymbolView& view, int dpi, CFontLocator* fonts) {
    return [view, dpi, fonts](const CBarcode& barcode) {
        const CDrawnExtent drawn = MeasureSymbolMono(barcode, dpi, view, fonts);
        return CSize{static_cast<int>(std::ceil(drawn.marks.Width())),
                     static_cast<int>(std::ceil(drawn.marks.Height()))};
    };
}

bool AppendZplPage(const CLabelContent& content, const CPrintSettings& settings,
                   const std::optional<CRollPage>& page, int dpi, std::int64_t copies,
                   CFontLocator* fonts, std::string& out) {
    const int reduction = settings::Get(settings::kImageBarReduction);
    if (!page) {
        const CMonoRaster raster = RenderLabelMono(content, dpi, fonts);
        if (raster.image.width <= 0 || raster.image.height <= 0) return false;
        AppendZplLabel(raster.image, copies, out);
        return true;
    }
    const CPageDots dots = RollPageDots(settings, *page, dpi);
    MonoImage image;
    if (!image.Allocate(dots.width, dots.height)) return false;
    DrawLabelOnPage(content, image, dpi, dots.centre, reduction, fonts);
    AppendZplLabel(image, copies, out);
    return true;
}

CMessage MakeZplJob(CPrintJob job, int dpi, CFontLocator* fonts, std::string& out) {
    // Only a roll or tape product makes pages of a label's size; anything else is the label alone.
    if (!OnRoll(job.settings)) job.settings.useLabel = 0;
    job.settings.fullPage = 1;
    const CSymbolMeasure measure = MonoMeasure(job.view, dpi, fonts);
    const std::optional<CRollPage> page = JobRollPage(job, measure);
    std::int64_t copies = 1;
    if (job.run.kind == CLabelRunChoice::Kind::Same && job.run.count > 1) {
        copies = job.run.count;
        job.run.count = 1;
    }
    if (page) job.settings = RollPageSettings(job.settings, *page, *page);
    CJobLabels labels(job, measure);
    std::int64_t made = 0;
    while (const CLabelContent* content = labels.Next()) {
        if (!AppendZplPage(*content, job.settings, page, dpi, copies, fonts, out)) {
            // A label that draws nothing: what the symbology makes of its data.
            const CMessages why = NothingToDraw(*content->symbol).why;
            return why.empty() ? MakeMessage(Msg::NoDataToEncode) : why.front();
        }
        ++made;
    }
    if (!labels.Error().Empty()) return labels.Error();
    return made == 0 ? MakeMessage(Msg::RunNoLabels) : CMessage{};
}

CExportResult ExportZplLabel(const CLabelContent& label, const std::string& path, int dpi,
                             CFontLocator* fonts) {
    if (!label.symbol) return ExportFailed(ExportError::NothingToDraw);
    CPrintSettings settings = CPrintSettings::FromStore();
    std::optional<CRollPage> page;
    if (OnRoll(settings)) {
        const CSize size = MonoMeasure(label.view, dpi, fonts)(*label.symbol);
        page = RollPage(settings.geometry,
                        static_cast<int>(std::ceil(size.cy / units::kMilsPerThousandthCm)));
        settings = RollPageSettings(settings, *page, *page);
    }
    std::string zpl;
    if (!AppendZplPage(label, settings, page, dpi, 1, fonts, zpl))
        return NothingToDraw(*label.symbol);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(zpl.data());
    return ExportFailed(
        WriteFileAtomically(path, std::span<const std::uint8_t>(bytes, zpl.size())));
}
