#pragma once

#include <QString>
#include <functional>

class QWidget;

// One file dialog request as the program makes it.
struct FileDialogRequest {
    QWidget* owner = nullptr;
    bool save = false;      // a save dialog (asks before replacing a file), else an open dialog
    QString folder;         // where the dialog starts
    QString fileName;       // the name it proposes; empty for none
    QString filter;         // e.g. "Pask Data Files (*.qzd)"
    QString defaultSuffix;  // added to a typed name without one, e.g. "qzd"
};

// Shows a modal file dialog on the UI thread and returns the full path of the chosen file;
// empty when the user cancelled. Tests replace the dialog with SetFileDialogHandler, so
// nothing blocks.
QString ShowFileDialog(const FileDialogRequest& request);

using FileDialogHandler = std::function<QString(const FileDialogRequest&)>;
// Installs a handler in place of real dialogs; an empty handler restores them.
void SetFileDialogHandler(FileDialogHandler handler);
