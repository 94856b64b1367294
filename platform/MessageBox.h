#pragma once

#include <QString>
#include <functional>

class QWidget;

// Message box styles and answers, with their usual values.
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONSTOP = MB_ICONERROR;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// One message box request as the program makes it.
struct MessageBoxRequest {
    QWidget* owner = nullptr;
    QString text;
    QString caption;
    unsigned type = MB_OK;
};

// Shows a modal message box and returns the answer (IDOK, IDYES, ...). Callable from any
// thread: a worker's box is shown on the UI thread while the worker waits for the answer.
// Tests replace the way boxes are shown with SetMessageBoxHandler, so nothing blocks.
int ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type);

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;
// Installs a handler in place of real boxes; an empty handler restores them.
void SetMessageBoxHandler(MessageBoxHandler handler);
