#include "pages/tuning/SelAdjustObject.h"

#include "platform/ControlName.h"

#include <QGridLayout>
#include <QPushButton>

CSelAdjustObject::CSelAdjustObject(bool xMarks, bool yMarks, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("选择调整对象"));
    auto* grid = new QGridLayout(this);
    const char* const texts[] = { "X轴1线", "X轴2线", "Y轴1线", "Y轴2线" };
    for (int i = 0; i < 4; ++i) {
        auto* button = new QPushButton(QString::fromUtf8(texts[i]), this);
        button->setObjectName(ControlObjectName(1139 + i));
        button->setAutoDefault(false);
        button->setEnabled(i < 2 ? xMarks : yMarks);
        grid->addWidget(button, 0, i);
        connect(button, &QPushButton::clicked, this, [this, i] {
            m_nChoice = i + 1;
            accept();
        });
        m_buttons[i] = button;
    }
}

QPushButton* CSelAdjustObject::ChoiceButton(int choice) const
{
    return choice >= 1 && choice <= 4 ? m_buttons[choice - 1] : nullptr;
}
