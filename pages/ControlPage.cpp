#include "pages/ControlPage.h"

#include "platform/ControlName.h"
#include "platform/MessageBox.h"
#include "shell/Globals.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

QWidget* ControlPage::AddControl(int id, QWidget* control)
{
    control->setObjectName(ControlObjectName(id));
    m_controls.insert(id, control);
    return control;
}

QAbstractButton* ControlPage::Button(int id) const
{
    return qobject_cast<QAbstractButton*>(GetDlgItem(id));
}

void ControlPage::EnableControls(std::initializer_list<int> ids, bool enable)
{
    for (int id : ids)
        GetDlgItem(id)->setEnabled(enable);
}

void ControlPage::SetText(int id, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(GetDlgItem(id)))
        line->setText(text);
    else if (auto* caption = qobject_cast<QLabel*>(GetDlgItem(id)))
        caption->setText(text);
}

void ControlPage::ShowBox(const QString& text, unsigned type)
{
    ShowMessageBox(this, text, QStringLiteral("Velquarin"), type);
}

bool ControlPage::CheckConnected()
{
    if (g_bDriveConnected.load())
        return true;
    ShowBox(QStringLiteral("Please connect Drive"), MB_ICONERROR);
    return false;
}
