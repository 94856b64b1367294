#pragma once

#include "link/ChannelSettings.h"

#include <QDialog>
#include <QString>
#include <functional>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The communication set-up: the channel type with its parameters. Open tries the channel
// through the link layer, stores the settings in the profile and ends the dialog with
// QDialog::Accepted (== IDOK) whether or not the channel opened; the caller looks at
// m_bOpened and shows the dialog again while it is 0. Cancel ends with QDialog::Rejected.
// The profile is read when the dialog is constructed.
class CComSetting : public QDialog {
    Q_OBJECT
public:
    explicit CComSetting(QWidget* parent = nullptr);

    // Runs the dialog, or, while a hook is installed, hands it to the hook instead and
    // returns the hook's answer (tests script the user with it: press Open, Cancel, or
    // just answer).
    int exec() override;
    using ExecHook = std::function<int(CComSetting& dialog)>;
    // An empty hook restores the real dialog.
    static void SetExecHook(ExecHook hook);

    // Whether the chosen channel opened at the last Open.
    bool IsOpened() const { return m_bOpened != 0; }
    // Why the last Open failed (device, cause, remedy); empty when it worked or never ran.
    QString OpenFailure() const { return m_strOpenFailure; }
    // Shows why an earlier attempt failed on the status line under the controls; an empty
    // text hides the line.
    void ShowOpenFailure(const QString& text);

    // What the user chose in the controls: the channel with its parameters, and the device
    // the chosen COM number is to stand for.
    struct Choice {
        ChannelSettings channel;
        QString serialDevice;
    };
    Choice UserChoice();
    // Shows an earlier choice instead of the stored settings: the dialog that comes back
    // after a failed Open shows what the user tried.
    void ShowChoice(const Choice& choice);

    // The handlers, as the buttons call them.
    void OnOpen();
    void OnCancel();
    void OnRs232();
    void OnCanK8110();
    void OnCanUsb1();
    void OnCanUsb2();
    void OnCanUsbEU();
    void OnCanUsb2EU();

    QComboBox* m_cmbDevice = nullptr;  // 1230, CAN device number 0..9
    QComboBox* m_cmbBitRate = nullptr; // 1001, CAN kbit/s
    QComboBox* m_cmbBaud = nullptr;    // 1096
    QComboBox* m_cmbCom = nullptr;     // 1099, COM1..COM10
    // The device the chosen COM number stands for: its binding, a device present on this
    // machine or a path the user types, which Open binds it to once the port opens.
    QComboBox* m_cmbSerialDevice = nullptr;
    QString m_strAcr;                  // 1228
    QString m_strAmr;                  // 1229
    int m_nComNum = 1;
    int m_nBaud = 9600;
    int m_nDevice = 0;
    int m_nKbps = 500;
    int m_nComType = 16; // a CommType
    int m_bOpened = 0;
    QString m_strOpenFailure;

private:
    void OnInitDialog();
    void DataExchange(bool save);
    void SelectChannel(int commType);
    // Lists the devices with `device` chosen; none given: the COM number's binding.
    void ShowComDevices(const QString& device = QString());
    // The device chosen from the list, or the path typed in its place.
    QString ChosenDevice() const;
    // The settings as the dialog's fields hold them (the node is not the dialog's).
    ChannelSettings Chosen() const;
    void OpenSerial();
    void OpenCan();
    // Closing a family always clears its open flag, so no flag claims a closed channel.
    void CloseSerialFamily();
    void CloseUsbCanFamily();

    QButtonGroup* m_radios = nullptr;
    QLineEdit* m_editAcr = nullptr;
    QLineEdit* m_editAmr = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_btnOpen = nullptr;
    QPushButton* m_btnCancel = nullptr;
};
