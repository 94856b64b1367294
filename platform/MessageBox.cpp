#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <mutex>

namespace {
std::mutex g_handlerMutex;
MessageBoxHandler g_handler;

int ShowReal(const MessageBoxRequest& request)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (request.type & 0xF0) {
    case MB_ICONERROR: icon = QMessageBox::Critical; break;
    case MB_ICONQUESTION: icon = QMessageBox::Question; break;
    case MB_ICONWARNING: icon = QMessageBox::Warning; break;
    case MB_ICONINFORMATION: icon = QMessageBox::Information; break;
    default: break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (request.type & 0x0F) {
    case MB_OKCANCEL: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MB_YESNO: buttons = QMessageBox::Yes | QMessageBox::No; break;
    default: break;
    }
    QMessageBox box(icon, request.caption, request.text, buttons, request.owner);
    switch (box.exec()) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return IDOK;
    }
}
}

int ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type)
{
    MessageBoxRequest request { owner, text, caption, type };
    MessageBoxHandler handler;
    {
        std::lock_guard lock(g_handlerMutex);
        handler = g_handler;
    }
    if (handler)
        return handler(request);
    if (!qApp)
        return IDCANCEL;
    if (QThread::currentThread() == qApp->thread())
        return ShowReal(request);
    // A worker thread never touches widgets: the UI thread shows the box for it.
    QPointer<QWidget> guardedOwner(owner);
    int answer = IDCANCEL;
    QMetaObject::invokeMethod(qApp, [&] {
        request.owner = guardedOwner.data();
        answer = ShowReal(request);
    }, Qt::BlockingQueuedConnection);
    return answer;
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    std::lock_guard lock(g_handlerMutex);
    g_handler = std::move(handler);
}
