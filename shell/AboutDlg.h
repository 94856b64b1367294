#pragma once

#include <QDialog>
#include <QString>

class CLabel;

// What the about box shows of the version file "QZVERSION.qzi" (section "DriverVersion",
// key "D0000") in a folder.
struct AboutVersion {
    QString title;
    // The value as read; empty when the file cannot be read.
    QString versionText;
    // Whether the maker's name and link are shown: only for the maker's own builds, whose
    // version text names it.
    bool showMaker = false;
};

// The title for a version text: "Velquarin", the text from its first 'v' or 'V' on (cut
// to kDisplayNameChars characters), then ".02.04".
QString AboutTitle(const QString& versionText);
AboutVersion ReadAboutVersion(const QString& folder);

// The about box: program name and version, and for the maker's builds its name and link.
// A click anywhere on the box's own surface closes it.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 100;

    // folder: where the version file is read (the program folder unless a test gives
    // another).
    explicit CAboutDlg(QWidget* parent = nullptr, const QString& folder = QString());
    ~CAboutDlg() override;

    CLabel* m_wndLink = nullptr;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool OnInitDialog(const QString& folder);
};
