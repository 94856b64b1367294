#pragma once

#include "controls/CLineChartCtrl.h"
#include "controls/ChartCursors.h"

// A strip chart whose curves each have their own Y range, with two pairs of measuring
// cursors: vertical X1/X2 and horizontal Y1/Y2, placed by clicks while their mode is on,
// grabbed by a press within 20 pixels (or by SetDragCursor) and dragged. Their distances
// are posted to the parent as WM_CHART_NOTIFY. With neither mode on, a drag is a zoom box
// as in CLineChartCtrl.
class CLineChartCtrl2 : public CLineChartCtrl {
    Q_OBJECT

public:
    explicit CLineChartCtrl2(QWidget* parent = nullptr);

    // A curve's own Y range, maximum first (-1: every curve); a span below 20 becomes 20
    // with max = min + 20. Nothing for an index that is not a curve.
    void SetItemYRange(int item, double max, double min);
    // 1 with the curve's Y maximum and minimum, or 0 (outputs untouched) when item is not
    // a curve.
    int GetItemYRange(int item, double* max, double* min) const;

    // Measuring modes; switching one off removes its two lines.
    void EnableXCursors(bool on);
    void EnableYCursors(bool on);
    // Makes a placed cursor (1 X1, 2 X2, 3 Y1, 4 Y2) follow the mouse until the next
    // button-up; 1 when that cursor is placed, else 0 and no cursor follows.
    int SetDragCursor(int which);

    const ChartCursors& Cursors() const { return m_cursors; }

protected:
    const ChartAxis& CurveYRange(const CLineChartItem& item) const override;
    void PaintOverlay(QPainter& painter) override;
    void CancelDrag() override;

    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void PostDistances(ChartCursors::Changes changes);

    ChartCursors m_cursors;
};
