#include "labels/printer_settings.h"

#include "common/settings_keys.h"
#include "common/settings_store.h"
#include "labels/label_lengths.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// The same row in the section of one printer.
StringSetting InPrinter(const StringSetting& row, const std::string& section) {
    return {section, row.key, row.def};
}
IntSetting InPrinter(const IntSetting& row, const std::string& section) {
    return {section, row.key, row.def, row.min, row.max};
}

// Papers that differ by less than this are the same paper: the print system and the label
// table round their sizes differently.
constexpr double kSamePaperMm = 1.0;

bool SameSize(const QSizeF& a, const QSizeF& b) {
    return std::abs(a.width() - b.width()) <= kSamePaperMm &&
           std::abs(a.height() - b.height()) <= kSamePaperMm;
}

bool SameEitherWayUp(const QSizeF& a, const QSizeF& b) {
    return SameSize(a, b) || SameSize(a, b.transposed());
}

bool Within(const QSizeF& s, const QSizeF& lo, const QSizeF& hi) {
    return s.width() >= lo.width() - kSamePaperMm && s.height() >= lo.height() - kSamePaperMm &&
           s.width() <= hi.width() + kSamePaperMm && s.height() <= hi.height() + kSamePaperMm;
}

} // namespace

std::string PrinterSection(const QString& printerName) {
    std::string section(settings::kPrinterPaperSize.section);
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char ch : printerName.toUtf8()) {
        const auto c = static_cast<unsigned char>(ch);
        if (c > 0x20 && c < 0x7F && c != '%' && c != '[' && c != ']' && c != '=') {
            section += ch;
        } else {
            section += '%';
            section += kHex[c >> 4];
            section += kHex[c & 0xF];
        }
    }
    return section;
}

QString StoredPrinterName() {
    return QString::fromStdString(settings::Get(settings::kPrinter));
}

bool StorePrinterChoice(const QString& printerName, const QPageLayout& page) {
    SettingsWriteBatch batch;
    bool ok = settings::Set(settings::kPrinter, printerName.toStdString());
    // A print without a printer (to a file) has no printer to remember a page for.
    if (!printerName.isEmpty()) {
        const std::string section = PrinterSection(printerName);
        ok = settings::Set(InPrinter(settings::kPrinterPaperSize, section),
                           page.pageSize().key().toStdString()) &&
             ok;
        ok = settings::Set(InPrinter(settings::kPrinterOrientation, section),
                           page.orientation() == QPageLayout::Landscape ? 1 : 0) &&
             ok;
    }
    return batch.Commit() && ok;
}

PrinterCalibration StoredCalibration(const QString& printerName) {
    PrinterCalibration c;
    if (printerName.isEmpty()) return c;
    const std::string section = PrinterSection(printerName);
    c.offsetAcross = settings::Get(InPrinter(settings::kPrinterOffsetAcross, section));
    c.offsetDown = settings::Get(InPrinter(settings::kPrinterOffsetDown, section));
    c.barWidthReduction = settings::Get(InPrinter(settings::kPrinterBarReduction, section));
    return c;
}

bool StoreCalibration(const QString& printerName, const PrinterCalibration& c) {
    if (printerName.isEmpty()) return false;
    const std::string section = PrinterSection(printerName);
    SettingsWriteBatch batch;
    bool ok = settings::Set(InPrinter(settings::kPrinterOffsetAcross, section), c.offsetAcross);
    ok = settings::Set(InPrinter(settings::kPrinterOffsetDown, section), c.offsetDown) && ok;
    ok = settings::Set(InPrinter(settings::kPrinterBarReduction, section), c.barWidthReduction) &&
         ok;
    return batch.Commit() && ok;
}

std::optional<QPageSize> PaperFromName(const QString& name, const QList<QPageSize>& printerPapers) {
    if (name.isEmpty()) return std::nullopt;
    for (const QPageSize& paper : printerPapers)
        if (paper.key() == name) return paper;
    for (int id = 0; id <= QPageSize::LastPageSize; ++id)
        if (QPageSize::key(QPageSize::PageSizeId(id)) == name)
            return QPageSize(QPageSize::PageSizeId(id));
    // The toolkit's own name for a size of no standard paper: points have no unit written.
    static const QRegularExpression custom(QStringLiteral(
        "^Custom\\.([0-9]+(?:\\.[0-9]+)?)x([0-9]+(?:\\.[0-9]+)?)(mm|in|pc|DD|CC)?$"));
    const QRegularExpressionMatch m = custom.match(name);
    if (!m.hasMatch()) return std::nullopt;
    const QString unitName = m.captured(3);
    const QPageSize::Unit unit = unitName == u"mm"   ? QPageSize::Millimeter
                                 : unitName == u"in" ? QPageSize::Inch
                                 : unitName == u"pc" ? QPageSize::Pica
                                 : unitName == u"DD" ? QPageSize::Didot
                                 : unitName == u"CC" ? QPageSize::Cicero
                                                     : QPageSize::Point;
    const QPageSize paper(QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()), unit);
    if (!paper.isValid()) return std::nullopt;
    return paper;
}

void ApplyStoredPage(QPrinter& printer, const QString& printerName) {
    if (printerName.isEmpty()) return;
    const std::string section = PrinterSection(printerName);
    const QString name =
        QString::fromStdString(settings::Get(InPrinter(settings::kPrinterPaperSize, section)));
    if (const std::optional<QPageSize> paper = PaperFromName(name, PapersOf(printerName).sizes))
        printer.setPageSize(*paper);
    const int orientation = settings::Get(InPrinter(settings::kPrinterOrientation, section));
    if (orientation >= 0)
        printer.setPageOrientation(orientation == 1 ? QPageLayout::Landscape
                                                    : QPageLayout::Portrait);
}

void ApplyStoredPrinterChoice(QPrinter& printer) {
    const QString stored = StoredPrinterName();
    if (!stored.isEmpty() && !QPrinterInfo::printerInfo(stored).isNull() &&
        printer.printerName() != stored)
        printer.setPrinterName(stored);
    ApplyStoredPage(printer, printer.printerName());
}

PrinterPapers PapersOf(const QString& printerName) {
    PrinterPapers papers;
    const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
    if (printerName.isEmpty() || info.isNull()) return papers;
    papers.sizes = info.supportedPageSizes();
    papers.customSizes = info.supportsCustomPageSizes();
    papers.minimum = info.minimumPhysicalPageSize();
    papers.maximum = info.maximumPhysicalPageSize();
    // A printer that names no paper and takes no custom size tells nothing to go by.
    papers.known = !papers.sizes.isEmpty() || papers.customSizes;
    return papers;
}

bool PrinterTakesPaper(const PrinterPapers& printer, const QPageSize& paper) {
    if (!printer.known) return true;
    const QSizeF mm = paper.size(QPageSize::Millimeter);
    if (std::any_of(printer.sizes.begin(), printer.sizes.end(), [&mm](const QPageSize& s) {
            return SameEitherWayUp(s.size(QPageSize::Millimeter), mm);
        }))
        return true;
    if (!printer.customSizes || !printer.maximum.isValid()) return false;
    const QSizeF lo =
        printer.minimum.isValid() ? printer.minimum.size(QPageSize::Millimeter) : QSizeF(0, 0);
    const QSizeF hi = printer.maximum.size(QPageSize::Millimeter);
    return Within(mm, lo, hi) || Within(mm.transposed(), lo, hi);
}

std::optional<SheetPage> PageForSheet(int paperSize) {
    const PaperSize* paper = FindPaperSize(paperSize);
    if (!paper) return std::nullopt;
    // Thousandths of a centimetre are hundredths of a millimetre; the paper stands upright and
    // the page turns for a landscape paper.
    const double w = paper->width / 100.0, h = paper->height / 100.0;
    SheetPage page;
    page.size = QPageSize(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Millimeter,
                          QString::fromLatin1(paper->name), QPageSize::FuzzyMatch);
    page.orientation = w > h ? QPageLayout::Landscape : QPageLayout::Portrait;
    return page;
}

namespace {

std::string MmText(double mm) {
    return QString::number(mm, 'f', mm < 100 ? 1 : 0).toStdString() + " mm";
}

std::string SizeText(const QSizeF& mm) {
    return MmText(mm.width()) + " × " + MmText(mm.height());
}

// The smallest of the printer's papers that holds the label upright, as it comes off the roll.
std::optional<QPageSize> NearestPaper(const PrinterPapers& papers, const QSizeF& label) {
    std::optional<QPageSize> best;
    for (const QPageSize& paper : papers.sizes) {
        const QSizeF mm = paper.size(QPageSize::Millimeter);
        if (mm.width() + 0.5 < label.width() || mm.height() + 0.5 < label.height()) continue;
        if (!best || mm.width() * mm.height() < best->size(QPageSize::Millimeter).width() *
                                                    best->size(QPageSize::Millimeter).height())
            best = paper;
    }
    return best;
}

// Whether the printer takes a page of `mm` as it comes off the roll: its width across the
// printer, not turned.
bool TakesUpright(const PrinterPapers& printer, const QSizeF& mm) {
    if (!printer.known) return true;
    if (std::any_of(printer.sizes.begin(), printer.sizes.end(), [&mm](const QPageSize& s) {
            return SameSize(s.size(QPageSize::Millimeter), mm);
        }))
        return true;
    if (!printer.customSizes || !printer.maximum.isValid()) return false;
    const QSizeF lo =
        printer.minimum.isValid() ? printer.minimum.size(QPageSize::Millimeter) : QSizeF(0, 0);
    return Within(mm, lo, printer.maximum.size(QPageSize::Millimeter));
}

} // namespace

RollPaperChoice ChooseRollPaper(const PrinterPapers& papers, const QSizeF& mm) {
    RollPaperChoice choice{
        QPageSize(mm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch), true, {}, {}};
    if (TakesUpright(papers, mm)) return choice;
    // The driver's longest page, for tape cut to a length it cannot feed.
    if (papers.customSizes && papers.maximum.isValid()) {
        const QSizeF most = papers.maximum.size(QPageSize::Millimeter);
        if (mm.width() <= most.width() + 0.5 && mm.height() > most.height()) {
            choice.refusal =
                MakeMessage(Msg::RollLongerThanPrinter, MmText(mm.height()), MmText(most.height()));
            return choice;
        }
    }
    const std::optional<QPageSize> nearest = NearestPaper(papers, mm);
    if (!nearest) {
        choice.refusal = MakeMessage(Msg::RollNoPaperHoldsIt, SizeText(mm));
        return choice;
    }
    choice.size = *nearest;
    choice.own = false;
    const QSizeF paper = nearest->size(QPageSize::Millimeter);
    choice.note = MakeMessage(Msg::RollOnNearestPaper, SizeText(mm),
                              nearest->name().toStdString() + " (" + SizeText(paper) + ")");
    return choice;
}
