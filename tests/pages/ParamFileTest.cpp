#include "pages/params/ParamFile.h"

#include "pages/params/BasicParamIds.h"
#include "platform/AnsiCodePage.h"
#include "shell/IniFile.h"
#include "tests/support/GermanNumbers.h"
#include "tests/support/QtPrinters.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <climits>

namespace {

using M = BasicParamModel;

// Text as the other platform writes it: code page 936 with CR LF line ends.
QByteArray Gbk(const char* utf8)
{
    return WideToAnsi(QString::fromUtf8(utf8).replace(u'\n', QStringLiteral("\r\n")));
}

class ParamFileTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    static QByteArray Bytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void Write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QByteArray Saved(M model, const char* name)
    {
        CIniFile ini(Path(name));
        ini.ReadFile();
        SaveParamFile(model, ini);
        EXPECT_TRUE(ini.WriteFile()) << ini.Error().toStdString();
        return Bytes(ini.Path());
    }
    M Loaded(const QByteArray& bytes)
    {
        Write(Path("in.qzd"), bytes);
        CIniFile ini(Path("in.qzd"));
        EXPECT_TRUE(ini.ReadFile());
        M model;
        LoadParamFile(ini, model);
        return model;
    }

    QTemporaryDir dir;
};

// Every stored setting away from its default, as the page could hold them.
M Distinct()
{
    M model;
    int n = 10;
    for (const FileKey& key : ParamFileKeys()) {
        if (key.ref.kind != ParamRef::Kind::Field)
            continue;
        const ParamField& field = *FindParamField(key.ref.index);
        ++n;
        if (field.kind == FieldKind::Uint)
            model.*std::get<uint32_t M::*>(field.member) = 4000000000u - n;
        else if (field.kind == FieldKind::Float)
            model.*std::get<float M::*>(field.member) = n + 0.75f;
        else if (field.kind == FieldKind::Int)
            model.*std::get<int M::*>(field.member) = n * 1001;
        else // check boxes, radios, lists and states: the other of their first two values
            model.*std::get<int M::*>(field.member) = model.*std::get<int M::*>(field.member) == 0 ? 1 : 0;
    }
    model.m_nAuxEncoderDir = 0; // the auxiliary encoder as feedback is always an input
    for (int row = 0; row < kPhaseRows; ++row)
        model.phaseTexts[row] = QString::number(-7 * (row + 1));
    model.ioOutput = { 0, 0, 1, 1 };
    for (std::array<int, kCommonPorts>* list :
        { &model.m_cbIoPull, &model.m_cbIoOutType, &model.m_cbIoLevel, &model.m_cbIoInFunc, &model.m_cbIoOutFunc })
        list->fill(1);
    return model;
}

} // namespace

TEST_F(ParamFileTest, ANewFileHoldsTheKeysInTableOrder)
{
    ASSERT_EQ(ParamFileKeys().size(), 105u);
    const QByteArray bytes = Saved(M {}, "new.qzd");
    EXPECT_TRUE(bytes.startsWith(Gbk("[option]\n编码器分辨率=4\n位置下限=-2100000000\n位置上限=2100000000\n位限开关=禁用\n")));
    EXPECT_TRUE(bytes.contains("\xBD\xFB\xD3\xC3")) << "禁用 in code page 936";
    EXPECT_TRUE(bytes.endsWith(Gbk("端口4高低=0\n端口4上下拉=0\n端口4功能=0\n\n")));
    EXPECT_EQ(bytes.count("\r\n"), 1 + 105 + 1);
    for (const char* line : { "死区电压=0\n最大峰值电流=0\n", "运转方向=正转\n", "电流控制机制=过流保护模式\n",
             "节点地址=2.000000e+000\n", "HLA=0\n", "波特率=9600\nCAN波特率=500\n" })
        EXPECT_TRUE(bytes.contains(Gbk(line))) << line;
}

TEST_F(ParamFileTest, SavingOverAFileKeepsItsOtherLinesAndUpdatesKnownKeysInPlace)
{
    Write(Path("old.qzd"), Gbk("[head]\nx=1\n\n[option]\n自定义=keep\n节点地址=9\n端口4功能=2\n\n[tail]\ny=2\n"));
    const QByteArray bytes = Saved(M {}, "old.qzd");
    EXPECT_TRUE(bytes.startsWith(Gbk("[head]\nx=1\n\n[option]\n自定义=keep\n节点地址=2.000000e+000\n端口4功能=0\n"
                                     "编码器分辨率=4\n")));
    EXPECT_TRUE(bytes.endsWith(Gbk("端口4上下拉=0\n\n[tail]\ny=2\n\n")));
    EXPECT_EQ(bytes.count("\r\n"), 3 + 1 + 1 + 105 + 1 + 2 + 1);
}

TEST_F(ParamFileTest, LoadRules)
{
    struct Case {
        const char* line;
        double (*value)(const M&);
        double expected;
    };
    const auto address = [](const M& m) { return double(m.m_fDriveAddress); };
    const auto can = [](const M& m) { return double(m.m_cbCanBaud); };
    const auto encoder = [](const M& m) { return double(m.m_nEncoderCounts); };
    const Case cases[] = {
        { "死区电压=2999.9", [](const M& m) { return double(m.m_fAnalogDeadRange); }, double(2999.9f) },
        { "死区电压=1e99", [](const M& m) { return double(m.m_fAnalogDeadRange); }, double(FLT_MAX) },
        { "最大峰值电流=2999.9", [](const M& m) { return double(m.m_fMaxPeakCurrent); }, 2999 },
        { "节点地址=2.0", address, 2 },
        { "节点地址=nan", address, 0 },
        { "CAN波特率=100", can, 2 },
        { "CAN波特率=1000", can, 6 },
        { "CAN波特率=20", can, 0 },
        { "CAN波特率=4800", can, 3 },
        { "波特率=", [](const M& m) { return double(m.m_cbRs232Baud); }, 3 },
        { "寻零模式=-1", [](const M& m) { return double(m.m_cbHomeMode); }, -1 },
        { "寻零模式=2", [](const M& m) { return double(m.m_cbHomeMode); }, -1 },
        { "抱闸器状态=7", [](const M& m) { return double(m.m_bBrakeOpen); }, 1 },
        { "上电默认制动电压=3", [](const M& m) { return double(m.m_nThresholdMode); }, 3 },
        { "运行模式=3", [](const M& m) { return double(m.m_nRunMode); }, 0 },
        { "位限开关=1", [](const M& m) { return double(m.m_bScaleLimit); }, 0 },
        { "编码器分辨率=99999999999", encoder, INT_MAX },
        { "编码器分辨率= 12abc", encoder, 12 },
        { "位置微分系数=-1", [](const M& m) { return double(m.m_uPosD); }, 4294967295.0 },
        { "HLA=12abc", [](const M& m) { return m.phaseTexts[0].toDouble(); }, 12 },
        { "使用主副编码器=1\n副编码器输入输出=1", [](const M& m) { return double(m.m_nAuxEncoderDir); }, 0 },
        { "端口1输入输出=1\n端口1上下拉=1", [](const M& m) { return double(m.m_cbIoOutType[0] * 10 + m.m_cbIoPull[0]); }, 10 },
        { "端口1输入输出=1\n端口1功能=3", [](const M& m) { return double(m.m_cbIoInFunc[0]); }, 0 },
        { "端口2输入输出=0\n端口2功能=4", [](const M& m) { return double(m.m_cbIoInFunc[1]); }, 4 },
        { "端口3输入输出=5\n端口3功能=1", [](const M& m) { return double(m.ioOutput[2] * 10 + m.m_cbIoOutFunc[2]); }, 11 },
        { "端口4输入输出=1\n端口4功能=7", [](const M& m) { return double(m.m_cbIoOutFunc[3]); }, -1 },
    };
    for (const Case& c : cases) {
        const M model = Loaded(Gbk("[option]\n") + Gbk(c.line) + "\r\n");
        EXPECT_EQ(c.value(model), c.expected) << c.line;
    }
}

TEST_F(ParamFileTest, SaveAndLoadGiveBackEveryStoredSettingUnderAGermanLocale)
{
    GermanNumbers german;
    const M saved = Distinct();
    const QByteArray first = Saved(saved, "first.qzd");
    EXPECT_TRUE(first.contains(Gbk("节点地址=4.375000e+001\n"))) << first.toStdString();
    const M loaded = Loaded(first);
    EXPECT_EQ(loaded.m_fDriveAddress, saved.m_fDriveAddress);
    EXPECT_EQ(loaded.m_fAnalogDeadRange, std::trunc(saved.m_fAnalogDeadRange));
    EXPECT_EQ(loaded.m_fMaxPeakCurrent, std::trunc(saved.m_fMaxPeakCurrent));
    EXPECT_EQ(loaded.m_uTorqueI, saved.m_uTorqueI);
    // Whatever the load dropped or bent would now be written differently.
    EXPECT_EQ(Saved(loaded, "second.qzd"), first);
}

TEST_F(ParamFileTest, AFileFromTheOtherPlatformLoadsInEitherEncoding)
{
    const char* text = "[Info]\nTool=伺服\n\n[option]\n编码器分辨率=4000\n位限开关=启用\n运转方向=反转\n"
                       "节点地址=1.000000e+001\n电流控制机制=限流模式\nHLA=-5\nCAN波特率=125\n端口4输入输出=1\n"
                       "端口4功能=2\n\n";
    const QByteArray utf8WithBom = "\xEF\xBB\xBF" + QByteArray(text).replace("\n", "\r\n");
    for (const QByteArray& bytes : { Gbk(text), utf8WithBom }) {
        const M model = Loaded(bytes);
        EXPECT_EQ(model.m_nEncoderCounts, 4000);
        EXPECT_EQ(model.m_bScaleLimit, 1);
        EXPECT_EQ(model.m_nPositionDirection, 1);
        EXPECT_EQ(model.m_fDriveAddress, 10.0f);
        EXPECT_EQ(model.phaseTexts[0], QStringLiteral("-5"));
        EXPECT_EQ(model.ioOutput[3], 1);
        EXPECT_EQ(model.m_cbIoOutFunc[3], 2);
    }
}

TEST(ParamFile, ProposedFileName)
{
    const std::pair<const char*, const char*> cases[] = {
        { "\r\nQD\r200\n", "QD200" },
        { "a/b\\c", "a_b_c" },
        { "伺服\tX", "伺服_X" },
        { "..", "" },
        { "\r\n", "" },
    };
    for (const auto& [type, name] : cases)
        EXPECT_EQ(ProposedFileName(QString::fromUtf8(type)), QString::fromUtf8(name)) << type;
}

TEST(ParamFile, MotorTypesAreCountedAndNumberedFromZero)
{
    CIniFile list;
    AddMotorType(list, QStringLiteral("M1"));
    AddMotorType(list, QStringLiteral("M2"));
    EXPECT_EQ(list.GetValueI("option", "MotType"), 2);
    EXPECT_EQ(list.GetValue("MotType", "Project0"), "M1");
    EXPECT_EQ(list.GetValue("MotType", "Project1"), "M2");

    CIniFile hostile;
    hostile.SetValue("option", "MotType", "-4", true);
    AddMotorType(hostile, QStringLiteral("N"));
    EXPECT_EQ(hostile.GetValue("MotType", "Project0"), "N");
}

TEST_F(ParamFileTest, KeysHeldTellAParameterFileFromSomethingElse)
{
    const QByteArray whole = Saved(Distinct(), "whole.qzd");
    const QString utf16 = QString::fromUtf8(whole.constData());
    const std::pair<QByteArray, int> cases[] = { { QByteArray(), 0 }, { QByteArray("\x8F\x00\xFF=\x81[\xA0]\r\n", 10), 0 },
        { QByteArray(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2), 0 },
        { Gbk("[other]\n编码器分辨率=4000\n"), 0 }, { Gbk("[option]\n编码器分辨率=4000\nHLA=3\nno key=1\n"), 2 },
        { whole, static_cast<int>(ParamFileKeys().size()) } };
    for (const auto& [bytes, held] : cases) {
        Write(Path("f.qzd"), bytes);
        CIniFile ini(Path("f.qzd"));
        ASSERT_TRUE(ini.ReadFile());
        EXPECT_EQ(ParamFileKeysHeld(ini), held) << bytes.left(20).toHex().toStdString();
    }
}
