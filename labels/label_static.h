#pragma once
// The dimensioned drawing of a label sheet's top-left corner that the label setting dialog shows.

#include "common/label_geometry.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <optional>
#include <utility>

// What the drawing shows: the labels and the sheet they lie on, in thousandths of a
// centimetre. The paper size index is not drawn; the sheet is as wide and high as given.
struct LabelSheetGeometry {
    CLabelGeometry labels{.width = 10160,
                          .height = 2540,
                          .topMargin = 1270,
                          .sideMargin = 400,
                          .horizontalPitch = 10630,
                          .verticalPitch = 2540,
                          .numberAcross = 2,
                          .numberDown = 10};
    int paperWidth = 20320;
    int paperHeight = 27940;
};

// Logical units are thousandths of a centimetre with y pointing up, the sheet's top-left corner
// at (0, 0). The same scale on both axes, chosen so the corner and its captions fill the
// control. Logical values are 64-bit: counts times pitches leave the 32-bit range.
struct PreviewMapping {
    long long windowOrgX = 0, windowOrgY = 0, windowExtX = 1, windowExtY = 1;
    int viewportOrgX = 0, viewportOrgY = 0, viewportExtX = 1, viewportExtY = 1;

    QPointF ToDevice(double x, double y) const;
    // Rounded to whole pixels and kept within a range any painter can take.
    QPoint ToDevicePoint(double x, double y) const;
    // Device pixels per logical unit.
    double Scale() const;
};

PreviewMapping ComputePreviewMapping(const LabelSheetGeometry& g, const QRect& client, double dpiX,
                                     double dpiY);

// The first label (left, top, right, bottom) in logical units, as the drawing places it.
struct LogicalRect {
    long long left = 0, top = 0, right = 0, bottom = 0;
};
LogicalRect FirstLabelRect(const LabelSheetGeometry& g);

// Indexes k of [0, count) whose span [base + k·pitch + lo, base + k·pitch + hi] meets
// [from, to], as (first, last); first > last when none does. Equal positions draw the same
// picture, so a pitch of 0 needs only the first.
std::pair<long long, long long> LabelIndexRange(double base, double lo, double hi, double pitch,
                                                long long count, double from, double to);

// All the drawing asks of a device; coordinates in device pixels.
class CPreviewCanvas {
public:
    virtual ~CPreviewCanvas() = default;
    virtual void FrameClient(const QRect& client) = 0; // black frame, white inside
    virtual void SetClip(const std::optional<QRect>& clip) = 0;
    virtual void Sheet(const QRect& rect) = 0;                     // light grey, black frame
    virtual void Label(const QRect& rect, int cornerDiameter) = 0; // white, rounded, black frame
    virtual void Line(QPoint from, QPoint to) = 0;
    virtual void Triangle(const std::array<QPoint, 3>& corners) = 0; // solid black
    virtual QSize TextExtent(const QString& text) = 0;
    // Centred on `at` horizontally; `at` is the text's bottom edge, or its top edge when
    // `alignTop`. The text blanks out what lies behind it.
    virtual void Text(QPoint at, const QString& text, bool alignTop) = 0;
};

// Draws the whole picture onto a client area of the given size and resolution. Labels that lie
// wholly outside the corner are skipped, so any count draws at once.
void DrawLabelPreview(CPreviewCanvas& canvas, const LabelSheetGeometry& g, const QRect& client,
                      double dpiX, double dpiY);

class CBWLabelStatic : public QWidget {
    Q_OBJECT
public:
    explicit CBWLabelStatic(QWidget* parent = nullptr);

    // Written by the owner, who calls update() afterwards.
    LabelSheetGeometry m_geometry;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void OnDraw(QPainter& painter);
};
