#include "pages/params/ReadAllParams.h"

#include "link/CanFrame.h"
#include "link/LogRing.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

// The read as the drive is asked: mnemonic and command id.
const char* const kReadOrder
    = "GMOD:43 GENC:31 GSP:23 GMV:25 GER:58 GCCW:205 GPOF:118 GOV:120 GOP:122 GORG:124 GPHE:66 GPE:64 GPL:54 "
      "GPH:52 GA:89 GMAV:50 GTW:56 GMP:103 GMD:109 GMK:105 GP:97 GI:99 GD:101 GAP:91 GAI:93 GPC:27 GCC:29 GPT:62 "
      "GADR:5 GNOD:6 GNOT:12 GRBD:9 GUBD:9857 GCBD:8 GCPI:207 GMI:107 GAD:95 GNP:195 GSK:60 GME:156 GIIT:87 "
      "GCIT:9921 GEVL:9923 GHE:201 GECM:9847 GCEC:9849 GVRF:9841 GVBU:9843 GVRM:9845 GPOM:9827 GPOI:9829 "
      "GPOT:9831 GCMS:9816 GMST:9812 GMSO:9814 GQTA:9477 GQTT:9479 GDEC:9481 GBRA:9483 GHLO:9790 GHLA:9776 "
      "GHLB:9777 GHLC:9778 GHLD:9779 GHLE:9780 GHLF:9781 GHLG:9782 GHLH:9783 GHLI:9784 GHLJ:9785 GHLK:9786 "
      "GHLL:9787 GHLR:9791 GENA:9889 GDIR:9893 GPOS:9895 GNEG:9897 GCDI:9877 GFAT:9875 GIOA:9899 GIOB:9901 "
      "GIOC:9903 GIOD:9873";

QStringList Order(const std::vector<ParamQuery>& queries)
{
    QStringList order;
    for (const ParamQuery& query : queries)
        order << QStringLiteral("%1:%2").arg(query.mnemonic).arg(query.id);
    return order;
}

CanFrame Frame(uint32_t length, std::initializer_list<uint8_t> value)
{
    CanFrame frame {};
    frame.dataLength = length;
    std::copy(value.begin(), value.end(), frame.data + 4);
    return frame;
}

std::optional<QByteArray> CanText(const char* mnemonic, const CanFrame& frame)
{
    return QueryReplyText(QString::fromLatin1(mnemonic), &frame, sizeof frame, false);
}

} // namespace

TEST(ReadAllParams, QueriesInTheDrivesOrderWithTheSecondTrackingErrorOfNewerFirmware)
{
    const QStringList older = QString::fromLatin1(kReadOrder).split(u' ');
    ASSERT_EQ(older.size(), 83);
    QStringList newer = older;
    newer.insert(5, QStringLiteral("GER:58"));
    for (int version : { 0, -1, 0x300C })
        EXPECT_EQ(Order(ReadAllQueries(version)), older) << version;
    for (int version : { 0x300D, 0x3138 })
        EXPECT_EQ(Order(ReadAllQueries(version)), newer) << version;
}

TEST(ReadAllParams, ReplyTextsOfBothChannels)
{
    // Serial: the bytes as they came, at most 63 of them.
    const QByteArray longReply(100, '7');
    EXPECT_EQ(QueryReplyText("GENC", "4000\r", 5, true), QByteArray("4000\r"));
    EXPECT_EQ(QueryReplyText("GENC", longReply.constData(), 100, true), longReply.left(63));
    EXPECT_EQ(QueryReplyText("GENC", "x", -3, true), QByteArray());

    struct Case {
        const char* query;
        CanFrame frame;
        const char* text; // null: no value
    } cases[] = {
        { "GPL", Frame(6, { 0xFE, 0xFF }), "65534" },
        { "GORG", Frame(6, { 0xFE, 0xFF }), "-2" },
        { "GORG", Frame(8, { 0xFE, 0xFF, 0xFF, 0xFF }), "-2" },
        { "GPL", Frame(8, { 0xFE, 0xFF, 0xFF, 0xFF }), "-2" },
        { "GPH", Frame(8, { 0x00, 0x75, 0x2B, 0x7D }), "2100000000" },
        { "GMOD", Frame(6, { 0x05, 0x81 }), "33029" },
        { "GMOD", Frame(8, { 0x05, 0x01, 0x00, 0x80 }), "2147483909" },
        { "GPOF", Frame(6, { 0x00, 0x01 }), "0" },
        { "GPOF", Frame(8, { 0x07, 0x00, 0x00, 0x00 }), "1" },
        { "GPOF", Frame(5, { 1 }), "1" },
        // Data lengths that carry no value.
        { "GPL", Frame(4, {}), nullptr },
        { "GENC", Frame(5, { 1 }), nullptr },
        { "GENC", Frame(0, {}), nullptr },
    };
    for (const Case& c : cases) {
        const std::optional<QByteArray> text = CanText(c.query, c.frame);
        if (c.text)
            EXPECT_EQ(text, QByteArray(c.text)) << c.query << " " << c.frame.dataLength;
        else
            EXPECT_FALSE(text) << c.query << " " << c.frame.dataLength;
    }
}

TEST(ReadAllParams, FailedQueriesAreLoggedWithWhyAndATimedOutDriveIsGivenUp)
{
    MessageRecorder log;
    SetLogView(&log);
    // CAN: a value, a time-out, a frame without a value, a value, then nothing but time-outs.
    int delivered = 0;
    const ReadAllOutcome outcome = RunReadAll(
        { { "GENC", 31 }, { "GSP", 23 }, { "GPL", 54 }, { "GPH", 52 }, { "GA", 89 }, { "GTW", 56 }, { "GMP", 103 },
            { "GMD", 109 } }, false,
        [&](QString command, void* reply, int*) {
            const CanFrame frame = Frame(command == u"GPL\r" ? 7 : 8, { 0x10, 0x27 });
            std::memcpy(reply, &frame, sizeof frame);
            return command == u"GSP\r" || delivered == 2 ? 11 : 0;
        },
        [] { return false; }, [&](CommandId, const QByteArray&) { ++delivered; });
    UnsetLogView(&log);
    QStringList lines;
    for (const auto& m : log.Take())
        lines << QString::fromLatin1(LOWORD(m.lParam) ? "C:" : "R:") + DecodeLogText(m.data);
    const QString timeout = CommResultText(11);
    EXPECT_EQ(lines.mid(0, 7), (QStringList { "C:GENC", "R:10000", "C:GSP", "R:" + timeout, "C:GPL", "R:no value in the reply", "C:GPH" }));
    EXPECT_EQ(ReadAllFailureMessage(outcome, 8),
        QStringLiteral("The read stopped after 3 queries in a row had no answer. 6 of 8 settings were not read from the "
                       "drive; their fields are marked. The first: GSP (%1), GPL (no value in the reply), GA (%1).").arg(timeout));
}

TEST(ReadAllParams, ErrAnswersAreDeliveredButNotReadAndAStopIsTold)
{
    int delivered = 0;
    const ReadAllOutcome outcome = RunReadAll(
        { { "GENC", 31 }, { "GEVL", 9923 }, { "GSP", 23 } }, true,
        [&](QString command, void* reply, int* length) {
            *length = std::sprintf(static_cast<char*>(reply), command == u"GENC\r" ? "4000\r" : "ERR2\r");
            return 0;
        },
        [&] { return delivered == 2; }, [&](CommandId, const QByteArray&) { ++delivered; });
    EXPECT_EQ(ReadAllFailureMessage(outcome, 3), QStringLiteral("The read was stopped. 2 of 3 settings were not read from "
                                                                "the drive; their fields are marked. The first: GEVL (ERR2)."));
    EXPECT_TRUE(ReadAllFailureMessage(ReadAllOutcome { 3, {}, false, false }, 3).isEmpty());
}
