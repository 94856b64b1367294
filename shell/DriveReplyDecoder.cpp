#include "shell/DriveReplyDecoder.h"

#include "platform/AnsiCodePage.h"
#include "shell/Globals.h"

namespace {
const QByteArray NO_ALARMS("0000000000");
}

DriveReply DriveReply::FromMessage(WPARAM wParam, LPARAM lParam, const QByteArray& data)
{
    DriveReply reply;
    reply.id = LOWORD(lParam);
    reply.highWord = HIWORD(lParam);
    reply.value = wParam;
    const qsizetype end = data.indexOf('\0');
    reply.text = end < 0 ? data : data.left(end);
    return reply;
}

DriveReplyDecoder::DriveReplyDecoder(TypeNameLookup typeName, DriveIdLookup driveId)
    : m_typeNameLookup(std::move(typeName))
    , m_driveIdLookup(std::move(driveId))
    , m_typeText(QString::fromLatin1(UNKNOWN_TEXT))
    , m_versionText(QString::fromLatin1(UNKNOWN_TEXT))
    , m_statusText("00010100")
    , m_alarmText(NO_ALARMS)
{
}

StripUpdate DriveReplyDecoder::Decode(const DriveReply& reply, bool serialChannel, int askedTypeNamePart)
{
    StripUpdate update;
    switch (reply.id) {
    case CMD_GID:
    case CMD_GDTY:
        DecodeIdentity(reply, update);
        break;
    case CMD_GVER:
    case CMD_GVEN:
        if (reply.IsNumeric()) {
            update.picture = StripUpdate::Picture::Connected;
            SetVersion(static_cast<int>(reply.Word()), update);
        } else if (!reply.HasText()) {
            ForgetVersion(update);
        } else if (reply.id == CMD_GVEN) {
            update.picture = StripUpdate::Picture::Connected;
            SetVersion(TextToInt(reply.text), update);
        } else {
            // An older drive's own version text is shown as it stands; the firmware
            // number the pages go by stays what it was.
            update.picture = StripUpdate::Picture::Connected;
            m_versionText = AnsiToWide(reply.text);
            update.texts[IDC_VERSION] = m_versionText;
        }
        break;
    case CMD_GMOD:
    case CMD_GSIN: {
        int v = 0;
        if (reply.IsNumeric())
            v = static_cast<int>(reply.Word());
        else if (reply.HasText())
            v = TextToInt(reply.text);
        if (reply.id == CMD_GMOD) {
            update.texts[IDC_MODE] = ModeText(v);
            update.texts[IDC_SOURCE] = CommandSourceText(v);
        } else {
            update.texts = DecodeStatusWordN(static_cast<uint32_t>(v));
        }
        break;
    }
    case CMD_ENA:
        m_enableState = static_cast<int>(reply.value);
        update.controlledCheck = reply.value != 0;
        break;
    case CMD_GT:
        if (reply.IsNumeric()) {
            m_temperatureText = QString::number(static_cast<int32_t>(reply.Word()));
            update.texts[IDC_TEMPERATURE] = m_temperatureText;
        } else {
            update.texts[IDC_TEMPERATURE] = reply.HasText() ? AnsiToWide(reply.text) : QString();
        }
        break;
    case CMD_GEI:
        m_alarmKind = reply.highWord;
        if (reply.IsNumeric())
            m_alarmWord = reply.Word();
        else
            m_alarmText = reply.HasText() ? reply.text : NO_ALARMS;
        break;
    case CMD_GEIN:
        m_alarmKind = reply.highWord;
        if (reply.IsNumeric()) {
            m_alarmWord = reply.Word() >> 2;
        } else if (reply.HasText()) {
            m_alarmText = "0";
            m_alarmWord = static_cast<uint32_t>(TextToInt(reply.text)) >> 2;
        } else {
            m_alarmText = NO_ALARMS;
        }
        break;
    case CMD_GSI:
        if (reply.IsNumeric()) {
            m_statusWord = static_cast<int>(reply.Word());
            update.texts = DecodeStatusWord(reply.Word());
        } else if (reply.HasText()) {
            m_statusText = reply.text;
            update.texts = DecodeStatusText(reply.text);
        }
        if (update.texts.count(IDC_HW_ENABLE))
            m_enableText = update.texts[IDC_HW_ENABLE];
        break;
    case CMD_GDTN:
        if (!serialChannel)
            DecodeTypeNamePart(reply.Word(), askedTypeNamePart, update);
        else if (reply.value != 0)
            SetType(AnsiToWide(reply.text), true, update);
        else
            SetType(QString::fromLatin1(UNKNOWN_TEXT), false, update);
        break;
    default:
        break;
    }
    // A missing reply says nothing of the drive.
    const bool answered = reply.IsNumeric() || reply.HasText();
    for (const auto& [id, text] : update.texts)
        m_current[id] = answered;
    if (reply.id == CMD_GEI || reply.id == CMD_GEIN) {
        for (int id : LAMP_IDS)
            m_current[id] = answered;
    }
    return update;
}

bool DriveReplyDecoder::IsCurrent(int id) const
{
    const auto box = m_current.find(id);
    return box != m_current.end() && box->second;
}

void DriveReplyDecoder::MarkAll(bool current)
{
    for (int id : VALUE_FIELD_IDS)
        m_current[id] = current;
    for (int id : LAMP_IDS)
        m_current[id] = current;
}

StripUpdate DriveReplyDecoder::Forget()
{
    *this = DriveReplyDecoder(std::move(m_typeNameLookup), std::move(m_driveIdLookup));
    g_nFirmwareVersion = 0;
    StripUpdate update;
    for (int id : VALUE_FIELD_IDS)
        update.texts[id] = QString();
    update.texts[IDC_TYPE] = m_typeText;
    update.texts[IDC_VERSION] = m_versionText;
    update.picture = StripUpdate::Picture::Broken;
    return update;
}

uint16_t DriveReplyDecoder::LitLamps() const
{
    return ::LitLamps(m_alarmKind, m_alarmWord, m_alarmText);
}

void DriveReplyDecoder::DecodeIdentity(const DriveReply& reply, StripUpdate& update)
{
    if (!reply.IsNumeric()) {
        if (reply.HasText())
            SetType(AnsiToWide(reply.text), true, update);
        else
            SetType(QString::fromLatin1(UNKNOWN_TEXT), false, update);
        return;
    }
    QString name = m_typeText;
    const bool found = reply.id == CMD_GID ? m_driveIdLookup(reply.Word(), name)
                                           : m_typeNameLookup(static_cast<int>(reply.Word()), name);
    if (found)
        SetType(name, true, update);
    else
        SetType(QString::fromLatin1(UNKNOWN_TEXT), false, update);
}

void DriveReplyDecoder::SetType(const QString& text, bool connected, StripUpdate& update)
{
    m_typeText = text;
    update.texts[IDC_TYPE] = text;
    update.picture = connected ? StripUpdate::Picture::Connected : StripUpdate::Picture::Broken;
}

void DriveReplyDecoder::SetVersion(int version, StripUpdate& update)
{
    g_nFirmwareVersion = version;
    m_versionText = FirmwareVersionText(static_cast<uint32_t>(version));
    update.texts[IDC_VERSION] = m_versionText;
}

void DriveReplyDecoder::ForgetVersion(StripUpdate& update)
{
    g_nFirmwareVersion = 0;
    m_versionText = QString::fromLatin1(UNKNOWN_TEXT);
    update.texts[IDC_VERSION] = m_versionText;
    update.picture = StripUpdate::Picture::Broken;
}

void DriveReplyDecoder::DecodeTypeNamePart(uint32_t value, int askedPart, StripUpdate& update)
{
    const TypeNamePart part = AddTypeNamePart(g_szDriveTypeName, value, askedPart);
    if (part.result == TypeNamePart::Result::AskNext)
        update.askTypeNamePart = part.nextPart;
    else if (part.result == TypeNamePart::Result::Complete)
        SetType(AnsiToWide(QByteArrayView(g_szDriveTypeName, qstrnlen(g_szDriveTypeName, sizeof g_szDriveTypeName))),
                true, update);
}
