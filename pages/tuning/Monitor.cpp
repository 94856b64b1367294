#include "pages/tuning/Monitor.h"

#include "controls/CLineChartCtrl2.h"
#include "link/LogRing.h"
#include "pages/shared/ChartView.h"
#include "pages/tuning/SelAdjustObject.h"
#include "pages/tuning/TuningCommands.h"
#include "pages/tuning/TuningView.h"
#include "platform/DialogFont.h"
#include "platform/MessageBox.h"
#include "platform/Tick.h"
#include "res/MonitorBitmaps.h"
#include "shell/Globals.h"
#include "shell/ProgramFiles.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace {

enum : int {
    IDC_SET_PID = 1017,
    IDC_GET_PID = 1104,
    IDC_POSITION_ZERO = 1248,
    IDC_X_LEFT = 1195,
    IDC_X_RIGHT = 1141,
    IDC_X_ZOOM_IN = 1142,
    IDC_X_ZOOM_OUT = 1143,
    IDC_SHIFT_UP = 1144,
    IDC_SHIFT_DOWN = 1145,
    IDC_FEEDBACK_ZOOM_IN = 1146,
    IDC_FEEDBACK_ZOOM_OUT = 1147,
    IDC_ERROR_ZOOM_IN = 1152,
    IDC_ERROR_ZOOM_OUT = 1153,
    IDC_SET_Y_BASE = 1199,
    IDC_SET_Y_SPAN = 1148,
    IDC_SET_X_SPAN = 1149,
    IDC_CHECK_FEEDBACK = 1244,
    IDC_CHECK_POS_ERROR = 1245,
    IDC_CHECK_COMMAND = 1170,
    IDC_CHECK_VEL_ERROR = 1247,
    IDC_CURVE_FIRST = 1284,
    IDC_SHAPE_TRIANGLE = 1242,
    IDC_SHAPE_SINE = 1243,
    IDC_SHAPE_SQUARE = 1246,
    IDC_YREF_BOTTOM = 1203,
    IDC_YREF_CENTRE = 1204,
    IDC_MARK_X = 1276,
    IDC_CANCEL_X = 1277,
    IDC_MARK_Y = 1278,
    IDC_CANCEL_Y = 1279,
    IDC_ADJUST_MARKER = 1273,
    IDC_X_CAPTION = 1274,
    IDC_Y_CAPTION = 1275,
    IDC_READOUT_X = 1024,
    IDC_READOUT_Y = 1025,
    IDC_READOUT_MRAD = 1026,
    IDC_AMPLITUDE_UNIT = 1258,
    IDC_OFFSET_UNIT = 1288,
};

constexpr COLORREF kCurveColours[CMonitor::kCurves + 1] = { 0x000000, 0x0000FF, 0xFF0000, 0xFF00FF, 0xFFFF00 };
constexpr QSize kChartSize(640, 380);
constexpr int kChartLeft = 92;
constexpr int kEditWidth = 52;

// What a running wave locks: the gains, position zero and the wave's own settings.
const std::initializer_list<int> kWaveControls = { IDC_SET_PID, IDC_GET_PID, IDC_POSITION_ZERO, IDC_SHAPE_TRIANGLE,
    IDC_SHAPE_SINE, IDC_SHAPE_SQUARE, IDC_TUNE_AMPLITUDE, IDC_TUNE_PERIOD, IDC_TUNE_OFFSET };
// What sampling locks and its stop gives back: the curve checks and the markers. The hidden
// velocity-error check is locked with them but given back only by leaving the page.
const std::initializer_list<int> kSamplingControls = { IDC_CHECK_FEEDBACK, IDC_CHECK_POS_ERROR, IDC_CHECK_COMMAND,
    IDC_ADJUST_MARKER, IDC_MARK_X, IDC_CANCEL_X, IDC_MARK_Y, IDC_CANCEL_Y };

QPixmap Legend(COLORREF colour)
{
    QPixmap pixmap(18, 10);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(ColorFromRef(colour), 2));
    painter.drawLine(1, 5, 17, 5);
    return pixmap;
}

}

CMonitor::CMonitor()
    : ChartPage(IDD, 1, 60)
    , m_control(this)
{
    setWindowTitle(QStringLiteral("PID调试"));
    SetServices(Context().transact, Context().pollPause);
    // Closing the program while the wave runs stops it on the drive, while the link is
    // still open.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &CMonitor::StopOnExit);
}

CMonitor::~CMonitor()
{
    StopOnExit();
}

void CMonitor::StopOnExit()
{
    // A wave the page started does not outlive the page that shows it; nobody is left to
    // be told.
    m_control.StopOnExit();
    m_hostWaveTimer.stop();
}

void CMonitor::SetServices(LinkTransaction transact, PollPause sampling, int settleMs)
{
    m_control.SetServices(std::move(transact), std::move(sampling), settleMs);
}

void CMonitor::CreateControls()
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 6, 8, 6);
    page->setSpacing(4);

    auto edit = [this](int id) { return NewEdit(id, kEditWidth); };
    auto button = [this](int id, const char* text) { return NewButton(id, text); };
    auto label = [this](int id, const char* text) { return NewLabel(id, text); };
    auto picture = [this](int id, int bitmap, const char* name) {
        return AddViewButton(id, bitmap, name, 22, QSize(30, 28));
    };
    auto clicked = [this](int id, void (CMonitor::*handler)()) {
        connect(Button(id), &QAbstractButton::clicked, this, handler);
    };

    // Readouts, markers, the selected curve and the X buttons.
    auto* top = new QHBoxLayout;
    top->addSpacing(8);
    for (auto [caption, id, text] : { std::tuple { IDC_X_CAPTION, IDC_READOUT_X, "X间距" },
             std::tuple { IDC_Y_CAPTION, IDC_READOUT_Y, "Y间距" } }) {
        top->addWidget(label(caption, text));
        QLineEdit* readout = edit(id);
        readout->setReadOnly(true);
        top->addWidget(readout);
    }
    top->addWidget(label(0, "—"));
    edit(IDC_READOUT_MRAD)->setReadOnly(true);
    top->addWidget(GetDlgItem(IDC_READOUT_MRAD));
    top->addWidget(label(0, "mrad"));
    top->addSpacing(8);
    for (auto [id, text] : { std::pair { IDC_MARK_X, "标记X轴间距" }, std::pair { IDC_CANCEL_X, "取消X轴标记" },
             std::pair { IDC_MARK_Y, "标记Y轴间距" }, std::pair { IDC_CANCEL_Y, "取消Y轴标记" },
             std::pair { IDC_ADJUST_MARKER, "调整标记" } })
        top->addWidget(button(id, text));
    GetDlgItem(IDC_CANCEL_X)->hide();
    GetDlgItem(IDC_CANCEL_Y)->hide();
    top->addStretch(1);
    m_curveGroup = new QButtonGroup(this);
    for (int i = 0; i < kCurves; ++i) {
        auto* radio = new QRadioButton;
        AddControl(IDC_CURVE_FIRST + i, radio);
        m_curveGroup->addButton(radio, i);
        auto* legend = new QLabel;
        legend->setPixmap(Legend(kCurveColours[i + 1]));
        top->addWidget(radio);
        top->addWidget(legend);
        if (i == CURVE_VEL_ERROR) {
            radio->setEnabled(false);
            radio->hide();
            legend->hide();
        }
    }
    connect(m_curveGroup, &QButtonGroup::idClicked, this, [this](int) {
        if (UpdateData(true))
            update();
    });
    top->addSpacing(8);
    top->addWidget(picture(IDC_X_LEFT, IDB_PAN_LEFT, "←"));
    top->addWidget(picture(IDC_X_RIGHT, IDB_PAN_RIGHT, "→"));
    top->addWidget(picture(IDC_X_ZOOM_IN, IDB_ZOOM_IN, "＋"));
    top->addWidget(picture(IDC_X_ZOOM_OUT, IDB_ZOOM_OUT, "Small"));
    page->addLayout(top);

    // The chart with room for the axis texts, and the Y buttons at its right.
    page->addSpacing(22);
    auto* middle = new QHBoxLayout;
    middle->addSpacing(kChartLeft);
    m_chart = new CLineChartCtrl2(this);
    m_chart->setFixedSize(kChartSize);
    SetChart(m_chart);
    middle->addWidget(m_chart);
    middle->addSpacing(24);
    auto* yButtons = new QVBoxLayout;
    yButtons->addWidget(picture(IDC_SHIFT_UP, IDB_PAN_UP, "↑"));
    yButtons->addWidget(picture(IDC_SHIFT_DOWN, IDB_PAN_DOWN, "↓"));
    yButtons->addSpacing(10);
    yButtons->addWidget(label(0, "反馈"));
    yButtons->addWidget(picture(IDC_FEEDBACK_ZOOM_IN, IDB_ZOOM_IN, "Big"));
    yButtons->addWidget(picture(IDC_FEEDBACK_ZOOM_OUT, IDB_ZOOM_OUT, "Small"));
    yButtons->addSpacing(10);
    yButtons->addWidget(label(0, "误差"));
    yButtons->addWidget(picture(IDC_ERROR_ZOOM_IN, IDB_ZOOM_IN, "Big"));
    yButtons->addWidget(picture(IDC_ERROR_ZOOM_OUT, IDB_ZOOM_OUT, "Small"));
    yButtons->addStretch(1);
    middle->addLayout(yButtons);
    middle->addStretch(1);
    page->addLayout(middle);
    page->addSpacing(28);

    // The settings groups.
    auto* bottom = new QHBoxLayout;
    auto* gainBox = new QGroupBox(QStringLiteral("调整参数"));
    auto* gains = new QGridLayout(gainBox);
    const std::pair<int, const char*> gainRows[] = { { IDC_TUNE_SPEED_P, "速P" }, { IDC_TUNE_SPEED_I, "速I" },
        { IDC_TUNE_SPEED_D, "速D" }, { IDC_TUNE_A, "A" }, { IDC_TUNE_POS_P, "位P" }, { IDC_TUNE_POS_K, "位K" },
        { IDC_TUNE_KT, "KT" } };
    int row = 0;
    for (auto [id, text] : gainRows) {
        gains->addWidget(label(0, text), row / 2, (row % 2) * 2);
        gains->addWidget(edit(id), row / 2, (row % 2) * 2 + 1);
        ++row;
    }
    gains->addWidget(button(IDC_SET_PID, "设置"), 4, 0, 1, 2);
    gains->addWidget(button(IDC_GET_PID, "获取"), 4, 2, 1, 2);
    bottom->addWidget(gainBox);

    auto* waveBox = new QGroupBox(QStringLiteral("运行参数"));
    auto* wave = new QGridLayout(waveBox);
    m_shapeGroup = new QButtonGroup(this);
    const std::pair<int, const char*> shapes[] = { { IDC_SHAPE_TRIANGLE, "三角形" }, { IDC_SHAPE_SINE, "正弦波" },
        { IDC_SHAPE_SQUARE, "方波" } };
    auto* shapeRow = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(shapes[i].second));
        AddControl(shapes[i].first, radio);
        m_shapeGroup->addButton(radio, i);
        shapeRow->addWidget(radio);
    }
    wave->addLayout(shapeRow, 0, 0, 1, 3);
    const std::tuple<int, const char*, int, const char*> waveRows[] = {
        { IDC_TUNE_AMPLITUDE, "振幅", IDC_AMPLITUDE_UNIT, "0.01度(1~65535)" },
        { IDC_TUNE_PERIOD, "周期", 0, "10ms(1~65535)" },
        { IDC_TUNE_OFFSET, "上下平移", IDC_OFFSET_UNIT, "0.01度" },
    };
    row = 1;
    for (auto [id, text, unitId, unit] : waveRows) {
        wave->addWidget(label(0, text), row, 0);
        wave->addWidget(edit(id), row, 1);
        wave->addWidget(label(unitId, unit), row, 2);
        ++row;
    }
    bottom->addWidget(waveBox);

    auto* watchBox = new QGroupBox(QStringLiteral("监测参数"));
    auto* watch = new QGridLayout(watchBox);
    const std::tuple<int, const char*, int> checks[] = { { IDC_CHECK_FEEDBACK, "位置反馈", 1 },
        { IDC_CHECK_POS_ERROR, "位置误差", 2 }, { IDC_CHECK_COMMAND, "位置指令", 3 },
        { IDC_CHECK_VEL_ERROR, "速度误差", 4 } };
    row = 0;
    for (auto [id, text, curve] : checks) {
        auto* check = new QCheckBox(QString::fromUtf8(text));
        AddControl(id, check);
        auto* legend = new QLabel;
        legend->setPixmap(Legend(kCurveColours[curve]));
        watch->addWidget(check, row, 0);
        watch->addWidget(legend, row, 1);
        connect(check, &QCheckBox::clicked, this, [this, id = id] { OnCurveCheck(id); });
        if (id == IDC_CHECK_VEL_ERROR) {
            check->hide();
            check->setEnabled(false);
            legend->hide();
        }
        ++row;
    }
    watch->addWidget(button(IDC_RUN_MONITOR, "开始运行"), 0, 2, 2, 1);
    watch->addWidget(button(IDC_POSITION_ZERO, "位置归零"), 2, 2);
    bottom->addWidget(watchBox);

    auto* axisBox = new QGroupBox;
    auto* axis = new QGridLayout(axisBox);
    axis->addWidget(label(0, "Y轴基准"), 0, 0);
    m_yRefGroup = new QButtonGroup(this);
    auto* refRow = new QHBoxLayout;
    for (auto [id, text, index] : { std::tuple { IDC_YREF_BOTTOM, "底线", 0 }, std::tuple { IDC_YREF_CENTRE, "中心", 1 } }) {
        auto* radio = new QRadioButton(QString::fromUtf8(text));
        AddControl(id, radio);
        m_yRefGroup->addButton(radio, index);
        refRow->addWidget(radio);
    }
    axis->addLayout(refRow, 0, 1, 1, 2);
    const std::tuple<int, int, const char*> axisRows[] = { { IDC_TUNE_Y_BASE, IDC_SET_Y_BASE, "Y轴基线" },
        { IDC_TUNE_Y_SPAN, IDC_SET_Y_SPAN, "Y轴跨度" }, { IDC_TUNE_X_SPAN, IDC_SET_X_SPAN, "X轴跨度" } };
    row = 1;
    // The spans take digits only.
    const auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    for (auto [editId, setId, text] : axisRows) {
        axis->addWidget(label(0, text), row, 0);
        QLineEdit* line = edit(editId);
        axis->addWidget(line, row, 1);
        if (editId != IDC_TUNE_Y_BASE)
            line->setValidator(digits);
        QPushButton* set = button(setId, "设置");
        axis->addWidget(set, row, 2);
        connect(set, &QPushButton::clicked, this, [this, id = setId] { OnViewButton(id); });
        ++row;
    }
    GetDlgItem(IDC_TUNE_Y_BASE)->setEnabled(false);
    bottom->addWidget(axisBox);
    bottom->addStretch(1);
    page->addLayout(bottom);
    page->addStretch(1);

    // Held hidden and disabled: nothing on the page shows them.
    for (auto [id, text] : { std::pair { IDC_SAVE_DATA, "保存数据" }, std::pair { IDC_HOST_WAVE, "开始运行" },
             std::pair { IDC_START_MONITOR, "开始监测" }, std::pair { IDC_CATCH, "捕捉" },
             std::pair { IDC_ZERO, "归零" }, std::pair { IDC_MARK_X_CHECK, "标记X轴间距" },
             std::pair { IDC_MARK_Y_CHECK, "标记Y轴间距" } })
        button(id, text);
    picture(IDC_ZOOM_BOX, IDB_ZOOM_BOX_OFF, "Big");
    AddControl(IDC_CMD_CORRECTION, new QCheckBox(QStringLiteral("位置指令修正")));
    for (int id : { IDC_MARK_X_CHECK, IDC_MARK_Y_CHECK })
        Button(id)->setCheckable(true);
    for (int id : { IDC_SAVE_DATA, IDC_HOST_WAVE, IDC_START_MONITOR, IDC_CATCH, IDC_ZERO, IDC_ZOOM_BOX,
             IDC_CMD_CORRECTION, IDC_MARK_X_CHECK, IDC_MARK_Y_CHECK }) {
        GetDlgItem(id)->setParent(this);
        GetDlgItem(id)->hide();
        GetDlgItem(id)->setEnabled(false);
    }
    for (int id : { IDC_CATCH, IDC_ZERO })
        connect(Button(id), &QAbstractButton::clicked, this, [this, id] { OnViewButton(id); });

    clicked(IDC_RUN_MONITOR, &CMonitor::OnBnClickedRunMonitor);
    clicked(IDC_POSITION_ZERO, &CMonitor::OnBnClickedPositionZero);
    clicked(IDC_SET_PID, &CMonitor::OnBnClickedSetPid);
    clicked(IDC_GET_PID, &CMonitor::OnBnClickedGetPid);
    clicked(IDC_MARK_X, &CMonitor::OnBnClickedMarkX);
    clicked(IDC_CANCEL_X, &CMonitor::OnBnClickedCancelX);
    clicked(IDC_MARK_Y, &CMonitor::OnBnClickedMarkY);
    clicked(IDC_CANCEL_Y, &CMonitor::OnBnClickedCancelY);
    clicked(IDC_ADJUST_MARKER, &CMonitor::OnBnClickedAdjustMarker);
    clicked(IDC_HOST_WAVE, &CMonitor::OnBnClickedHostWave);
    clicked(IDC_START_MONITOR, &CMonitor::OnBnClickedStartMonitor);
    clicked(IDC_SAVE_DATA, &CMonitor::OnBnClickedSaveData);
}

bool CMonitor::OnInitDialog()
{
    setFont(DialogTemplateFont());
    CreateControls();
    m_chart->InitMemDC();
    for (COLORREF colour : kCurveColours)
        m_chart->AddItem(colour);
    double max = 0;
    double min = 0;
    HalfSpanRange(m_form.ySpan, &max, &min);
    m_chart->SetItemYRange(-1, max, min);
    m_chart->SetItemYRange(1 + CURVE_POS_ERROR, 100.0, -100.0);
    m_chart->SetXRange(0.0, m_form.xSpan);
    DrawGrid();
    UpdateData(false);
    return true;
}

void CMonitor::SetDriveContext(const DriveContext& context)
{
    CPropertyViewPage::SetDriveContext(context);
    SetServices(Context().transact, Context().pollPause, m_control.SettleMs());
}

bool CMonitor::DoDataExchange(bool saveAndValidate)
{
    if (!HasControls())
        return true;
    auto check = [this](int id) { return static_cast<QCheckBox*>(GetDlgItem(id)); };
    if (saveAndValidate) {
        TuningForm next = m_form;
        for (int id : TuningFieldIds()) {
            if (!TakeEdit(id, [&next, id](const QString& text) { return TakeTuningField(next, id, text); }))
                return false;
        }
        next.yRef = std::max(0, m_yRefGroup->checkedId());
        next.waveShape = std::max(0, m_shapeGroup->checkedId());
        next.curve = std::max(0, m_curveGroup->checkedId());
        next.feedback = check(IDC_CHECK_FEEDBACK)->isChecked();
        next.posError = check(IDC_CHECK_POS_ERROR)->isChecked();
        next.command = check(IDC_CHECK_COMMAND)->isChecked();
        next.velError = check(IDC_CHECK_VEL_ERROR)->isChecked();
        m_form = next;
        return true;
    }
    for (int id : TuningFieldIds())
        SetText(id, TuningFieldText(m_form, id));
    CheckRadios({ { m_yRefGroup, m_form.yRef }, { m_shapeGroup, m_form.waveShape }, { m_curveGroup, m_form.curve } });
    check(IDC_CHECK_FEEDBACK)->setChecked(m_form.feedback);
    check(IDC_CHECK_POS_ERROR)->setChecked(m_form.posError);
    check(IDC_CHECK_COMMAND)->setChecked(m_form.command);
    check(IDC_CHECK_VEL_ERROR)->setChecked(m_form.velError);
    return true;
}

void CMonitor::ReadGains()
{
    // The drive's tables may lack a gain (KT on CAN): a failed read is not worth a reason.
    ReadGainsInto(m_control.Transaction(), TuningGainQueries(), m_form.gains, false);
}

void CMonitor::OnBnClickedSetPid()
{
    if (!CheckConnected() || !UpdateData(true))
        return;
    for (const QString& command : TuningGainWrites(m_form.gains))
        LoggedExchange(m_control.Transaction(), command, 0, { LogOrder::CommandFirst });
}

void CMonitor::OnBnClickedGetPid()
{
    if (CheckConnected())
        ReadGains();
}

void CMonitor::OnBnClickedPositionZero()
{
    if (!CheckConnected())
        return;
    const DriveAnswer mode = LoggedExchange(m_control.Transaction(), QStringLiteral("GMOD\r"), kDriveReplyBytes, { LogOrder::CommandFirst });
    if (!mode.value)
        return;
    for (const QString& command : PositionZeroCommands(*mode.value))
        LoggedExchange(m_control.Transaction(), command, 0, { LogOrder::CommandFirst });
}

void CMonitor::OnBnClickedRunMonitor()
{
    // Stopping asks nothing of the form nor of the connected flag.
    if (m_control.IsWaveRunning() || m_control.IsSampling()) {
        StopRunning();
        return;
    }
    if (!CheckConnected() || !UpdateData(true))
        return;
    // The drive's wave and the page's own never move the motor together.
    StopHostWave();
    if (StartWave())
        StartSampling(IDC_RUN_MONITOR);
}

bool CMonitor::StartWave()
{
    m_chart->SetXRange(0, m_form.xSpan);
    DrawGrid();
    static_cast<QCheckBox*>(GetDlgItem(IDC_CMD_CORRECTION))->setChecked(false);
    if (!m_control.StartWave(m_form)) {
        ShowBox(QStringLiteral("Communication failed"), MB_ICONERROR);
        update();
        return false;
    }
    EnableControls(kWaveControls, false);
    return true;
}

void CMonitor::StopWave()
{
    if (!m_control.IsWaveRunning())
        return;
    if (const std::optional<QString> failure = m_control.StopWave()) {
        // The page keeps showing the wave running, so the user can stop it again.
        ShowBox(*failure, MB_ICONERROR);
        Button(IDC_RUN_MONITOR)->setText(QStringLiteral("Stop"));
        return;
    }
    EnableControls(kWaveControls, true);
}

void CMonitor::StartSampling(int button)
{
    ClearSamples();
    if (!m_control.StartSampling(m_form.feedback, m_form.command)) {
        StopWave();
        ShowBox(QStringLiteral("Monitor failed"), MB_ICONERROR);
        return;
    }
    EnableControls(kSamplingControls, false);
    GetDlgItem(IDC_CHECK_VEL_ERROR)->setEnabled(false);
    m_nSamplingButton = button;
    Button(button)->setText(QStringLiteral("Stop"));
    update();
}

void CMonitor::StopSampling()
{
    const bool wasSampling = m_control.StopSampling();
    TakeWorkerPosts();
    if (!wasSampling)
        return;
    Button(m_nSamplingButton)->setText(QStringLiteral("Start"));
    EnableControls(kSamplingControls, true);
    update();
}

void CMonitor::StopRunning()
{
    StopSampling();
    StopWave();
}

void CMonitor::OnBnClickedStartMonitor()
{
    if (m_control.IsSampling()) {
        StopSampling();
        return;
    }
    if (CheckConnected() && UpdateData(true))
        StartSampling(IDC_START_MONITOR);
}

void CMonitor::OnBnClickedHostWave()
{
    if (m_hostWaveTimer.isActive()) {
        StopHostWave();
        return;
    }
    if (m_control.IsWaveRunning() || !CheckConnected() || !UpdateData(true))
        return;
    PreviewHostWave();
    const DriveAnswer mode = LoggedExchange(m_control.Transaction(), QStringLiteral("GMOD\r"));
    if (!mode.value || !LoggedExchange(m_control.Transaction(), PositionModeCommand(*mode.value)).Ok()) {
        ShowBox(QStringLiteral("Communication failed"), MB_ICONERROR);
        return;
    }
    EnableControls(kWaveControls, false);
    Button(IDC_HOST_WAVE)->setText(QStringLiteral("停止运行"));
    m_hostWaveClock.start();
    m_hostWaveTimer.start(kHostWaveTickMs, this);
}

void CMonitor::PreviewHostWave()
{
    // The wave over the shown X window on the reference curve.
    constexpr int kPoints = 400;
    const ChartAxis& x = m_chart->m_xRange;
    for (int i = 0; i <= kPoints; ++i) {
        const double t = x.min + x.span * i / kPoints;
        const int position = HostWavePosition(m_form, static_cast<uint32_t>(std::max(0.0, t)));
        if (i == 0)
            m_chart->MoveTo(0, t, position);
        else
            m_chart->LineTo(0, t, position);
    }
    m_chart->Refresh();
}

void CMonitor::OnHostWaveTick()
{
    const auto elapsed = static_cast<uint32_t>(m_hostWaveClock.elapsed());
    const DriveAnswer move = DriveExchange(m_control.Transaction(), HostWaveMoveCommand(m_form, elapsed));
    if (!move.Ok()) {
        // The motor stays where the last position put it; the user is told why it stopped.
        StopHostWave();
        ShowBox(QStringLiteral("The drive did not take the wave's position: %1").arg(CommResultText(move.result)),
            MB_ICONERROR);
    }
}

void CMonitor::StopHostWave()
{
    if (!m_hostWaveTimer.isActive())
        return;
    m_hostWaveTimer.stop();
    EnableControls(kWaveControls, true);
    Button(IDC_HOST_WAVE)->setText(QStringLiteral("开始运行"));
}

void CMonitor::OnBnClickedSaveData()
{
    SaveData(GetWritableFolderPath());
}

void CMonitor::SaveData(const QString& folder)
{
    const CapturedColumn columns[] = { { QStringLiteral("Speed(rpm)"), &Samples().Array(1) },
        { QStringLiteral("Position(r)"), &Samples().Array(2) }, { QStringLiteral("Current(mA)"), &Samples().Array(3) } };
    SaveCaptured(kCapturedByTuning, folder, columns);
}

void CMonitor::OnCurveCheck(int id)
{
    const bool checked = static_cast<QCheckBox*>(GetDlgItem(id))->isChecked();
    if (!UpdateData(true) || !checked)
        return;
    if (id == IDC_CHECK_FEEDBACK)
        m_form.curve = CURVE_FEEDBACK;
    else if (id == IDC_CHECK_POS_ERROR && !m_form.feedback)
        m_form.curve = CURVE_POS_ERROR;
    else if (id == IDC_CHECK_COMMAND)
        m_form.curve = CURVE_COMMAND;
    else if (id == IDC_CHECK_VEL_ERROR && !m_form.command)
        m_form.curve = CURVE_VEL_ERROR;
    else
        return;
    UpdateData(false);
}

void CMonitor::SetMarkers(bool x, bool on)
{
    (x ? m_bXMarks : m_bYMarks) = on;
    if (x)
        m_chart->EnableXCursors(on);
    else
        m_chart->EnableYCursors(on);
    SetText(x ? IDC_X_CAPTION : IDC_Y_CAPTION,
        on ? (x ? QStringLiteral("X间距") : QStringLiteral("Y间距")) : (x ? QStringLiteral("X") : QStringLiteral("Y")));
    GetDlgItem(x ? IDC_MARK_X : IDC_MARK_Y)->setVisible(!on);
    GetDlgItem(x ? IDC_CANCEL_X : IDC_CANCEL_Y)->setVisible(on);
}

void CMonitor::OnBnClickedMarkX() { SetMarkers(true, true); }
void CMonitor::OnBnClickedCancelX() { SetMarkers(true, false); }
void CMonitor::OnBnClickedMarkY() { SetMarkers(false, true); }
void CMonitor::OnBnClickedCancelY() { SetMarkers(false, false); }

void CMonitor::OnBnClickedAdjustMarker()
{
    CSelAdjustObject chooser(m_bXMarks, m_bYMarks);
    chooser.setFont(font());
    if (chooser.exec() != QDialog::Accepted)
        return;
    if (m_chart->SetDragCursor(chooser.Choice()) == 0)
        ShowBox(QStringLiteral("调整不可用，请从新标记"), MB_ICONERROR);
}

ChartAxis CMonitor::CurveRange(int curve) const
{
    double max = 0;
    double min = 0;
    m_chart->GetItemYRange(curve, &max, &min);
    ChartAxis y;
    y.Set(min, max, CLineChartCtrl::kMinYSpan);
    return y;
}

void CMonitor::SetCurveRange(int curve, const ChartAxis& y)
{
    m_chart->SetItemYRange(curve, y.max, y.min);
}

void CMonitor::OnViewButton(int id)
{
    ChartAxis& x = m_chart->m_xRange;
    const bool zoomIn = id == IDC_FEEDBACK_ZOOM_IN || id == IDC_ERROR_ZOOM_IN;
    switch (id) {
    case IDC_X_LEFT: PanLeft(x); break;
    case IDC_X_RIGHT: PanRight(x); break;
    case IDC_X_ZOOM_IN: ZoomInX(x); break;
    case IDC_X_ZOOM_OUT: ZoomOutX(x); break;
    case IDC_SET_X_SPAN:
        if (!UpdateData(true))
            return;
        if (const auto refusal = SetXSpan(x, m_form.xSpan)) {
            ShowBox(*refusal, MB_ICONERROR);
            return;
        }
        break;
    case IDC_SHIFT_UP:
    case IDC_SHIFT_DOWN:
        for (int curve = 1; curve <= kCurves; ++curve) {
            ChartAxis y = CurveRange(curve);
            id == IDC_SHIFT_UP ? MoveViewDown(y) : MoveViewUp(y);
            SetCurveRange(curve, y);
        }
        break;
    case IDC_FEEDBACK_ZOOM_IN:
    case IDC_FEEDBACK_ZOOM_OUT:
    case IDC_ERROR_ZOOM_IN:
    case IDC_ERROR_ZOOM_OUT: {
        // The feedback zoom sets curves 1, 3 and 0 (also when its span is beyond the chart,
        // they then take curve 1's range); the error zoom only curve 2, and only a span it
        // could apply.
        const bool feedback = id == IDC_FEEDBACK_ZOOM_IN || id == IDC_FEEDBACK_ZOOM_OUT;
        if (!UpdateData(true))
            return;
        m_form.curve = feedback ? CURVE_FEEDBACK : CURVE_POS_ERROR;
        UpdateData(false);
        ChartAxis y = CurveRange(m_form.curve + 1);
        const std::optional<int64_t> span = feedback ? FeedbackZoomSpan(y.span, zoomIn) : ErrorZoomSpan(y.span, zoomIn);
        const bool applied = span && ApplyYSpan(y, m_form.yRef, static_cast<uint32_t>(std::min<int64_t>(*span, UINT32_MAX)));
        if (!span || (!feedback && !applied))
            return;
        static constexpr int kFeedbackCurves[] = { 1, 3, 0 };
        static constexpr int kErrorCurves[] = { 2 };
        for (int curve : feedback ? std::span<const int>(kFeedbackCurves) : std::span<const int>(kErrorCurves))
            SetCurveRange(curve, y);
        break;
    }
    case IDC_ZERO:
    case IDC_CATCH: {
        // The feedback curves' view, as the feedback zoom sets it.
        ChartAxis y = CurveRange(1);
        if (!(id == IDC_ZERO ? ZeroView(x, y, m_form.yRef) : CatchLast(x, y, Samples().Array(CURVE_FEEDBACK))))
            return;
        for (int curve : { 1, 3, 0 })
            SetCurveRange(curve, y);
        break;
    }
    case IDC_ZOOM_BOX:
        ToggleZoomBox();
        return;
    case IDC_SET_Y_BASE:
    case IDC_SET_Y_SPAN:
        if (!UpdateData(true))
            return;
        if (id == IDC_SET_Y_SPAN && m_form.ySpan < CLineChartCtrl::kMinYSpan) {
            ShowBox(QStringLiteral("Y轴跨度不能小于20"), MB_ICONERROR);
            return;
        }
        for (int curve = 1; curve <= kCurves; ++curve) {
            ChartAxis y = CurveRange(curve);
            if (id == IDC_SET_Y_BASE)
                SetBaseline(y, m_form.yRef, m_form.yBase);
            else
                ApplyYSpan(y, m_form.yRef, m_form.ySpan);
            SetCurveRange(curve, y);
            if (curve == 1 && id == IDC_SET_Y_SPAN)
                SetCurveRange(0, y);
        }
        break;
    default:
        return;
    }
    ViewChanged();
}

LPARAM CMonitor::OnNewSample(WPARAM wParam, LPARAM lParam)
{
    const int index = HIWORD(lParam);
    if (index < kCurves)
        PlotSample(static_cast<int32_t>(static_cast<uint32_t>(wParam)), 0, LOWORD(lParam), index);
    return 0;
}

LPARAM CMonitor::OnWorkerEnd(const QByteArray& message)
{
    if (!m_control.IsSampling())
        return 0;
    ShowBox(QString::fromUtf8(message), MB_ICONERROR);
    StopRunning();
    return 0;
}

LPARAM CMonitor::OnChartNotify(WPARAM wParam, LPARAM kind, const QByteArray&)
{
    if (kind == CHART_NOTIFY_XDIST) {
        m_strX = QString::number(static_cast<int>(wParam));
        SetText(IDC_READOUT_X, m_strX);
    } else if (kind == CHART_NOTIFY_YDIST) {
        m_strY = YDistanceText(CurveRange(m_form.curve + 1), static_cast<uint32_t>(wParam));
        SetText(IDC_READOUT_Y, m_strY);
    } else if (kind == CHART_NOTIFY_ZOOM) {
        return -1; // the zoom box is switched off on this page
    }
    return 0;
}

void CMonitor::OnReadoutTimer()
{
    double fx = 0.0;
    double fy = 0.0;
    m_chart->GetMousePos(&fx, &fy);
    const ChartAxis y = CurveRange(m_form.curve + 1);
    if (!m_bXMarks)
        m_strX = QString::number(ReadoutValue(m_chart->m_xRange, fx));
    if (!m_bYMarks) {
        m_strY = QString::number(ReadoutValue(y, fy));
        if (m_form.curve == CURVE_POS_ERROR) {
            m_strMrad = MradText(fy * y.span + y.min);
            SetText(IDC_READOUT_MRAD, m_strMrad);
        }
    }
    SetText(IDC_READOUT_X, m_strX);
    SetText(IDC_READOUT_Y, m_strY);
}

LPARAM CMonitor::OnPageLeaving()
{
    // Nothing keeps running out of sight: the drive's wave stops with the sampling.
    const bool sampling = m_control.IsSampling();
    StopHostWave();
    StopRunning();
    if (sampling) {
        GetDlgItem(IDC_CHECK_VEL_ERROR)->setEnabled(true);
        Button(IDC_START_MONITOR)->setText(QStringLiteral("开始监测"));
    }
    if (!m_control.IsWaveRunning())
        Button(IDC_RUN_MONITOR)->setText(QStringLiteral("运行&&监测"));
    update();
    return 0;
}

LPARAM CMonitor::OnPageActivated()
{
    if (!g_bDriveConnected.load())
        return -1;
    ReadGains();
    return 0;
}

LPARAM CMonitor::OnPageInit()
{
    const QString unit = g_bDriveStatusBit8.load() ? QStringLiteral("0.01 degree") : QString();
    SetText(IDC_AMPLITUDE_UNIT, unit);
    SetText(IDC_OFFSET_UNIT, unit);
    return 0;
}

void CMonitor::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_hostWaveTimer.timerId())
        OnHostWaveTick();
    else
        ChartPage::timerEvent(event);
}

ChartAxis CMonitor::ShownYAxis() const
{
    return CurveRange(m_form.curve + 1);
}

QString CMonitor::AxisUnit() const
{
    return g_bDriveStatusBit8.load() ? QStringLiteral("0.01度") : QString();
}
