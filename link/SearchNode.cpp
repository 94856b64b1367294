#include "link/SearchNode.h"

#include "platform/ControlName.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
// The bar's width: 113 dialog units of the system font.
constexpr int kBarWidth = 170;

} // namespace

CSearchNode::CSearchNode() = default;

CSearchNode::~CSearchNode() = default;

bool CSearchNode::Create(QWidget* parent)
{
    if (m_tree)
        return false;
    setParent(parent);
    setObjectName(ControlObjectName(IDD));
    setFixedWidth(kBarWidth);
    return OnInitDialogBar();
}

bool CSearchNode::OnInitDialogBar()
{
    auto* layout = new QVBoxLayout(this);
    auto* range = new QGroupBox(QStringLiteral("Range"));
    auto* form = new QFormLayout(range);
    m_editFrom = Named(new QLineEdit(QString::number(m_nFrom)), 1266);
    m_editTo = Named(new QLineEdit(QString::number(m_nTo)), 1267);
    for (QLineEdit* edit : { m_editFrom, m_editTo })
        edit->setValidator(new QIntValidator(kNodeMin, kNodeMax, edit));
    form->addRow(QStringLiteral("From"), m_editFrom);
    form->addRow(QStringLiteral("To"), m_editTo);
    layout->addWidget(range);

    m_tree = Named(new QTreeWidget, 1268);
    m_tree->setHeaderHidden(true);
    m_tree->addTopLevelItem(new QTreeWidgetItem(QStringList { QStringLiteral("Devie List") }));
    layout->addWidget(m_tree, 1);

    layout->addWidget(new QLabel(QStringLiteral("Current Device:")));
    m_comboNode = Named(new QComboBox, 1342);
    m_comboNode->setEditable(true);
    layout->addWidget(m_comboNode);
    return true;
}

QWidget* CSearchNode::GetDlgItem(int id) const
{
    return findChild<QWidget*>(ControlObjectName(id));
}
