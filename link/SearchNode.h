#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class QTreeWidget;

// The node-search bar docked at the left of the main window, shown only while the channel
// is CAN. This holds the bar's window, its range fields and its current-device combo; the
// search itself and its buttons come with the node search.
class CSearchNode : public QWidget {
    Q_OBJECT
public:
    static constexpr int IDD = 226;
    static constexpr int kNodeMin = 2;
    static constexpr int kNodeMax = 127;

    CSearchNode();
    ~CSearchNode() override;

    // Builds the controls as a child of parent; false when called twice.
    bool Create(QWidget* parent);

    QWidget* GetDlgItem(int id) const;

    int m_nFrom = kNodeMin;
    int m_nTo = kNodeMax;

private:
    bool OnInitDialogBar();

    QLineEdit* m_editFrom = nullptr;
    QLineEdit* m_editTo = nullptr;
    QTreeWidget* m_tree = nullptr;
    QComboBox* m_comboNode = nullptr;
};
