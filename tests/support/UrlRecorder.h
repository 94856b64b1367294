#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Stands in for the desktop: records every address the program asks it to open. Install
// it with QDesktopServices::setUrlHandler for the schemes a test expects.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened.append(url); }
};
