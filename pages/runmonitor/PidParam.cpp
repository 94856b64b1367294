#include "pages/runmonitor/PidParam.h"

#include "controls/CLineChartCtrl.h"
#include "link/LogRing.h"
#include "pages/shared/ChartPageDrawing.h"
#include "pages/shared/ChartView.h"
#include "platform/DialogFont.h"
#include "platform/MessageBox.h"
#include "platform/Tick.h"
#include "res/MonitorBitmaps.h"
#include "shell/Globals.h"
#include "shell/ProgramFiles.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {


// Buttons and statics (the edits' ids are in RunMonitorForm.h).
enum : int {
    IDC_RUN = 1019,
    IDC_BRAKE = 1020,
    IDC_GRAPH = 1140,
    IDC_STOP = 1169,
    IDC_RADIO_ABS = 1006,
    IDC_RADIO_REL = 1007,
    IDC_RADIO_VEL = 1167,
    IDC_RADIO_CUR = 1008,
    IDC_CH_POSITION = 1162,
    IDC_CH_VELOCITY = 1157,
    IDC_CH_CURRENT = 1164,
    IDC_CH_COMMAND = 1165,
    IDC_PAN_LEFT = 1195,
    IDC_PAN_RIGHT = 1141,
    IDC_X_BIG = 1142,
    IDC_X_SMALL = 1143,
    IDC_Y_UP = 1144,
    IDC_Y_DOWN = 1145,
    IDC_Y_BIG = 1146,
    IDC_Y_SMALL = 1147,
    IDC_SET_BASELINE = 1199,
    IDC_SET_Y_RANGE = 1148,
    IDC_SET_X_RANGE = 1149,
    IDC_ZERO = 1200,
    IDC_CATCH = 1206,
    IDC_BASELINE_BOTTOM = 1203,
    IDC_BASELINE_CENTER = 1204,
    IDC_READOUT_X = 1024,
    IDC_READOUT_Y = 1025,
    IDC_UNIT_VELOCITY = 1259,
    IDC_UNIT_ABS = 1260,
    IDC_UNIT_REL = 1261,
    IDC_SET_PID = 1017,
    IDC_GET_PID = 1104,
    IDC_SET_ACC = 1187,
    IDC_GET_ACC = 1035,
    IDC_POS_ZERO = 1188,
    IDC_STEP_MODE = 1168,
    IDC_RESET_AXES = 1022,
    IDC_PLAYBACK = 1023,
    IDC_SAVE_DATA = 1105,
};

// Room around the chart for the axis texts the page paints there.
constexpr int kChartLeft = 92;
constexpr int kChartTop = 26;
constexpr int kChartRight = 24;
constexpr int kChartBottom = 30;
constexpr QSize kChartSize(736, 336);
constexpr QSize kPageSize(860, 576);
constexpr int kEditWidth = 72;

constexpr COLORREF kCurveColours[ChartSamples::kArrays] = { 0x0000FF, 0xFF0000, 0x00FF00, 0xFFFFFF };

// Controls that monitoring locks, and that the brake frees.
const std::initializer_list<int> kLockedWhileMonitoring = { IDC_GET_PID, IDC_GET_ACC, IDC_CH_POSITION,
    IDC_CH_VELOCITY, IDC_CH_CURRENT, IDC_CH_COMMAND, IDC_POS_ZERO, IDC_SET_PID, IDC_SET_ACC };
const std::initializer_list<int> kFreedByBrake = { IDC_SET_ACC, IDC_SET_PID, IDC_POS_ZERO, IDC_STEP_MODE,
    IDC_RADIO_VEL, IDC_RADIO_ABS, IDC_RADIO_REL, IDC_RADIO_CUR };
const std::initializer_list<int> kRunModeRadios = { IDC_RADIO_VEL, IDC_RADIO_ABS, IDC_RADIO_REL, IDC_RADIO_CUR };

// The polling thread on what the context provides, at the system tick count.
MonitorThread::Services ServicesOf(const DriveContext& context)
{
    return { context.transact, [] { return GetTickCount(); }, context.pollPause, MonitorThread::kPauseMs };
}

} // namespace

CPidParam::CPidParam()
    : ChartPage(IDD, 0, 40)
    , m_control(this)
{
    setWindowTitle(QStringLiteral("运行监测"));
    SetServices(ServicesOf(Context()));
}

CPidParam::~CPidParam()
{
    // The thread posts to this page: it ends before the page does.
    m_control.StopPolling();
}

void CPidParam::SetServices(MonitorThread::Services services)
{
    m_control.SetServices(std::move(services));
}

void CPidParam::OnClicked(int id, void (CPidParam::*handler)())
{
    connect(Button(id), &QAbstractButton::clicked, this, handler);
}

QButtonGroup* CPidParam::AddRadioGroup(QGridLayout* grid, const int* ids, const char* const* texts, int count,
    int column, int RunMonitorForm::*member)
{
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < count; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(texts[i]));
        AddControl(ids[i], radio);
        group->addButton(radio, i);
        grid->addWidget(radio, i, column);
    }
    // A click takes the choice into the form at once; the unit painted may change with it.
    connect(group, &QButtonGroup::idClicked, this, [this, member](int choice) {
        m_form.*member = choice;
        update();
    });
    return group;
}

void CPidParam::CreateControls()
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 6, 8, 6);
    page->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    page->addLayout(top);

    auto edit = [this](int id) { return NewEdit(id, kEditWidth); };
    auto button = [this](int id, const char* text) { return NewButton(id, text); };
    auto label = [this](int id, const char* text) { return NewLabel(id, text); };

    // The run: a mode, its target and the Run and Brake buttons.
    auto* runBox = new QGroupBox;
    auto* run = new QGridLayout(runBox);
    const int runIds[] = { IDC_RADIO_ABS, IDC_RADIO_REL, IDC_RADIO_VEL, IDC_RADIO_CUR };
    const char* const runTexts[] = { "Absolute P", "Relative P", "Velocity", "Current" };
    m_runModeGroup = AddRadioGroup(run, runIds, runTexts, 4, 0, &RunMonitorForm::runMode);
    const int targets[] = { IDC_ABS_TARGET, IDC_REL_TARGET, IDC_VEL_TARGET, IDC_CUR_TARGET };
    const int units[] = { IDC_UNIT_ABS, IDC_UNIT_REL, IDC_UNIT_VELOCITY, 0 };
    for (int i = 0; i < 4; ++i) {
        run->addWidget(edit(targets[i]), i, 1);
        QLabel* unit = label(units[i], i == 3 ? "mA" : "");
        unit->setMinimumWidth(28);
        run->addWidget(unit, i, 2);
    }
    QPushButton* runButton = button(IDC_RUN, "Run");
    QPushButton* brakeButton = button(IDC_BRAKE, "Brake");
    for (QPushButton* b : { runButton, brakeButton })
        b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    run->addWidget(runButton, 0, 3, 2, 1);
    run->addWidget(brakeButton, 2, 3, 2, 1);
    top->addWidget(runBox);

    // What is monitored, and Graph with Stop on top of it.
    auto* monitorBox = new QGroupBox;
    auto* monitor = new QGridLayout(monitorBox);
    const int channelIds[] = { IDC_CH_POSITION, IDC_CH_VELOCITY, IDC_CH_CURRENT, IDC_CH_COMMAND };
    const char* const channelTexts[] = { "Position", "Velocity", "Current", "Cmd." };
    m_channelGroup = AddRadioGroup(monitor, channelIds, channelTexts, 4, 0, &RunMonitorForm::channel);
    monitor->addWidget(edit(IDC_USER_QUERY), 3, 1);
    QPushButton* graph = button(IDC_GRAPH, "Graph");
    QPushButton* stop = button(IDC_STOP, "Stop");
    for (QPushButton* b : { graph, stop }) {
        b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        monitor->addWidget(b, 0, 1, 3, 1);
    }
    stop->hide();
    top->addWidget(monitorBox);

    // The Y scale and the X span.
    auto* scaleBox = new QGroupBox;
    auto* scale = new QGridLayout(scaleBox);
    const struct {
        int edit;
        int set;
        const char* text;
    } scaleRows[] = { { IDC_Y_BASELINE, IDC_SET_BASELINE, "Y_baseline" }, { IDC_Y_RANGE, IDC_SET_Y_RANGE, "Y_range" },
        { IDC_X_RANGE, IDC_SET_X_RANGE, "X_range" } };
    for (int row = 0; row < 3; ++row) {
        scale->addWidget(label(0, scaleRows[row].text), row, 0);
        scale->addWidget(edit(scaleRows[row].edit), row, 1);
        scale->addWidget(button(scaleRows[row].set, "Set"), row, 2);
    }
    const int baselineIds[] = { IDC_BASELINE_BOTTOM, IDC_BASELINE_CENTER };
    const char* const baselineTexts[] = { "bottom", "center" };
    m_baselineGroup = AddRadioGroup(scale, baselineIds, baselineTexts, 2, 3, &RunMonitorForm::baselineMode);
    top->addWidget(scaleBox);
    top->addStretch(1);

    // The chart, with room around it for the axis texts.
    page->addSpacing(kChartTop);
    auto* chartRow = new QHBoxLayout;
    chartRow->addSpacing(kChartLeft);
    auto* chart = new CLineChartCtrl(this);
    chart->setFixedSize(kChartSize);
    SetChart(chart);
    chartRow->addWidget(chart);
    chartRow->addSpacing(kChartRight);
    chartRow->addStretch(1);
    page->addLayout(chartRow);
    page->addSpacing(kChartBottom);

    // The view buttons and the mouse read-out.
    auto* view = new QHBoxLayout;
    view->setSpacing(3);
    auto picture = [&](int id, int bitmap, const char* name) {
        view->addWidget(AddViewButton(id, bitmap, name, 24, QSize(32, 30)));
    };
    // Per axis: its two pans, then Big and Small.
    const struct {
        const char* axis;
        int ids[4];
        int pans[2];
        const char* panNames[2];
    } axes[] = { { "X", { IDC_PAN_LEFT, IDC_PAN_RIGHT, IDC_X_BIG, IDC_X_SMALL }, { IDB_PAN_LEFT, IDB_PAN_RIGHT }, { "←", "→" } },
        { "Y", { IDC_Y_UP, IDC_Y_DOWN, IDC_Y_BIG, IDC_Y_SMALL }, { IDB_PAN_UP, IDB_PAN_DOWN }, { "↑", "↓" } } };
    for (const auto& axis : axes) {
        view->addWidget(label(0, axis.axis));
        const int bitmaps[] = { axis.pans[0], axis.pans[1], IDB_ZOOM_IN, IDB_ZOOM_OUT };
        const char* const names[] = { axis.panNames[0], axis.panNames[1], "Big", "Small" };
        for (int i = 0; i < 4; ++i)
            picture(axis.ids[i], bitmaps[i], names[i]);
        view->addSpacing(12);
    }
    picture(IDC_ZOOM_BOX, IDB_ZOOM_BOX_OFF, "Big");
    for (auto [id, text] : { std::pair { IDC_ZERO, "Zero" }, std::pair { IDC_CATCH, "Catch" } }) {
        QPushButton* b = button(id, text);
        b->setFixedHeight(30);
        view->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, id = id] { OnViewButton(id); });
    }
    view->addStretch(1);
    for (auto [id, text] : { std::pair { IDC_READOUT_X, "X" }, std::pair { IDC_READOUT_Y, "Y" } }) {
        view->addWidget(label(0, text));
        QLineEdit* readout = edit(id);
        readout->setReadOnly(true);
        view->addWidget(readout);
    }
    view->addSpacing(kChartRight);
    page->addLayout(view);
    page->addStretch(1);

    // Kept hidden: the gain group, the acceleration and position-zero buttons, step mode,
    // the axis reset with its edits, playback and saving.
    auto* gains = new QGroupBox(QStringLiteral("调整参数"), this);
    gains->setObjectName(QStringLiteral("gainGroup"));
    for (int id : { IDC_GAIN_A, IDC_GAIN_P, IDC_GAIN_I, IDC_GAIN_D, IDC_GAIN_MP, IDC_GAIN_MK })
        edit(id)->setParent(gains);
    button(IDC_SET_PID, "设置PID")->setParent(gains);
    button(IDC_GET_PID, "获取PID")->setParent(gains);
    gains->hide();
    for (auto [id, text] : { std::pair { IDC_SET_ACC, "设 置" }, std::pair { IDC_GET_ACC, "获 取" },
             std::pair { IDC_POS_ZERO, "PO" }, std::pair { IDC_STEP_MODE, "步进模式" },
             std::pair { IDC_RESET_AXES, "坐标重置" }, std::pair { IDC_PLAYBACK, "回放" },
             std::pair { IDC_SAVE_DATA, "保存数据" } }) {
        QPushButton* b = button(id, text);
        b->setParent(this);
        b->hide();
    }
    for (int id : { IDC_RESET_Y_MAX, IDC_RESET_Y_MIN, IDC_RESET_X_MIN, IDC_RESET_X_MAX }) {
        QLineEdit* line = edit(id);
        line->setParent(this);
        line->hide();
    }
    GetDlgItem(IDC_SAVE_DATA)->setEnabled(false);

    OnClicked(IDC_RUN, &CPidParam::OnRun);
    OnClicked(IDC_BRAKE, &CPidParam::OnBrake);
    OnClicked(IDC_GRAPH, &CPidParam::OnGraph);
    OnClicked(IDC_STOP, &CPidParam::OnStop);
    OnClicked(IDC_SET_PID, &CPidParam::OnSetPid);
    OnClicked(IDC_GET_PID, &CPidParam::OnGetPid);
    OnClicked(IDC_SET_ACC, &CPidParam::OnSetAcc);
    OnClicked(IDC_GET_ACC, &CPidParam::OnGetAcc);
    OnClicked(IDC_POS_ZERO, &CPidParam::OnPosZero);
    OnClicked(IDC_RESET_AXES, &CPidParam::OnResetAxes);
    OnClicked(IDC_PLAYBACK, &CPidParam::OnPlayback);
    OnClicked(IDC_SAVE_DATA, &CPidParam::OnSaveData);
    for (int id : { IDC_SET_BASELINE, IDC_SET_Y_RANGE, IDC_SET_X_RANGE })
        connect(Button(id), &QAbstractButton::clicked, this, [this, id] { OnViewButton(id); });
}

bool CPidParam::OnInitDialog()
{
    setFont(DialogTemplateFont());
    CreateControls();
    resize(kPageSize);
    Chart()->InitMemDC();
    for (COLORREF colour : kCurveColours)
        Chart()->AddItem(colour);
    Chart()->SetYRange(1000, -1000);
    Chart()->SetXRange(0, 20000);
    m_form.runMode = RUN_ABSOLUTE_POSITION;
    DrawGrid();
    UpdateData(false);
    return true;
}

void CPidParam::SetDriveContext(const DriveContext& context)
{
    CPropertyViewPage::SetDriveContext(context);
    SetServices(ServicesOf(Context()));
}

bool CPidParam::DoDataExchange(bool saveAndValidate)
{
    if (!HasControls())
        return true;
    if (saveAndValidate) {
        // What the user sees is checked; the hidden edits are taken by their own actions.
        for (int id : MonitorFieldIds()) {
            if (!IsHiddenField(id) && !TakeField(id))
                return false;
        }
        return true;
    }
    for (int id : MonitorFieldIds())
        SetText(id, FieldText(m_form, id));
    CheckRadios({ { m_runModeGroup, m_form.runMode }, { m_channelGroup, m_form.channel },
        { m_baselineGroup, m_form.baselineMode } });
    return true;
}

bool CPidParam::TakeField(int id)
{
    return TakeEdit(id, [this, id](const QString& text) { return ::TakeField(m_form, id, text); });
}

bool CPidParam::TakeFields(std::initializer_list<int> ids)
{
    for (int id : ids) {
        if (!TakeField(id))
            return false;
    }
    return true;
}

void CPidParam::OnRun()
{
    // Stopping the motor asks nothing of the form nor of the connected flag.
    if (m_control.IsRunHeld()) {
        StopRun();
        return;
    }
    const int mode = m_form.runMode;
    if (!CheckConnected() || !TakeField(TargetFieldOf(mode)))
        return;
    switch (m_control.StartRun(mode, TargetOf(m_form, mode))) {
    case RunMonitorController::RunStart::Moved:
        Button(IDC_RUN)->setText(QStringLiteral("Run"));
        break;
    case RunMonitorController::RunStart::Held:
        Button(IDC_RUN)->setText(QStringLiteral("Stop"));
        EnableControls(kRunModeRadios, false);
        break;
    case RunMonitorController::RunStart::Refused:
        break;
    }
}

void CPidParam::StopRun()
{
    if (const std::optional<QString> failure = m_control.StopRun()) {
        ShowBox(*failure, MB_ICONERROR);
        return;
    }
    Button(IDC_RUN)->setText(QStringLiteral("Run"));
    EnableControls(kRunModeRadios, true);
}

void CPidParam::OnBrake()
{
    if (!CheckConnected() || !m_control.ToggleBrake())
        return;
    Button(IDC_RUN)->setText(QStringLiteral("Run"));
    if (Context().statusPane)
        Context().statusPane(QStringLiteral("Stop"));
    EnableControls(kFreedByBrake, true);
    Button(IDC_BRAKE)->setText(BrakeToggleCaption(m_control.IsBrakeSet()));
}

void CPidParam::OnGraph()
{
    if (!CheckConnected())
        return;
    QString query = ChannelQuery(m_form.channel);
    if (m_form.channel == CHANNEL_COMMAND) {
        if (!TakeField(IDC_USER_QUERY))
            return;
        const UserQuery user = CheckUserQuery(m_form.userQuery);
        if (user.verdict == UserQuery::Verdict::Empty)
            return;
        if (user.verdict != UserQuery::Verdict::Ok) {
            ShowBox(user.message, MB_ICONERROR);
            return;
        }
        query = user.command;
    }
    if (!m_control.StartPolling(query))
        return; // the page stays idle, also when no thread can be made
    if (Context().statusPane)
        Context().statusPane(QStringLiteral("开始监测"));
    ClearSamples();
    EnableControls(kLockedWhileMonitoring, false);
    GetDlgItem(IDC_GRAPH)->hide();
    GetDlgItem(IDC_STOP)->show();
    if (Chart()->m_xRange.min > 0.000001)
        Chart()->SetXRange(0, Chart()->m_xRange.span);
    DrawGrid();
}

void CPidParam::OnStop()
{
    // Stopping the polling never waits for a drive to count as connected.
    StopMonitoring();
}

void CPidParam::StopMonitoring()
{
    m_control.StopPolling();
    TakeWorkerPosts();
    EnableControls(kLockedWhileMonitoring, true);
    GetDlgItem(IDC_GRAPH)->show();
    GetDlgItem(IDC_STOP)->hide();
}

void CPidParam::OnSetPid()
{
    if (!CheckConnected()
        || !TakeFields({ IDC_GAIN_P, IDC_GAIN_I, IDC_GAIN_D, IDC_GAIN_A, IDC_GAIN_MP, IDC_GAIN_MK }))
        return;
    for (const QString& command : GainWriteCommands(m_form.gains))
        LoggedExchange(m_control.Transaction(), command);
}

void CPidParam::OnGetPid()
{
    if (CheckConnected())
        ReadGains();
}

void CPidParam::OnSetAcc()
{
    if (CheckConnected() && TakeField(IDC_GAIN_A))
        LoggedExchange(m_control.Transaction(), QStringLiteral("A%1\r").arg(m_form.gains[GAIN_A]));
}

void CPidParam::OnGetAcc()
{
    if (!CheckConnected())
        return;
    const DriveAnswer answer = LoggedExchange(m_control.Transaction(), QStringLiteral("GA\r"));
    if (answer.value) {
        PostLogText(answer.Line().constData(), kLogReplyLine, true);
        m_form.gains[GAIN_A] = *answer.value;
        SetText(IDC_GAIN_A, QString::number(*answer.value));
    }
}

void CPidParam::OnPosZero()
{
    if (CheckConnected())
        LoggedExchange(m_control.Transaction(), QStringLiteral("PO0\r"));
}

void CPidParam::ReadGains()
{
    ReadGainsInto(m_control.Transaction(), GainQueries(), m_form.gains, true);
}

void CPidParam::OnResetAxes()
{
    if (!TakeFields({ IDC_RESET_Y_MAX, IDC_RESET_Y_MIN, IDC_RESET_X_MIN, IDC_RESET_X_MAX }))
        return;
    ResetAxes(Chart()->m_xRange, Chart()->m_yRange, m_form.resetYMax, m_form.resetYMin, m_form.resetXMin,
        m_form.resetXMax);
    ViewChanged();
}

void CPidParam::OnPlayback()
{
    ReplotSamples(*Chart(), Samples(), 0);
}

void CPidParam::OnSaveData()
{
    // The page fills array 0 with the quantity it polls; the file names that quantity.
    const CapturedColumn column { ChannelHeading(m_form.channel, m_form.userQuery), &Samples().Array(0) };
    SaveCaptured(kCapturedByRunMonitor, GetWritableFolderPath(), { &column, 1 });
}

void CPidParam::OnViewButton(int id)
{
    ChartAxis& x = Chart()->m_xRange;
    ChartAxis& y = Chart()->m_yRange;
    const int baseline = m_form.baselineMode;
    bool changed = false;
    std::optional<QString> refusal;
    switch (id) {
    case IDC_PAN_LEFT: changed = PanLeft(x); break;
    case IDC_PAN_RIGHT: changed = PanRight(x); break;
    case IDC_X_BIG: changed = ZoomInX(x); break;
    case IDC_X_SMALL: changed = ZoomOutX(x); break;
    case IDC_Y_UP: changed = MoveViewDown(y); break;
    case IDC_Y_DOWN: changed = MoveViewUp(y); break;
    case IDC_Y_BIG: changed = ZoomInY(y, baseline); break;
    case IDC_Y_SMALL: changed = ZoomOutY(y, baseline); break;
    case IDC_ZERO: changed = ZeroView(x, y, baseline); break;
    case IDC_CATCH: changed = CatchLast(x, y, Samples().Array(0)); break;
    case IDC_SET_BASELINE:
        changed = TakeField(IDC_Y_BASELINE) && SetBaseline(y, baseline, m_form.yBaseline);
        break;
    case IDC_SET_Y_RANGE:
        if (!TakeField(IDC_Y_RANGE))
            return;
        refusal = SetYSpan(y, baseline, m_form.yRange);
        changed = !refusal;
        break;
    case IDC_SET_X_RANGE:
        if (!TakeField(IDC_X_RANGE))
            return;
        refusal = SetXSpan(x, m_form.xRange);
        changed = !refusal;
        break;
    case IDC_ZOOM_BOX:
        ToggleZoomBox();
        return;
    default:
        return;
    }
    if (refusal)
        ShowBox(*refusal, MB_ICONWARNING);
    if (changed)
        ViewChanged();
}

LPARAM CPidParam::OnNewSample(WPARAM wParam, LPARAM lParam)
{
    PlotSample(static_cast<int32_t>(static_cast<uint32_t>(wParam)), static_cast<int16_t>(LOWORD(lParam)), HIWORD(lParam), 0);
    return 0;
}

LPARAM CPidParam::OnWorkerEnd(const QByteArray& message)
{
    StopMonitoring();
    ShowBox(QString::fromUtf8(message), MB_ICONERROR);
    return 0;
}

LPARAM CPidParam::OnChartNotify(WPARAM, LPARAM kind, const QByteArray& data)
{
    ChartZoomRect box;
    if (kind != CHART_NOTIFY_ZOOM || !IsZoomBoxOn() || !ChartZoomRect::FromData(data, &box))
        return -1;
    const int result = ZoomToBox(Chart()->m_xRange, Chart()->m_yRange, box);
    if (result == 0)
        ViewChanged();
    return result;
}

void CPidParam::OnReadoutTimer()
{
    double fx = 0.0;
    double fy = 0.0;
    Chart()->GetMousePos(&fx, &fy);
    SetText(IDC_READOUT_X, QString::number(ReadoutValue(Chart()->m_xRange, fx)));
    SetText(IDC_READOUT_Y, QString::number(ReadoutValue(Chart()->m_yRange, fy)));
}

QString CPidParam::AxisUnit() const
{
    return ChannelUnit(m_form.channel);
}

LPARAM CPidParam::OnPageLeaving()
{
    if (m_control.IsPolling() || m_control.IsThreadRunning())
        StopMonitoring();
    return 0;
}

LPARAM CPidParam::OnPageActivated()
{
    if (g_bDriveConnected.load())
        ReadGains();
    return 0;
}

LPARAM CPidParam::OnPageInit()
{
    SetText(IDC_UNIT_VELOCITY, QStringLiteral("RPM"));
    SetText(IDC_UNIT_ABS, QString());
    SetText(IDC_UNIT_REL, QString());
    return 0;
}
