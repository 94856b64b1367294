#pragma once

#include <QPointer>
#include <QStringList>

class CMainFrame;

// The application object: sets up the profile store, reads the command line, builds the
// main window and shows it. One instance, theApp, lives for the whole run.
class CBrantovelixApp {
public:
    CBrantovelixApp();
    virtual ~CBrantovelixApp();

    // Start-up; false ends the program (the main window could not be built). Needs the
    // QApplication to exist.
    virtual bool InitInstance();
    virtual int ExitInstance();

    // Sets *offline to 1 when a word after the program path (the first argument) is
    // "/QDEBUGZ" or "/D", in any case; then records the operating system's major version.
    static void ScanCommandLine(const QStringList& arguments, int* offline);

    // Runs the about box modally.
    void OnAppAbout();

    // 1: count a drive as connected without one (the offline switch). Decided before the
    // main window is built, never changed afterwards.
    int m_bOfflineMode = 0;
    // The main window while it exists.
    QPointer<CMainFrame> m_pMainWnd;
};

extern CBrantovelixApp theApp;

// The major version the tab strip chooses its look by. Linux desktops look like the
// current generation of the other platform's (version 6 and later).
constexpr int kOsMajorVersion = 6;
