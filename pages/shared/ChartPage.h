#pragma once

#include "controls/ChartAxis.h"
#include "link/DriveExchange.h"
#include "pages/shared/CapturedDataFile.h"
#include "pages/shared/ControlPage.h"
#include "pages/shared/ChartSamples.h"

#include <QBasicTimer>

#include <span>

class CLineChartCtrl;
class QPushButton;

// What the two chart pages do alike around their chart: the worker's and the chart's
// messages, the mouse read-out and frame timers, the axis texts painted around the chart,
// the samples and their curves, the view redraw, the zoom box switch, the gain reads and
// the captured-data file. A page supplies its controls, its handlers and what differs:
// how a sample message is read, the Y axis and unit it paints, its read-out.
class ChartPage : public ControlPage {
    Q_OBJECT
public:
    static constexpr int IDC_CHART = 1009;
    static constexpr int IDC_ZOOM_BOX = 1150;

    // Sample array i is drawn as chart curve firstCurve + i; the unit painted left of the
    // chart's top is centred in a box unitHalfWidth either side of its corner.
    ChartPage(unsigned idd, int firstCurve, int unitHalfWidth);

    const ChartSamples& Samples() const { return m_samples; }
    // The view buttons and settings, by control id.
    virtual void OnViewButton(int id) = 0;

protected:
    // The page's sample message and the end of its worker (its message for the user).
    virtual LPARAM OnNewSample(WPARAM wParam, LPARAM lParam) = 0;
    virtual LPARAM OnWorkerEnd(const QByteArray& message) = 0;
    virtual LPARAM OnChartNotify(WPARAM wParam, LPARAM kind, const QByteArray& data) = 0;
    virtual void OnReadoutTimer() = 0;
    // The Y axis and the unit painted beside the chart; the Y axis is the chart's own unless
    // the page's curves have their own.
    virtual ChartAxis ShownYAxis() const;
    virtual QString AxisUnit() const = 0;

    // Enters the chart (made by the page) and starts the read-out timer.
    void SetChart(CLineChartCtrl* chart);
    CLineChartCtrl* ChartCtrl() const { return m_chart; }
    // A picture button of the view row that calls OnViewButton with its id.
    QPushButton* AddViewButton(int id, int bitmap, const char* name, int iconSide, QSize size);
    void ToggleZoomBox();
    bool IsZoomBoxOn() const { return m_bZoomBox; }

    // Appends one sample to array `index` and carries it onto its curve.
    void PlotSample(int32_t value, int16_t value2, uint16_t step, int index);
    void ClearSamples() { m_samples.Clear(); }
    // After the worker was stopped: what it posted before it ended belongs to this run and
    // is drawn now; a report of its own end is past news.
    void TakeWorkerPosts();
    // The grid drawn afresh, and the stored samples on it.
    void DrawGrid();
    void ViewChanged();

    // Reads each gain in turn; a gain the drive did not answer keeps its value. The
    // failures are logged with their reason when `withReason`.
    void ReadGainsInto(const LinkTransaction& transact, std::span<const QString> queries, std::span<int> gains,
        bool withReason);
    // Writes the captured-data file; the user is told when it cannot be written.
    void SaveCaptured(const char* page, const QString& folder, std::span<const CapturedColumn> columns);

    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ScheduleRefresh();

    const int m_firstCurve;
    const int m_unitHalfWidth;
    ChartSamples m_samples;
    CLineChartCtrl* m_chart = nullptr;
    QBasicTimer m_readoutTimer;
    QBasicTimer m_refreshTimer;
    bool m_bZoomBox = false;
};
