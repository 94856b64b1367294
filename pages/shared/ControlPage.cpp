#include "pages/shared/ControlPage.h"

#include "platform/ControlName.h"
#include "platform/MessageBox.h"
#include "shell/Globals.h"

#include <QAbstractButton>
#include <QButtonGroup>

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

QLineEdit* ControlPage::NewEdit(int id, int width)
{
    auto* line = new QLineEdit;
    line->setFixedWidth(width);
    AddControl(id, line);
    return line;
}

QPushButton* ControlPage::NewButton(int id, const char* text)
{
    auto* push = new QPushButton(QString::fromUtf8(text));
    AddControl(id, push);
    return push;
}

QLabel* ControlPage::NewLabel(int id, const char* text)
{
    auto* caption = new QLabel(QString::fromUtf8(text));
    if (id > 0)
        AddControl(id, caption);
    return caption;
}

bool ControlPage::TakeEdit(int id, const std::function<std::optional<ExchangeFailure>(const QString&)>& take)
{
    auto* line = qobject_cast<QLineEdit*>(GetDlgItem(id));
    if (!line)
        return true;
    const std::optional<ExchangeFailure> rejection = take(line->text());
    if (!rejection)
        return true;
    ShowBox(rejection->prompt, MB_ICONWARNING);
    line->setFocus();
    line->selectAll();
    return false;
}

void ControlPage::EnableControls(std::initializer_list<int> ids, bool enable)
{
    for (int id : ids)
        GetDlgItem(id)->setEnabled(enable);
}

void ControlPage::CheckRadios(std::initializer_list<std::pair<QButtonGroup*, int>> choices)
{
    for (auto [group, value] : choices)
        group->button(value)->setChecked(true);
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
