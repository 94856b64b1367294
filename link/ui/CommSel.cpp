#include "link/ui/CommSel.h"

#include "controls/OkCancelRow.h"
#include "link/ChannelSettings.h"
#include "link/LinkLayer.h"
#include "platform/ControlName.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
constexpr int kIdRs232 = 1047;
constexpr int kIdCanK8110 = 1234;
constexpr int kMinNode = 1;
constexpr int kMaxNode = 127;
}

CCommSel::CCommSel(QWidget* parent)
    : QDialog(parent)
    , m_strNode(QStringLiteral("1"))
{
    setWindowTitle(QStringLiteral("通讯设置"));
    setObjectName(QStringLiteral("idd_214"));

    m_radios = new QButtonGroup(this);
    auto* rs232 = Named(new QRadioButton(QStringLiteral("RS232")), kIdRs232);
    auto* k8110 = Named(new QRadioButton(QStringLiteral("CAN_K8110")), kIdCanK8110);
    m_radios->addButton(rs232, 0);
    m_radios->addButton(k8110, 1);
    connect(rs232, &QAbstractButton::clicked, this, &CCommSel::OnRs232);
    connect(k8110, &QAbstractButton::clicked, this, &CCommSel::OnCanK8110);

    m_cmbNode = Named(new QComboBox, 1235);
    m_cmbNode->setEditable(true);
    m_cmbNode->setInsertPolicy(QComboBox::NoInsert);
    m_cmbNode->setValidator(new QIntValidator(kMinNode, kMaxNode, m_cmbNode));
    for (int node = kMinNode; node <= kMaxNode; ++node)
        m_cmbNode->addItem(QString::number(node));

    m_editSerial = Named(new QLineEdit, 1231);
    m_editSerial->setReadOnly(true);
    m_editK8110 = Named(new QPlainTextEdit, 1232);
    m_editK8110->setReadOnly(true);
    // Room for the four lines of the card's state.
    m_editK8110->setMaximumHeight(m_editK8110->fontMetrics().lineSpacing() * 6);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("通   讯   方   式")), 0, 0);
    grid->addWidget(rs232, 0, 1);
    grid->addWidget(k8110, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("设置通讯 节点编号")), 1, 0);
    grid->addWidget(m_cmbNode, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("(1～127)")), 1, 2);
    grid->addWidget(m_editSerial, 2, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("CAN_K8110设备状态")), 3, 0, 1, 3);
    grid->addWidget(m_editK8110, 4, 0, 1, 3);

    auto* ok = Named(new QPushButton(QStringLiteral("OK")), 1);
    auto* cancel = Named(new QPushButton(QStringLiteral("Cancel")), 2);
    connect(ok, &QPushButton::clicked, this, &CCommSel::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    QHBoxLayout* buttons = OkCancelRow(ok, cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    OnInitDialog();
}

void CCommSel::OnInitDialog()
{
    const ChannelSettings stored = ChannelSettings::Load();
    if (g_bRs232Open) {
        m_strSerialState = QStringLiteral("Opened: port %1 baud %2").arg(stored.comNum).arg(stored.comBaud);
    } else {
        m_strSerialState = QStringLiteral("关闭");
    }
    if (g_bCanK8110Open) {
        m_strK8110State = QStringLiteral("Opened: Device No.%1 \r\nBaud%2 \r\nRecv-Code%3 \r\nMask-Code%4")
                              .arg(stored.canIndex)
                              .arg(stored.canKbps)
                              // Only their first 8 hex digits count; a huge value would freeze the box.
                              .arg(stored.acr.left(8), stored.amr.left(8));
    } else {
        m_strK8110State = QStringLiteral("关闭");
    }
    m_nChannel = g_nComType == COMM_RS232 ? 0 : 1;
    const int node = g_nCurNode;
    m_strNode = QString::number(node >= kMinNode && node <= kMaxNode ? node : 1);
    DataExchange(false);
}

void CCommSel::DataExchange(bool save)
{
    if (save) {
        m_strNode = m_cmbNode->currentText();
        m_nChannel = m_radios->checkedId();
        return;
    }
    m_cmbNode->setCurrentText(m_strNode);
    m_editSerial->setText(m_strSerialState);
    // The state text keeps its CR LF line ends; the edit breaks lines at LF alone.
    m_editK8110->setPlainText(QString(m_strK8110State).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    m_radios->button(m_nChannel)->setChecked(true);
}

void CCommSel::OnRs232()
{
    g_nComType = COMM_RS232;
}

void CCommSel::OnCanK8110()
{
    g_nComType = COMM_CAN_K8110;
}

int CCommSel::NodeFromText(const QString& text)
{
    bool ok = false;
    const int node = text.trimmed().toInt(&ok);
    return ok && node >= kMinNode && node <= kMaxNode ? node : 1;
}

void CCommSel::OnOK()
{
    DataExchange(true);
    ChannelSettings chosen;
    chosen.comType = g_nComType;
    chosen.node = NodeFromText(m_strNode);
    g_nCurNode = chosen.node;
    chosen.Save(ChannelSettings::TypePart | ChannelSettings::NodePart);
    done(QDialog::Accepted);
}
