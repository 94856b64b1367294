#include "shell/AboutDlg.h"

#include "controls/Label.h"
#include "platform/Colorref.h"
#include "platform/ControlName.h"
#include "platform/DisplayText.h"
#include "shell/IniFile.h"
#include "shell/ProgramFiles.h"

#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>

namespace {

const QString kProgramName = QStringLiteral("Velquarin");
const QString kBuildSuffix = QStringLiteral(".02.04");
// Shown when there is no version file to read.
const QString kFallbackTitle = QStringLiteral("Velquarinv01.01.02.04");

// id 0: a fixed line no code looks at.
QLabel* AddStatic(QGridLayout* grid, int row, const QString& text, int id = 0)
{
    auto* label = new QLabel(text);
    if (id)
        label->setObjectName(ControlObjectName(id));
    // Clicks on the texts reach the box, which closes on any click.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    grid->addWidget(label, row, 1);
    return label;
}

} // namespace

QString AboutTitle(const QString& versionText)
{
    QString title = kProgramName;
    const qsizetype v = versionText.indexOf(QLatin1Char('v'), 0, Qt::CaseInsensitive);
    if (v >= 0)
        title += DisplayText(QStringView(versionText).sliced(v), kDisplayNameChars);
    return title + kBuildSuffix;
}

AboutVersion ReadAboutVersion(const QString& folder)
{
    CIniFile ini(folder + QStringLiteral("QZVERSION.qzi"));
    AboutVersion version;
    if (!ini.ReadFile()) {
        version.title = kFallbackTitle;
        return version;
    }
    version.versionText = ini.GetValue(QStringLiteral("DriverVersion"), QStringLiteral("D0000"));
    version.title = AboutTitle(version.versionText);
    version.showMaker = version.versionText.contains(QLatin1String("Pask"));
    return version;
}

CAboutDlg::CAboutDlg(QWidget* parent, const QString& folder)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("idd_%1").arg(IDD));
    OnInitDialog(folder.isEmpty() ? GetDataFolderPath(QStringLiteral("QZVERSION.qzi")) : folder);
}

CAboutDlg::~CAboutDlg() = default;

bool CAboutDlg::OnInitDialog(const QString& folder)
{
    setWindowTitle(QStringLiteral("About Velquarin"));
    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setHorizontalSpacing(16);

    auto* icon = new QLabel;
    icon->setPixmap(windowIcon().pixmap(32, 32));
    icon->setAttribute(Qt::WA_TransparentForMouseEvents);
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);

    QLabel* title = AddStatic(grid, 0, QString(), 1332);
    AddStatic(grid, 1, QStringLiteral("Servo drive set-up, tuning and monitoring"));
    AddStatic(grid, 2, QStringLiteral("Serial port (RS-232) and CAN bus"));
    QLabel* maker = AddStatic(grid, 3, QStringLiteral("Pask"), 1348);
    QLabel* blank = AddStatic(grid, 4, QString(), 1349);

    m_wndLink = new CLabel(QStringLiteral("https://www.pask.example/"));
    m_wndLink->setObjectName(QStringLiteral("idc_1181"));
    grid->addWidget(m_wndLink, 5, 1);
    m_wndLink->SetLink(true).SetTextColor(RGB(0, 0, 255)).SetFontUnderline(true).SetLinkCursor(Qt::PointingHandCursor);

    const AboutVersion version = ReadAboutVersion(folder);
    title->setText(version.title);
    maker->setVisible(version.showMaker);
    blank->setVisible(version.showMaker);
    m_wndLink->setVisible(version.showMaker);
    return true;
}

void CAboutDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        reject();
        return;
    }
    QDialog::mousePressEvent(event);
}
