#include "shell/frame/BrantovelixApp.h"

#include "shell/AboutDlg.h"
#include "shell/frame/MainFrame.h"
#include "shell/Globals.h"

#include <QCoreApplication>

CBrantovelixApp theApp;

CBrantovelixApp::CBrantovelixApp() = default;

CBrantovelixApp::~CBrantovelixApp() = default;

bool CBrantovelixApp::InitInstance()
{
    // The profile and the per-user data folders are named after the maker and the program
    // (the profile itself is opened through OpenProfile, which uses the same names).
    QCoreApplication::setOrganizationName(QStringLiteral("DADEZ"));
    QCoreApplication::setApplicationName(QStringLiteral("Velquarin"));
    // No recent-file list: the program opens no documents, so nothing would fill one.
    ScanCommandLine(QCoreApplication::arguments(), &m_bOfflineMode);

    auto* frame = new CMainFrame;
    frame->setAttribute(Qt::WA_DeleteOnClose);
    m_pMainWnd = frame;
    if (!frame->LoadFrame()) {
        delete frame;
        return false;
    }
    frame->showMaximized();
    return true;
}

int CBrantovelixApp::ExitInstance()
{
    // A window still open when the event loop ended (the session quit it) goes now, so
    // its threads are joined and the link is shut down before the program ends.
    delete m_pMainWnd.data();
    return 0;
}

void CBrantovelixApp::ScanCommandLine(const QStringList& arguments, int* offline)
{
    // Arguments come split already, so a quoted argument holding a blank is one word and
    // is compared whole.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString word = arguments[i].toUpper();
        if (word == QLatin1String("/QDEBUGZ") || word == QLatin1String("/D"))
            *offline = 1;
    }
    g_nOsMajorVersion = kOsMajorVersion;
}

void CBrantovelixApp::OnAppAbout()
{
    CAboutDlg about(m_pMainWnd.data());
    about.exec();
}
