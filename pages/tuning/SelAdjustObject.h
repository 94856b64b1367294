#pragma once

#include <QDialog>

class QPushButton;

// The marker chooser of the PID-tuning page (dialog 224, "选择调整对象"): which placed
// marker line the user drags next. Its buttons give the numbering of SetDragCursor
// (1 X line 1, 2 X line 2, 3 Y line 1, 4 Y line 2) and end the dialog with Accepted;
// the lines of a measuring mode that is off cannot be chosen.
class CSelAdjustObject : public QDialog {
    Q_OBJECT
public:
    CSelAdjustObject(bool xMarks, bool yMarks, QWidget* parent = nullptr);

    int Choice() const { return m_nChoice; }
    QPushButton* ChoiceButton(int choice) const;

private:
    QPushButton* m_buttons[4] = {};
    int m_nChoice = 0;
};
