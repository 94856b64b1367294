#include "link/LogRing.h"

#include "platform/AnsiCodePage.h"

#include <QObject>

#include <algorithm>
#include <cstring>

std::mutex g_csLogRing;
char g_ReplyRing[kReplyRingSlots][kReplyRingSlotBytes] = {};
int g_nReplyRingIndex = 0;

namespace {

QObject* g_pLogView = nullptr; // guarded by g_csLogRing

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Byte length of the first kReplyRingSlotChars characters, never splitting a double-byte
// character.
qsizetype SlotPrefixLength(QByteArrayView text)
{
    qsizetype pos = 0;
    for (int chars = 0; chars < kReplyRingSlotChars && pos < text.size(); ++chars) {
        const bool pair = IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()
            && IsTrailByte(static_cast<unsigned char>(text[pos + 1]));
        pos += pair ? 2 : 1;
    }
    return pos;
}

// Takes the next slot, copies the line in and posts it, all under the ring lock: two
// producers that meet on one slot after the ring wrapped never write it at the same time,
// and the view cannot go away between the check and the post.
int StoreLine(QByteArrayView text, LPARAM lParam, bool post)
{
    const qsizetype length = SlotPrefixLength(text);
    static_assert(2 * kReplyRingSlotChars < kReplyRingSlotBytes);
    std::lock_guard lock(g_csLogRing);
    if (++g_nReplyRingIndex >= kReplyRingSlots)
        g_nReplyRingIndex = 0;
    const int slot = g_nReplyRingIndex;
    // An empty line may come without any storage behind it.
    if (length > 0)
        memcpy(g_ReplyRing[slot], text.data(), static_cast<size_t>(length));
    g_ReplyRing[slot][length] = '\0';
    if (post && g_pLogView)
        PostMessage(g_pLogView, WM_LOG_APPEND, static_cast<WPARAM>(slot), lParam,
            QByteArray(g_ReplyRing[slot], length));
    return slot;
}

} // namespace

void ResetReplyRingIndex()
{
    std::lock_guard lock(g_csLogRing);
    g_nReplyRingIndex = 0;
}

int ReplyRingIndex()
{
    std::lock_guard lock(g_csLogRing);
    return g_nReplyRingIndex;
}

QByteArray ReplyRingSlotText(int slot)
{
    if (slot < 0 || slot >= kReplyRingSlots)
        return {};
    std::lock_guard lock(g_csLogRing);
    return QByteArray(g_ReplyRing[slot]);
}

void SetLogView(QObject* view)
{
    std::lock_guard lock(g_csLogRing);
    g_pLogView = view;
}

void UnsetLogView(QObject* view)
{
    std::lock_guard lock(g_csLogRing);
    if (g_pLogView == view)
        g_pLogView = nullptr;
}

bool HasLogView()
{
    std::lock_guard lock(g_csLogRing);
    return g_pLogView != nullptr;
}

int PostLogText(const char* text, LPARAM lParam, bool post)
{
    return StoreLine(QByteArrayView(text ? text : ""), lParam, post);
}

int PostLogString(const QString& text, LPARAM lParam, bool post)
{
    QStringView line(text);
    if (const qsizetype nul = line.indexOf(QChar(0)); nul >= 0)
        line = line.left(nul);
    // A slot's characters never take more than two UTF-16 units each, so converting more
    // than this would only be cut off again.
    return StoreLine(WideToAnsi(line.left(2 * kReplyRingSlotChars)), lParam, post);
}

QString CommResultText(int code)
{
    switch (code) {
    case -11: return QStringLiteral("发送和接收的节点不一致");
    case -10: return QStringLiteral("Can接收缓冲区数据错误");
    case -9: return QStringLiteral("发送和接收的命令不一致");
    case -8: return QStringLiteral("Can 接收的数据长度不够");
    case -7: return QStringLiteral("Can 接收缓冲长度不够");
    case -6: return QStringLiteral("Can 发送的数据超过8字节");
    case -5: return QStringLiteral("没发现此命令的数据长度");
    case -4: return QStringLiteral("没发现此命令");
    case -3: return QStringLiteral("CanK8110设备未打开");
    case -2: return QStringLiteral("RS232设备未打开");
    case -1: return QStringLiteral("不支持的通讯类型");
    case 0: return {};
    case 1: return QStringLiteral("CAN协议封包时，发送数据长度超限（8）");
    case 2: return QStringLiteral("CAN协议封包时，接收数据长度超限（8）");
    case 3: return QStringLiteral("无此通讯方式");
    case 4: return QStringLiteral("RS232发送失败");
    case 5: return QStringLiteral("RS232接收失败");
    case 6: return QStringLiteral("CAN发送失败");
    case 7: return QStringLiteral("CAN接收失败");
    case 8: return QStringLiteral("RS232接收BUF不可用");
    case 9: return QStringLiteral("CAN接收BUF不可用");
    case 10: return QStringLiteral("RS232接收超时");
    case 11: return QStringLiteral("CAN接收超时");
    default: return QStringLiteral("函数执行不成功");
    }
}

void LogCommResult(int code, bool enable)
{
    if (!enable || code == 0 || !HasLogView())
        return;
    PostLogString(CommResultText(code), kLogReplyLine, true);
}

QString DecodeLogText(QByteArrayView text)
{
    return AnsiToWide(text);
}
