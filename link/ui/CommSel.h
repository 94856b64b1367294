#pragma once

#include <QDialog>
#include <QString>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

// The quick chooser: serial port or k8110 card, and the node address of the drive. It shows
// what is open but opens and closes nothing; OK stores the channel type and the node.
// The channel type follows the radios at the moment they are clicked, Cancel included.
class CCommSel : public QDialog {
    Q_OBJECT
public:
    explicit CCommSel(QWidget* parent = nullptr);

    void OnRs232();
    void OnCanK8110();
    void OnOK();

    QString m_strNode;         // 1235
    QString m_strK8110State;   // 1232
    QString m_strSerialState;  // 1231
    int m_nChannel = 0;        // 0 RS232, 1 CAN_K8110

    // The node a text names; anything but 1..127 is node 1.
    static int NodeFromText(const QString& text);

private:
    void OnInitDialog();
    void DataExchange(bool save);

    QButtonGroup* m_radios = nullptr;
    QComboBox* m_cmbNode = nullptr;
    QLineEdit* m_editSerial = nullptr;
    QPlainTextEdit* m_editK8110 = nullptr;
};
