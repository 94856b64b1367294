#pragma once

#include "platform/WindowMessage.h"
#include "shell/StripDecoders.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <map>
#include <optional>

// One WM_DRIVE_REPLY as the top strip reads it. LOWORD(lParam) is the command answered.
// HIWORD(lParam) 0x10 marks a numeric reply with the value in wParam. Any other high word
// is a text reply: the event carries its own copy of the reply text, and wParam is
// non-zero when there was a reply, 0 when there was none. ENA takes wParam as a value
// whatever the high word; GDTN is read by the channel (text on serial, value on CAN).
struct DriveReply {
    static constexpr uint16_t NUMERIC = 0x10;

    CommandId id = 0;
    uint16_t highWord = 0;
    WPARAM value = 0;
    QByteArray text; // up to its first NUL

    static DriveReply FromMessage(WPARAM wParam, LPARAM lParam, const QByteArray& data);
    bool IsNumeric() const { return highWord == NUMERIC; }
    bool HasText() const { return value != 0; }
    // The value as the drive's 32-bit word.
    uint32_t Word() const { return static_cast<uint32_t>(value); }
};

// WM_STRIP_FRESHNESS's wParam. Stale: the drive answered none of a status poll's queries, or
// its channel went away; the strip keeps what it shows but marks it as old. Fresh: a poll was
// answered; what the strip shows is the drive's (a box the drive's answers leave empty shows
// that it has no state). Forget: another channel was opened; nothing the strip knows is of
// the drive there.
enum StripFreshness : WPARAM { STRIP_STALE = 0, STRIP_FRESH = 1, STRIP_FORGET = 2 };

// What a reply changes on the strip.
struct StripUpdate {
    enum class Picture { Unchanged, Connected, Broken };

    ControlTexts texts;                     // control id -> new text
    Picture picture = Picture::Unchanged;   // the chain on the connect button
    std::optional<bool> controlledCheck;    // the hidden "受控" check box
    int askTypeNamePart = 0;                // > 0: ask the drive for this type-name part
};

// The strip's memory of what the drive reported, and the decoding of each reply into
// control texts. No widgets: the strip moves the results into its controls.
class DriveReplyDecoder {
public:
    // Name lookups: drive type number to display name, and identity number to the name
    // of its type. Both give false (and "Unknow") when the names cannot be read.
    using TypeNameLookup = std::function<bool(int type, QString& name)>;
    using DriveIdLookup = std::function<bool(uint32_t id, QString& name)>;

    DriveReplyDecoder(TypeNameLookup typeName, DriveIdLookup driveId);

    // serialChannel picks how GDTN is read; askedTypeNamePart is the part last asked for.
    StripUpdate Decode(const DriveReply& reply, bool serialChannel, int askedTypeNamePart);

    // Lamps lit by the last alarm reply, bit i for lamp i.
    uint16_t LitLamps() const;

    // Whether a box (an id of VALUE_FIELD_IDS or LAMP_IDS) shows what the drive reports now.
    // A reply makes its boxes current, a missing reply ("Unknow", no temperature) not;
    // MarkAll says it of every box at once. At the start and after Forget no box is current.
    bool IsCurrent(int id) const;
    void MarkAll(bool current);
    // Starts over as at construction: the texts that show no drive (empty boxes, type and
    // version "Unknow", the chain broken), firmware version 0, no lamp lit.
    StripUpdate Forget();

    const QString& TypeText() const { return m_typeText; }
    const QString& VersionText() const { return m_versionText; }
    const QString& TemperatureText() const { return m_temperatureText; }
    const QString& EnableText() const { return m_enableText; }
    const QByteArray& StatusText() const { return m_statusText; }
    const QByteArray& AlarmText() const { return m_alarmText; }
    uint32_t AlarmWord() const { return m_alarmWord; }
    int AlarmKind() const { return m_alarmKind; }
    int StatusWord() const { return m_statusWord; }
    int EnableState() const { return m_enableState; }

private:
    void DecodeIdentity(const DriveReply& reply, StripUpdate& update);
    void SetType(const QString& text, bool connected, StripUpdate& update);
    void SetVersion(int version, StripUpdate& update);
    void ForgetVersion(StripUpdate& update);
    void DecodeTypeNamePart(uint32_t value, int askedPart, StripUpdate& update);

    TypeNameLookup m_typeNameLookup;
    DriveIdLookup m_driveIdLookup;

    QString m_typeText;
    QString m_versionText;
    QString m_temperatureText;
    QString m_enableText;
    QByteArray m_statusText;
    QByteArray m_alarmText;
    uint32_t m_alarmWord = 0;
    int m_alarmKind = 0;
    int m_statusWord = 0;
    int m_enableState = 1;
    // Boxes not listed are not current.
    std::map<int, bool> m_current;
};
