#include "platform/FileDialog.h"

#include <QFileDialog>

namespace {
FileDialogHandler g_handler;
}

QString ShowFileDialog(const FileDialogRequest& request)
{
    if (g_handler)
        return g_handler(request);
    QFileDialog dialog(request.owner, QString(), request.folder, request.filter);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.front();
}

void SetFileDialogHandler(FileDialogHandler handler)
{
    g_handler = std::move(handler);
}
