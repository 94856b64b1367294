#pragma once

#include "shell/DriveReplyDecoder.h"

#include <QBasicTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <map>

class CEditEx;
class QAbstractButton;
class QComboBox;

// The status strip docked across the top of the main window: the frame's quick-command
// buttons and the free-text command combo, and what the drive last reported (type,
// firmware version, mode, command source, temperature, status fields and ten alarm
// lamps that blink while a drive is connected).
//
// The strip never talks to the drive. The frame hands it every reply as WM_DRIVE_REPLY:
// LOWORD(lParam) is the command answered; HIWORD(lParam) 0x10 means wParam is the value;
// otherwise the reply is a text travelling in the event's own data, with wParam 1 when
// there was a reply and 0 when there was none. Because the event owns its copy, text
// replies may be posted from any thread as safely as values.
//
// The buttons belong to the frame: each click comes out as CommandClicked(control id).
// Controls are found by GetDlgItem(id) or by their object names "idc_<id>".
class C12DialogBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int IDD = 152;
    static constexpr int TIMER_BLINK = 1372;
    static constexpr int BLINK_PERIOD_MS = 1000;

    // Zeroes the firmware version; the controls come with Create.
    C12DialogBar();
    ~C12DialogBar() override;

    // Builds the controls under parent at their template places, colours the lamps,
    // shows the initial texts and starts the blink timer. False when called twice.
    bool Create(QWidget* parent);

    // The frame's side of the CAN type-name exchange: the part it last asked for, and the
    // request for a part, whose reply comes back as WM_DRIVE_REPLY. Until both are given,
    // every GDTN part is refused.
    void SetTypeNameRequester(std::function<int()> askedPart, std::function<void(int)> requestPart);

    // The template's size; the strip asks for no minimum, so a window narrower than the
    // strip clips it instead of growing past the screen.
    QSize sizeHint() const override;

    QWidget* GetDlgItem(int id) const;
    // Text of an edit, combo or button; empty for an unknown id.
    QString GetDlgItemText(int id) const;
    QComboBox* CommandCombo() const;
    const DriveReplyDecoder& Drive() const { return m_decoder; }

    // Reply handling and the blink tick, as the messages and the timer call them.
    LPARAM OnDriveReply(WPARAM wParam, LPARAM lParam, const QByteArray& data);
    // WM_STRIP_FRESHNESS: wParam STRIP_STALE, STRIP_FRESH or STRIP_FORGET.
    LPARAM OnStripFreshness(WPARAM why);
    void OnTimer(int timerId);

signals:
    void CommandClicked(int id);

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void BuildControls();
    bool OnInitDialogBar();
    void SetDlgItemText(int id, const QString& text);
    void ShowChain(bool closed);
    void Apply(const StripUpdate& update);
    // Boxes that are current get their own colours, the others the not-current look.
    void ShowFreshness();
    void PaintLamps();

    DriveReplyDecoder m_decoder;
    std::array<CEditEx*, LAMP_COUNT> m_lamps {};
    CEditEx* m_typeEdit = nullptr;
    CEditEx* m_versionEdit = nullptr;
    // The colours each box of VALUE_FIELD_IDS shows while current.
    std::map<int, LampColours> m_currentColours;
    QComboBox* m_commandCombo = nullptr;
    QBasicTimer m_blinkTimer;
    QSize m_templateSize;
    std::function<int()> m_askedTypeNamePart;
    std::function<void(int)> m_requestTypeNamePart;
};
