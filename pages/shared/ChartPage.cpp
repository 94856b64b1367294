#include "pages/shared/ChartPage.h"

#include "controls/CLineChartCtrl.h"
#include "link/LogRing.h"
#include "pages/shared/ChartPageDrawing.h"
#include "platform/MessageBox.h"
#include "platform/Tick.h"
#include "res/MonitorBitmaps.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPainter>
#include <QTimerEvent>

namespace {

constexpr int kReadoutPeriodMs = 100;
// Live samples are drawn at once but shown at most once a frame.
constexpr int kFrameMs = 16;

}

ChartPage::ChartPage(unsigned idd, int firstCurve, int unitHalfWidth)
    : ControlPage(idd, 0)
    , m_firstCurve(firstCurve)
    , m_unitHalfWidth(unitHalfWidth)
{
}

ChartAxis ChartPage::ShownYAxis() const
{
    return m_chart->m_yRange;
}

void ChartPage::SetChart(CLineChartCtrl* chart)
{
    m_chart = chart;
    AddControl(IDC_CHART, chart);
    m_readoutTimer.start(kReadoutPeriodMs, this);
}

QPushButton* ChartPage::AddViewButton(int id, int bitmap, const char* name, int iconSide, QSize size)
{
    QPushButton* button = NewButton(id, "");
    button->setIcon(QIcon(LoadMonitorBitmap(bitmap)));
    button->setIconSize(QSize(iconSide, iconSide));
    button->setFixedSize(size);
    button->setAccessibleName(QString::fromUtf8(name));
    connect(button, &QPushButton::clicked, this, [this, id] { OnViewButton(id); });
    return button;
}

void ChartPage::ToggleZoomBox()
{
    m_bZoomBox = !m_bZoomBox;
    Button(IDC_ZOOM_BOX)->setIcon(QIcon(LoadMonitorBitmap(m_bZoomBox ? IDB_ZOOM_BOX_ON : IDB_ZOOM_BOX_OFF)));
}

void ChartPage::PlotSample(int32_t value, int16_t value2, uint16_t step, int index)
{
    const ChartSamples::Plot plot = m_samples.Append(value, value2, step, GetTickCount(), m_chart->m_xRange, index);
    switch (plot.kind) {
    case ChartSamples::Plot::Kind::MoveTo:
        m_chart->MoveTo(m_firstCurve + index, plot.x, plot.y);
        return;
    case ChartSamples::Plot::Kind::LineTo:
        m_chart->LineTo(m_firstCurve + index, plot.x, plot.y);
        break;
    case ChartSamples::Plot::Kind::PageForward:
        m_chart->m_xRange.min = plot.xMin;
        m_chart->m_xRange.max = plot.xMax;
        DrawGrid();
        // Every curve starts afresh at its newest sample.
        for (int i = 0; i < ChartSamples::kArrays; ++i) {
            const std::vector<RetValue>& samples = m_samples.Array(i);
            if (!samples.empty())
                m_chart->MoveTo(m_firstCurve + i, samples.back().time, samples.back().value);
        }
        break;
    }
    ScheduleRefresh();
}

void ChartPage::TakeWorkerPosts()
{
    QCoreApplication::sendPostedEvents(this, WindowMessage::EventType(WM_NEW_SAMPLE));
    QCoreApplication::removePostedEvents(this, WindowMessage::EventType(WM_MONITOR_END));
}

void ChartPage::DrawGrid()
{
    DrawChartGrid(*m_chart);
    update();
}

void ChartPage::ViewChanged()
{
    DrawGrid();
    ReplotSamples(*m_chart, m_samples, m_firstCurve);
}

void ChartPage::ReadGainsInto(const LinkTransaction& transact, std::span<const QString> queries, std::span<int> gains,
    bool withReason)
{
    for (size_t gain = 0; gain < queries.size(); ++gain) {
        const DriveAnswer answer = LoggedExchange(transact, queries[gain], kDriveReplyBytes, { LogOrder::CommandFirst, withReason });
        if (!answer.value)
            continue;
        PostLogText(answer.Line().constData(), kLogReplyLine, true);
        gains[gain] = *answer.value;
    }
    UpdateData(false);
}

void ChartPage::SaveCaptured(const char* page, const QString& folder, std::span<const CapturedColumn> columns)
{
    QString path;
    QString error;
    if (!SaveCapturedData(page, folder, QDateTime::currentDateTime(), columns, &path, &error))
        ShowBox(QStringLiteral("Cannot save the captured data to %1: %2").arg(path, error), MB_ICONERROR);
}

void ChartPage::ScheduleRefresh()
{
    if (!m_refreshTimer.isActive())
        m_refreshTimer.start(kFrameMs, this);
}

bool ChartPage::event(QEvent* event)
{
    const int message = WindowMessage::MessageOf(event);
    if (message != WM_NEW_SAMPLE && message != WM_MONITOR_END && message != WM_CHART_NOTIFY)
        return ControlPage::event(event);
    auto* m = static_cast<WindowMessage*>(event);
    if (!m_chart)
        return true;
    if (message == WM_NEW_SAMPLE)
        m->SetResult(OnNewSample(m->WParam(), m->LParam()));
    else if (message == WM_MONITOR_END)
        m->SetResult(OnWorkerEnd(m->Data()));
    else
        m->SetResult(OnChartNotify(m->WParam(), m->LParam(), m->Data()));
    return true;
}

void ChartPage::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_readoutTimer.timerId()) {
        OnReadoutTimer();
    } else if (event->timerId() == m_refreshTimer.timerId()) {
        m_refreshTimer.stop();
        m_chart->Refresh();
    } else {
        ControlPage::timerEvent(event);
    }
}

void ChartPage::paintEvent(QPaintEvent* event)
{
    ControlPage::paintEvent(event);
    if (!m_chart)
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    PaintChartAxes(painter, m_chart->geometry(), m_chart->m_xRange, ShownYAxis(), AxisUnit(), m_unitHalfWidth);
}
