#pragma once

#include "shell/PropertyViewPage.h"

#include "platform/FormText.h"

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <functional>
#include <initializer_list>
#include <optional>

class QAbstractButton;
class QButtonGroup;

// A drive page built in code whose controls are found by their control id, as dialog
// items are: GetDlgItem(id), or the object name "idc_<id>". Holds what the chart pages
// share around their controls: the id table, texts, enabling, and the page's message
// boxes with the display title.
class ControlPage : public CPropertyViewPage {
    Q_OBJECT
public:
    using CPropertyViewPage::CPropertyViewPage;

    QWidget* GetDlgItem(int id) const { return m_controls.value(id); }

protected:
    // Names the control "idc_<id>" and enters it in the table.
    QWidget* AddControl(int id, QWidget* control);
    QAbstractButton* Button(int id) const;
    // New controls, entered in the table; a label with id 0 stays out of it.
    QLineEdit* NewEdit(int id, int width);
    QPushButton* NewButton(int id, const char* text);
    QLabel* NewLabel(int id, const char* text);
    // Takes the edit's text with `take`; when it is rejected the user is told its prompt and
    // the edit is focused with its text selected. An id that is no edit is taken as read.
    bool TakeEdit(int id, const std::function<std::optional<ExchangeFailure>(const QString&)>& take);
    bool HasControls() const { return !m_controls.isEmpty(); }
    void EnableControls(std::initializer_list<int> ids, bool enable);
    // Checks in each group the button of its value.
    static void CheckRadios(std::initializer_list<std::pair<QButtonGroup*, int>> choices);
    // The text of an edit or a static.
    void SetText(int id, const QString& text);
    void ShowBox(const QString& text, unsigned type);
    // False, and the user told "Please connect Drive", while no drive is connected.
    bool CheckConnected();

private:
    QHash<int, QWidget*> m_controls;
};
