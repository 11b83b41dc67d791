#include "labels/sheet_preview.h"

#include "labels/label_lengths.h"
#include "labels/label_static.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Pixels between the paper and the widget's edge.
constexpr int kBorder = 6;

// The sheet's backing and its labels as the label setting dialog draws them.
const QColor kBacking(192, 192, 192);
// A label used already: darker than the backing, so it reads as gone from the sheet.
const QColor kUsed(150, 150, 150);

// A marked label stays visible however small the labels are drawn.
constexpr double kMinMarkedSide = 4;

} // namespace

QSizeF SheetPaper(const CLabelGeometry& sheet) {
    // A roll's page is its label and the gap to the next one; tape is as long as its label, or
    // shown as long as it is wide where it is cut to each label's symbol.
    if (IsRollKind(sheet)) {
        const int length = KindOf(sheet) == LabelKind::Roll
                               ? std::max(sheet.verticalPitch, sheet.height)
                           : sheet.height > 0 ? sheet.height
                                              : sheet.width;
        return QSizeF(std::max(sheet.width, 1), std::max(length, 1));
    }
    const PaperSize* paper = FindPaperSize(sheet.paperSize);
    if (!paper) paper = &kPaperSizes[0];
    return QSizeF(paper->width, paper->height);
}

QRectF SheetLayout::LabelRect(const CLabelGeometry& sheet, LabelPosition at) const {
    // In double: a count times a pitch leaves the int range.
    const double left = sheet.sideMargin + double(at.across) * sheet.horizontalPitch;
    const double top = sheet.topMargin + double(at.down) * sheet.verticalPitch;
    return QRectF(paper.left() + left * scale, paper.top() + top * scale, sheet.width * scale,
                  sheet.height * scale)
        .normalized();
}

SheetLayout ComputeSheetLayout(const QSizeF& paper, const QRect& client, int border) {
    SheetLayout layout;
    const double room = std::max(1, client.width() - 2 * border);
    const double height = std::max(1, client.height() - 2 * border);
    if (paper.width() <= 0 || paper.height() <= 0) return layout;
    layout.scale = std::min(room / paper.width(), height / paper.height());
    const QSizeF shown = paper * layout.scale;
    const QPointF centre = QRectF(client).center();
    layout.paper = QRectF(centre.x() - shown.width() / 2, centre.y() - shown.height() / 2,
                          shown.width(), shown.height());
    return layout;
}

std::vector<long long> DrawnLabelIndexes(double start, double size, double pitch, long long count,
                                         double from, double to) {
    const auto [first, last] =
        LabelIndexRange(start, std::min(0.0, size), std::max(0.0, size), pitch, count, from, to);
    // Labels less than a pixel apart: one in every pixel's worth is enough to show them.
    const double apart = std::abs(pitch);
    const long long step =
        apart > 0 && apart < 1 ? static_cast<long long>(std::ceil(1 / apart)) : 1;
    std::vector<long long> out;
    for (long long i = first; i <= last; i += step)
        out.push_back(i);
    return out;
}

CBWSheetPreview::CBWSheetPreview(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

void CBWSheetPreview::SetSheet(const std::optional<CLabelGeometry>& sheet) {
    if (m_sheet == sheet) return;
    m_sheet = sheet;
    update();
}

void CBWSheetPreview::SetMarked(std::vector<LabelPosition> marked) {
    if (m_marked == marked) return;
    m_marked = std::move(marked);
    update();
}

void CBWSheetPreview::SetLabelPictures(std::vector<QImage> pictures) {
    m_pictures = std::move(pictures);
    update();
}

void CBWSheetPreview::DrawLabelPictures(QPainter& p, const SheetLayout& layout) const {
    if (m_pictures.empty() || m_marked.empty()) return;
    const CLabelGeometry& g = *m_sheet;
    const long long perRow = std::max(g.numberAcross, 1);
    const long long first = m_marked.front().down * perRow + m_marked.front().across;
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (std::size_t k = 0; k < m_pictures.size(); ++k) {
        const long long index = first + static_cast<long long>(k);
        const LabelPosition at{index % perRow, index / perRow};
        if (at.down >= std::max(g.numberDown, 1)) break;
        const QRectF label = layout.LabelRect(g, at);
        const QImage& picture = m_pictures[k];
        if (!label.intersects(rect()) || picture.isNull() || picture.dotsPerMeterX() <= 0 ||
            picture.dotsPerMeterY() <= 0)
            continue;
        // Dots per metre, and a metre holds 100,000 thousandths of a centimetre.
        const QSizeF size(picture.width() * 100000.0 / picture.dotsPerMeterX() * layout.scale,
                          picture.height() * 100000.0 / picture.dotsPerMeterY() * layout.scale);
        p.setClipRect(label.intersected(rect()));
        p.drawImage(QRectF(label.center() - QPointF(size.width(), size.height()) / 2, size),
                    picture);
    }
    p.restore();
}

void CBWSheetPreview::SetUsed(long long count) {
    if (m_used == count) return;
    m_used = count;
    update();
}

std::optional<LabelPosition> CBWSheetPreview::LabelAt(const QPointF& point) const {
    if (!m_sheet) return std::nullopt;
    const CLabelGeometry& g = *m_sheet;
    const SheetLayout layout = Layout();
    if (layout.scale <= 0) return std::nullopt;
    // The index along one axis whose label spans `at`: the nearest by the pitch, or the one
    // before it, whichever holds it.
    const auto index = [](double at, double start, double pitch, long long count,
                          auto holds) -> std::optional<long long> {
        if (count < 1) return std::nullopt;
        const long long near =
            pitch > 0 ? std::clamp<long long>(
                            static_cast<long long>(std::floor((at - start) / pitch)), 0, count - 1)
                      : 0;
        for (long long i : {near, near - 1, near + 1})
            if (i >= 0 && i < count && holds(i)) return i;
        return std::nullopt;
    };
    const auto across = index(point.x(), layout.paper.left() + g.sideMargin * layout.scale,
                              g.horizontalPitch * layout.scale, g.numberAcross, [&](long long i) {
                                  const QRectF r = layout.LabelRect(g, {i, 0});
                                  return point.x() >= r.left() && point.x() < r.right();
                              });
    const auto down = index(point.y(), layout.paper.top() + g.topMargin * layout.scale,
                            g.verticalPitch * layout.scale, g.numberDown, [&](long long i) {
                                const QRectF r = layout.LabelRect(g, {0, i});
                                return point.y() >= r.top() && point.y() < r.bottom();
                            });
    if (!across || !down) return std::nullopt;
    return LabelPosition{*across, *down};
}

void CBWSheetPreview::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        if (const std::optional<LabelPosition> at = LabelAt(event->position())) {
            emit LabelClicked(*at);
            return;
        }
    QWidget::mousePressEvent(event);
}

SheetLayout CBWSheetPreview::Layout() const {
    return ComputeSheetLayout(m_sheet ? SheetPaper(*m_sheet) : SheetPaper({}), rect(), kBorder);
}

QSize CBWSheetPreview::sizeHint() const {
    // A letter sheet a little over a hand's width on the screen.
    return QSize(150, 190);
}

void CBWSheetPreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!m_sheet) return;
    const CLabelGeometry& g = *m_sheet;
    const SheetLayout layout = Layout();

    p.setClipRect(rect());
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(kBacking);
    p.drawRect(layout.paper);

    p.setBrush(Qt::white);
    const QRectF first = layout.LabelRect(g, {0, 0});
    const double pitchX = g.horizontalPitch * layout.scale;
    const double pitchY = g.verticalPitch * layout.scale;
    const std::vector<long long> columns =
        DrawnLabelIndexes(layout.paper.left() + g.sideMargin * layout.scale, g.width * layout.scale,
                          pitchX, g.numberAcross, 0, width());
    const std::vector<long long> rows =
        DrawnLabelIndexes(layout.paper.top() + g.topMargin * layout.scale, g.height * layout.scale,
                          pitchY, g.numberDown, 0, height());
    // Corners rounded as on the sheet, but never so much that a small label turns round.
    const double corner = std::min(2.0, std::min(first.width(), first.height()) / 4);
    const long long perRow = std::max(g.numberAcross, 1);
    for (long long down : rows)
        for (long long across : columns) {
            p.setBrush(down * perRow + across < m_used ? kUsed : QColor(Qt::white));
            p.drawRoundedRect(layout.LabelRect(g, {across, down}), corner, corner);
        }

    DrawLabelPictures(p, layout);
    const QColor mark = palette().color(QPalette::Highlight);
    p.setPen(QPen(mark.darker(170), 2));
    if (m_pictures.empty())
        p.setBrush(mark);
    else
        p.setBrush(Qt::NoBrush);
    bool offSheet = false;
    for (const LabelPosition& at : m_marked) {
        QRectF r = layout.LabelRect(g, at);
        offSheet = offSheet || !r.intersects(layout.paper);
        const QSizeF grow(std::max(0.0, kMinMarkedSide - r.width()) / 2,
                          std::max(0.0, kMinMarkedSide - r.height()) / 2);
        r.adjust(-grow.width(), -grow.height(), grow.width(), grow.height());
        p.drawRect(r);
    }
    if (offSheet) {
        // Printed off the paper, the label would show nothing: say so on the picture.
        const QRect note = rect().adjusted(kBorder, kBorder, -kBorder, -kBorder);
        p.setPen(palette().color(QPalette::WindowText));
        p.setBrush(Qt::NoBrush);
        const QString text = tr("The chosen label lies off the sheet.");
        const QRect box =
            p.boundingRect(note, Qt::AlignBottom | Qt::AlignHCenter | Qt::TextWordWrap, text);
        p.fillRect(box.adjusted(-2, -1, 2, 1), palette().window());
        p.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, text);
    }
}
