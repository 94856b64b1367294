#include "link/ui/SearchNode.h"

#include "controls/StripField.h"
#include "link/ChannelSettings.h"
#include "link/NodeAddress.h"
#include "link/NodeProbe.h"
#include "platform/ControlName.h"
#include "platform/DialogFont.h"
#include "platform/DialogUnits.h"
#include "platform/FormText.h"
#include "platform/MessageBox.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>

namespace {

const QString kCaption = QStringLiteral("Velquarin");

enum class Kind { Group, Label, Edit, Button, Tree, Status, Combo };

struct ControlSpec {
    int id; // -1 for the group box and the labels without an id
    Kind kind;
    const char* text; // UTF-8
    int x, y, width, height;
};

// The bar's template in dialog units, in tab order. The group box comes first so that it
// lies beneath the controls it frames.
constexpr int kBarWidthDlu = 113;
constexpr int kBarHeightDlu = 326;
const ControlSpec kControls[] = {
    { -1, Kind::Group, "Range", 4, 2, 105, 32 },
    { -1, Kind::Label, "From", 9, 17, 20, 8 },
    { CSearchNode::IDC_FROM, Kind::Edit, "", 30, 15, 24, 12 },
    { -1, Kind::Label, "To", 62, 17, 12, 8 },
    { CSearchNode::IDC_TO, Kind::Edit, "", 76, 15, 26, 12 },
    { CSearchNode::IDC_SEARCH, Kind::Button, "Search", 4, 38, 51, 14 },
    { CSearchNode::IDC_STOP, Kind::Button, "Stop", 58, 38, 51, 14 },
    { CSearchNode::IDC_TREE, Kind::Tree, "", 4, 56, 105, 190 },
    { CSearchNode::IDC_STATUS, Kind::Status, "", 4, 248, 105, 22 },
    { -1, Kind::Label, "Current Device:", 4, 275, 105, 8 },
    { CSearchNode::IDC_NODE_LABEL, Kind::Label, "节点地址", 4, 290, 34, 8 },
    { CSearchNode::IDC_NODE_COMBO, Kind::Combo, "", 40, 288, 38, 60 },
    { CSearchNode::IDC_SET, Kind::Button, "Set", 81, 287, 28, 14 },
    { CSearchNode::IDC_SET_SAVE_ALL, Kind::Button, "Set && Save All", 4, 306, 105, 16 },
};


// Between two probes of the card pass. Under the transaction lock, so that a command the
// user gives meanwhile never loses its reply to the reset.
void ResetCard(const CanSettings& can)
{
    std::lock_guard lock(g_csLink);
    LinkResetChannel(g_nComType, &can);
}

std::vector<uint16_t> FoundNodes()
{
    std::lock_guard lock(g_csFoundNodes);
    return g_arrFoundNodes;
}

} // namespace

CSearchNode::CSearchNode() = default;

CSearchNode::~CSearchNode()
{
    m_bSearchRun = false;
    m_search.Stop();
}

bool CSearchNode::Create(QWidget* parent)
{
    if (m_tree)
        return false;
    setParent(parent);
    setObjectName(ControlObjectName(IDD));
    BuildControls();
    return OnInitDialogBar();
}

void CSearchNode::BuildControls()
{
    setFont(DialogTemplateFont());
    const DialogUnits units = DialogUnits::OfSimSun(kTemplatePointSize);
    m_templateSize = QSize(units.ToPixelsX(kBarWidthDlu), units.ToPixelsY(kBarHeightDlu));
    setFixedWidth(m_templateSize.width());
    setMinimumHeight(m_templateSize.height());

    for (const ControlSpec& spec : kControls) {
        const QString text = QString::fromUtf8(spec.text);
        QWidget* control = nullptr;
        switch (spec.kind) {
        case Kind::Group:
            control = new QGroupBox(text, this);
            break;
        case Kind::Label:
            control = new QLabel(text, this);
            break;
        case Kind::Edit:
            control = new QLineEdit(this);
            break;
        case Kind::Button:
            control = new QPushButton(text, this);
            break;
        case Kind::Tree:
            m_tree = new QTreeWidget(this);
            m_tree->setHeaderHidden(true);
            // A drive's name longer than the tree is wide scrolls into view, never cut off.
            m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
            m_tree->header()->setStretchLastSection(false);
            control = m_tree;
            break;
        case Kind::Status: {
            // Long texts ("Please set communication being CAN, the re-search") are drawn
            // smaller or on two lines rather than cut off.
            auto* status = new StripField(this);
            status->setReadOnly(true);
            status->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            control = status;
            break;
        }
        case Kind::Combo:
            m_comboNode = new QComboBox(this);
            m_comboNode->setEditable(true);
            m_comboNode->setInsertPolicy(QComboBox::NoInsert);
            control = m_comboNode;
            break;
        }
        if (spec.id != -1)
            control->setObjectName(ControlObjectName(spec.id));
        if (spec.kind == Kind::Combo) {
            // The template's height is that of the dropped list; the closed box is as high
            // as its font needs, centred on the row.
            const QRect rect = units.ToPixels(QRect(spec.x, spec.y, spec.width, 12));
            const int height = control->sizeHint().height();
            control->setGeometry(rect.x(), rect.center().y() - height / 2, rect.width(), height);
        } else {
            units.Place(control, spec.x, spec.y, spec.width, spec.height);
        }
    }
    m_editFrom = qobject_cast<QLineEdit*>(GetDlgItem(IDC_FROM));
    m_editTo = qobject_cast<QLineEdit*>(GetDlgItem(IDC_TO));
    m_editStatus = qobject_cast<QLineEdit*>(GetDlgItem(IDC_STATUS));

    auto onClick = [this](int id, void (CSearchNode::*handler)()) {
        connect(qobject_cast<QPushButton*>(GetDlgItem(id)), &QPushButton::clicked, this, handler);
    };
    onClick(IDC_SEARCH, &CSearchNode::OnBnClickedSearch);
    onClick(IDC_STOP, &CSearchNode::OnBnClickedStop);
    onClick(IDC_SET, &CSearchNode::OnBnClickedSet);
    onClick(IDC_SET_SAVE_ALL, &CSearchNode::OnBnClickedSetSaveAll);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, &CSearchNode::OnDblclkTree);
}

bool CSearchNode::OnInitDialogBar()
{
    m_editFrom->setText(QString::number(m_nFrom));
    m_editTo->setText(QString::number(m_nTo));
    m_hRootItem = new QTreeWidgetItem(m_tree, { QStringLiteral("Devie List") });
    return true;
}

QSize CSearchNode::sizeHint() const
{
    return m_templateSize;
}

QWidget* CSearchNode::GetDlgItem(int id) const
{
    return findChild<QWidget*>(ControlObjectName(id), Qt::FindDirectChildrenOnly);
}

void CSearchNode::SetDriveContext(DriveContext context)
{
    m_context = std::move(context);
}

QString CSearchNode::StatusText() const
{
    return m_editStatus->text();
}

void CSearchNode::SetStatusText(const QString& text)
{
    m_editStatus->setText(text);
    m_editStatus->setCursorPosition(0);
    m_editStatus->setToolTip(text);
}

bool CSearchNode::ExchangeRange()
{
    for (auto [edit, member] : { std::pair { m_editFrom, &m_nFrom }, { m_editTo, &m_nTo } }) {
        const std::optional<int> value = ParseIntText(edit->text());
        if (value && *value >= kNodeMin && *value <= kNodeMax) {
            *member = *value;
            continue;
        }
        const QString prompt = value ? kPromptRange.arg(kNodeMin).arg(kNodeMax) : kPromptInteger;
        ShowMessageBox(this, prompt, kCaption, MB_ICONWARNING);
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        return false;
    }
    return true;
}

bool CSearchNode::PageRefuses() const
{
    return m_context.pageRefuses && m_context.pageRefuses();
}

void CSearchNode::OnBnClickedSearch()
{
    // A range the user has to correct is not searched with the values it replaced.
    if (!ExchangeRange())
        return;
    if (!IsCanType(g_nComType)) {
        SetStatusText(QStringLiteral("Please set communication being CAN, the re-search"));
        return;
    }
    // Neither pass would send anything.
    if (!g_bCanUsbOpen && !g_bCanK8110Open) {
        SetStatusText(QStringLiteral("CAN channel closed. To reopen: Configuration > Communication > Open"));
        return;
    }
    if (IsSearching()) {
        ShowMessageBox(this, QStringLiteral("Searching devices......"), kCaption, MB_ICONERROR);
        return;
    }
    // The page's workers move or need the current node as the search does.
    if (PageRefuses())
        return;
    QWidget* setSaveAll = GetDlgItem(IDC_SET_SAVE_ALL);
    setSaveAll->setEnabled(false);
    const SearchPlan plan = ReadSearchPlan(m_nFrom, m_nTo);
    m_nLostAtNode = 0;
    m_bSearchRun = true;
    if (!m_search.Start(this, m_context.pollPause, [this, plan](DriveJob&) { SearchThreadProc(plan); },
            [this] { OnSearchEnded(); })) {
        m_bSearchRun = false;
        setSaveAll->setEnabled(true);
        ShowMessageBox(this, QStringLiteral("Can not search device"), kCaption, MB_ICONERROR);
        return;
    }
    // What the thread finds arrives as events, after these lines have run.
    delete m_hRootItem;
    {
        std::lock_guard lock(g_csFoundNodes);
        g_arrFoundNodes.clear();
    }
    m_hRootItem = new QTreeWidgetItem(m_tree, { QStringLiteral("Device List") });
    SetStatusText(QStringLiteral("Start to search device"));
}

CSearchNode::SearchPlan CSearchNode::ReadSearchPlan(int from, int to)
{
    SearchPlan plan;
    plan.lo = std::min(from, to);
    plan.hi = std::max(from, to);
    const ChannelSettings stored = ChannelSettings::Load();
    plan.deviceNumber = stored.canIndex;
    plan.kbps = stored.canKbps;
    // A bit rate the card does not know leaves the timing bytes 0: its resets then fail.
    stored.ToCan(&plan.can);
    return plan;
}

void CSearchNode::SearchThreadProc(const SearchPlan& plan)
{
    int keep = LendCurrentNode();
    bool found = false;
    bool stopped = false;
    if (g_bCanUsbOpen)
        stopped = !SearchPass(plan, false, keep, found);
    if (!found && !stopped && g_bCanK8110Open) {
        // The card pass switches the channel to the card for good.
        g_nComType = COMM_CAN_K8110;
        ResetCard(plan.can);
        PauseSearch(kCardResetPauseMs);
        SearchPass(plan, true, keep, found);
    }
    // The last node that answered, or the node current before (or chosen meanwhile).
    ReturnCurrentNode(keep);
}

bool CSearchNode::SearchPass(const SearchPlan& plan, bool cardPass, int& keep, bool& found)
{
    const QString status = cardPass ? QStringLiteral("Seaching %1, port %2, baud %3")
                                    : QStringLiteral("Searching %1, port %2, baud %3");
    for (int node = plan.lo; node <= plan.hi; ++node) {
        if (!m_bSearchRun)
            return false;
        PostStatus(status.arg(node).arg(plan.deviceNumber).arg(plan.kbps));
        g_nCurNode = node;
        const CommResult result = m_context.probe ? m_context.probe(this) : ProbeNodeType(m_context.transact, this);
        if (result == COMM_OK) {
            keep = node;
            found = true;
        } else if (!(cardPass ? g_bCanK8110Open : g_bCanUsbOpen)) {
            // The channel went away: from here on nothing would be sent at all.
            m_nLostAtNode = node;
            return false;
        }
        if (cardPass) {
            if (result != COMM_OK) {
                ResetCard(plan.can);
                PauseSearch(kCardResetPauseMs);
            }
            continue;
        }
        // The adapter can no longer send or receive: no node after this one would answer.
        if (result == COMM_CAN_SEND_FAILED || result == COMM_CAN_RECEIVE_FAILED)
            return true;
        PauseSearch(kUsbNodePauseMs);
    }
    return true;
}

void CSearchNode::PauseSearch(int ms)
{
    m_search.Wait(ms);
}

void CSearchNode::PostStatus(const QString& text)
{
    QMetaObject::invokeMethod(this, [this, text] {
            // A text still on its way when the user stopped the search is out of date.
            if (m_bSearchRun)
                SetStatusText(text);
        },
        Qt::QueuedConnection);
}

void CSearchNode::OnSearchEnded()
{
    m_bSearchRun = false;
    GetDlgItem(IDC_SET_SAVE_ALL)->setEnabled(true);
    SetStatusText(SearchSummary());
}

void CSearchNode::OnBnClickedStop()
{
    m_bSearchRun = false;
    m_search.RequestStop();
    SetStatusText(SearchSummary());
}

QString CSearchNode::SearchSummary() const
{
    const std::vector<uint16_t> nodes = FoundNodes();
    QString list;
    for (uint16_t node : nodes)
        list += QStringLiteral("%1 ").arg(node);
    // A search cut short by a lost channel is no answer to which drives the range holds.
    if (const int lost = m_nLostAtNode)
        return QStringLiteral("Channel lost at node %1, search unfinished. Found:%2")
            .arg(lost)
            .arg(nodes.empty() ? QStringLiteral("none") : list);
    if (nodes.empty())
        return QStringLiteral("No device");
    return QStringLiteral("Searched %1 devices:").arg(nodes.size()) + list;
}

LPARAM CSearchNode::OnNodeFound(WPARAM deviceType, LPARAM lParam)
{
    const uint16_t node = HIWORD(lParam);
    size_t count = 0;
    {
        std::lock_guard lock(g_csFoundNodes);
        if (std::find(g_arrFoundNodes.begin(), g_arrFoundNodes.end(), node) != g_arrFoundNodes.end())
            return 0;
        g_arrFoundNodes.push_back(node);
        count = g_arrFoundNodes.size();
    }
    QString name;
    const bool named = m_context.driveName && m_context.driveName(static_cast<int>(deviceType), name)
        && !name.isEmpty();
    const QString text = named ? QStringLiteral("Device:%1,%2").arg(node).arg(name) : QStringLiteral("Device:%1").arg(node);
    auto* item = new QTreeWidgetItem(m_hRootItem, { text });
    item->setToolTip(0, text);
    m_hRootItem->setExpanded(true);
    SetStatusText(QStringLiteral("Searched %1 devices").arg(count));
    return 0;
}

void CSearchNode::OnDblclkTree()
{
    const QTreeWidgetItem* item = m_tree->currentItem();
    if (!item)
        return;
    const QString text = item->text(0);
    const qsizetype colon = text.indexOf(u':');
    if (colon < 0)
        return;
    const std::optional<int> node = LeadingNodeAddress(QStringView(text).mid(colon + 1));
    if (!node)
        return;
    ChooseCurrentNode(*node);
    SaveNodeAddress(*node);
    m_comboNode->setEditText(QString::number(*node));
}

void CSearchNode::OnBnClickedSet()
{
    const std::optional<int> node = ParseNodeAddress(m_comboNode->currentText());
    if (!node) {
        ShowMessageBox(this, QStringLiteral("Device address must be from 0 to 127"), kCaption, MB_ICONERROR);
        return;
    }
    ChooseCurrentNode(*node);
    SaveNodeAddress(*node);
}

void CSearchNode::OnBnClickedSetSaveAll()
{
    if (PageRefuses())
        return;
    if (FoundNodes().empty()) {
        if (!NodeExchange(m_context.transact, kProbeCommand).Ok()) {
            SetStatusText(QStringLiteral("No device, save failed"));
            return;
        }
        std::lock_guard lock(g_csFoundNodes);
        g_arrFoundNodes.push_back(static_cast<uint16_t>(g_nCurNode.load()));
    }
    if (!IsCanType(g_nComType)) {
        SetStatusText(QStringLiteral("Please set communication being CAN"));
        return;
    }
    if (m_context.setAllNodes)
        m_context.setAllNodes();
}

bool CSearchNode::event(QEvent* event)
{
    const auto found = [this](const WindowMessage& message) {
        return OnNodeFound(message.WParam(), message.LParam());
    };
    return HandleWindowMessage(event, WM_NODE_FOUND, found) || QWidget::event(event);
}
