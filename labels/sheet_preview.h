#pragma once
// A picture of a whole label sheet, scaled to fit: the paper, its labels, the labels that
// printing will put a symbol on marked, and those used already greyed. A click on a label says
// which it is.

#include "common/label_geometry.h"

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QWidget>

class QPainter;

#include <optional>
#include <vector>

// A label's place on the sheet, counted from 0: `across` from the left, `down` from the top.
// Printing may put a label outside the sheet's counts (before the first, past the last), so
// any value is a place.
struct LabelPosition {
    long long across = 0;
    long long down = 0;
    friend bool operator==(const LabelPosition&, const LabelPosition&) = default;
};

// The paper the sheet is drawn on, in thousandths of a centimetre: its paper size, or the first
// paper of the table for an index that names none; a roll's label with its gap, or tape.
QSizeF SheetPaper(const CLabelGeometry& sheet);

// Where the sheet lies in a client area: the paper centred, the same scale both ways, at least
// `border` pixels from the edges.
struct SheetLayout {
    double scale = 0; // pixels per thousandth of a centimetre
    QRectF paper;     // in pixels

    // The label at `at`, in pixels: its top-left corner lies the margins plus `at` pitches from
    // the paper's top-left corner.
    QRectF LabelRect(const CLabelGeometry& sheet, LabelPosition at) const;
};
SheetLayout ComputeSheetLayout(const QSizeF& paper, const QRect& client, int border);

// The indexes along one axis (across with `from`, `to` the client's left and right, or down
// with its top and bottom) of the labels worth drawing: those that reach into [from, to],
// and of labels closer together than a pixel only every so many, so that a sheet of any
// count draws at once. In order.
std::vector<long long> DrawnLabelIndexes(double start, double size, double pitch, long long count,
                                         double from, double to);

class CBWSheetPreview : public QWidget {
    Q_OBJECT
public:
    explicit CBWSheetPreview(QWidget* parent = nullptr);

    // The sheet to draw; none (no label product chosen) leaves the picture empty.
    void SetSheet(const std::optional<CLabelGeometry>& sheet);
    const std::optional<CLabelGeometry>& Sheet() const { return m_sheet; }
    // The labels to mark as printed on, filled and strongly outlined; none marks nothing.
    void SetMarked(std::vector<LabelPosition> marked);
    const std::vector<LabelPosition>& Marked() const { return m_marked; }
    // Pictures of what the labels printed hold, in printing order from the first label marked
    // on (across, then down), each at its true size (its resolution recorded) centred on its
    // label; the marked labels are then only outlined. None shows the labels filled.
    void SetLabelPictures(std::vector<QImage> pictures);
    const std::vector<QImage>& LabelPictures() const { return m_pictures; }

    // The first `count` labels of the sheet, counting across from the top left, are used
    // already: they are greyed. 0 greys none.
    void SetUsed(long long count);
    long long Used() const { return m_used; }

    // The label of the sheet under `point` (widget pixels), if any.
    std::optional<LabelPosition> LabelAt(const QPointF& point) const;

    // Where the sheet lies in the widget as it is now.
    SheetLayout Layout() const;
    QSize sizeHint() const override;

signals:
    // A label of the sheet was clicked with the left button.
    void LabelClicked(LabelPosition at);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void DrawLabelPictures(QPainter& p, const SheetLayout& layout) const;

    std::optional<CLabelGeometry> m_sheet;
    std::vector<LabelPosition> m_marked;
    std::vector<QImage> m_pictures;
    long long m_used = 0;
};
