#pragma once

#include "link/CanFrame.h"
#include "link/DriveExchange.h"
#include "link/LinkTransaction.h"
#include "platform/PauseGate.h"
#include "shell/StripDecoders.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>

class QObject;
class QWidget;

// The free-text history keeps this many commands, newest first.
constexpr int kCommandHistorySize = 15;
// The free-text line takes this many characters of the combo's text.
constexpr int kFreeTextMaxChars = 61;

// One query of the connect sequence, the refresh and the status poll, and how its answer
// reaches the strip. A drive whose firmware predates the query answers it with ERR2 (serial)
// or the value 2 (CAN); then the older query is asked instead, and its answer goes to the
// strip under its own id (serial as text, CAN as its value). Otherwise a serial answer goes
// as its number (as text where serialText), a CAN answer as its value; where an older query
// exists, a CAN value of 0 or 1 is no status a drive of this family reports and is dropped.
struct DriveQueryStep {
    enum class CanValue { Word, Temperature };
    const char* query;
    CommandId id;
    const char* olderQuery; // none: nullptr
    CommandId olderId;
    bool serialText;
    CanValue canValue;
};

// The drive commands behind the top strip and the status poll: the connect sequence, the
// status refresh, the one-word buttons, the free-text line and one cycle of the status
// poll. Every exchange goes through one transaction function (the link's locked
// transaction unless another is given). Replies reach the strip as WM_DRIVE_REPLY and the
// log through the log ring.
//
// WM_DRIVE_REPLY: LOWORD(lParam) = the command id answered. HIWORD(lParam) 0x10: wParam is
// the value; such messages are always posted. HIWORD 0: a text reply that travels in the
// event's own data (the reply up to its CR), wParam 1 when there is a reply, 0 when there
// is none. Text replies are sent at once when the strip lives on the calling thread (the
// UI thread), so the strip has taken them before the command returns; from any other
// thread (the status poll) they are posted, which is safe because the event owns its copy.
//
// Threads: everything but PollCycle runs on the UI thread. PollCycle runs on the poll
// thread; set the receivers before that thread starts.
class DriveCommands {
public:
    using Transaction = LinkTransaction;

    // An empty transaction makes every exchange fail (-1).
    explicit DriveCommands(Transaction transact = LinkTransactLocked);

    void SetTransaction(Transaction transact);
    void SetStripReceiver(QObject* strip);
    // Receivers of WM_PAGE_INIT and WM_PAGE_ACTIVATED after the connect sequence; null for
    // a page that does not exist.
    void SetPageReceivers(QObject* basicParamPage, QObject* pidParamPage, QObject* monitorPage);
    // Shows the node address in the node-search bar's combo (1342).
    void SetNodeTextSink(std::function<void(const QString&)> sink);
    void SetMessageBoxOwner(QWidget* owner);

    // The part of the type name last asked for.
    int TypeNamePart() const { return m_nTypeNamePart.load(); }
    // Sent with WM_DRIVE_REPLY code 128 when Enable or Disable find no drive.
    int NodeId() const { return m_nNodeId; }

    void RequestTypeNamePart(int part);
    void OnConnectDrive();
    void OnRefreshStatus();
    // The strip's single-command buttons (IDC_GM, IDC_GV, IDC_GC, IDC_GSE, IDC_PO,
    // IDC_DISABLE, IDC_ENABLE); other ids do nothing.
    void OnOneWordCommand(int buttonId);
    // Sends the combo's text as a command and files it in `history` (the combo's list,
    // newest first). Returns the command as it now stands in the combo's edit, or nothing
    // when nothing was sent (no drive, empty input), in which case history is untouched.
    std::optional<QString> OnSendText(const QString& comboText, QStringList& history);

    // The channel to the drive went away: no drive counts as connected, and the strip
    // shows it as a failed connect does (type "Unknow", the chain broken), its values old.
    void OnChannelLost();
    // Another channel was opened: no drive counts as connected until a connect sequence
    // succeeds on it, and the strip forgets the drive it showed.
    void OnChannelChanged();

    // One round of the status poll (mode, status word, alarm word, temperature). Each
    // transaction passes the gate and holds csPoll; the cycle returns early once the gate
    // is stopped or no drive counts as connected, so it never starts another transaction
    // after a stop. The strip hears whether the round was answered at all: if not, its
    // values are old; if so, they are the drive's again.
    void PollCycle(PauseGate& gate, std::mutex& csPoll);

private:
    // One exchange on the current transaction, logged as `log` says when given.
    DriveAnswer Exchange(const QString& command, int capacity, std::optional<ExchangeLog> log = std::nullopt) const;
    // An exchange of the user's (connect, refresh): a failure logs the command and why.
    DriveAnswer UserExchange(const QString& command, int capacity) const;
    DriveAnswer PollExchange(const QString& command, PauseGate& gate, std::mutex& csPoll, bool* stopped) const;
    bool CheckConnected() const;
    void PostValue(int id, uint32_t value) const;
    void DeliverText(int id, const QByteArray* text) const;
    // True when the drive answered the step's query.
    bool RefreshStep(const DriveQueryStep& step);
    // Hands the answer to the strip by the step's rule; askOlder asks the older query.
    void DeliverStep(const DriveQueryStep& step, const DriveAnswer& answer,
        const std::function<DriveAnswer(const QString&)>& askOlder) const;
    void DeliverOlder(const DriveQueryStep& step, const DriveAnswer& old) const;

    mutable std::mutex m_transactMutex;
    Transaction m_transact;
    std::atomic<QObject*> m_strip { nullptr };
    QObject* m_basicParamPage = nullptr;
    QObject* m_pidParamPage = nullptr;
    QObject* m_monitorPage = nullptr;
    std::function<void(const QString&)> m_nodeTextSink;
    QWidget* m_messageBoxOwner = nullptr;
    std::atomic<int> m_nTypeNamePart { 0 };
    int m_nNodeId = 1;
};

// The free-text line's rules. NormalizeFreeText: the first 61 characters, every blank
// removed, ASCII letters upper-cased (without the CR the command gets when sent).
QString NormalizeFreeText(const QString& comboText);
// The combo's prefix search: the first item after `startAfter`, wrapping to the top, that
// begins with `text` (case-insensitive); -1 when none does.
int FindStringPrefix(const QStringList& items, int startAfter, const QString& text);
// Files a sent command: an item it is a prefix of (searched from after item 0, wrapping)
// is removed, the command goes on top, and the list keeps at most 15 items.
void UpdateCommandHistory(QStringList& history, const QString& command);
