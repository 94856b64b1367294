#include "pages/params/WriteAllParams.h"

#include "link/DriveExchange.h"
#include "link/LinkAnswer.h"
#include "link/LinkLayer.h"
#include "link/LogRing.h"
#include "pages/params/BasicParamControls.h"
#include "pages/params/BasicParamFields.h"
#include "pages/params/BasicParamIds.h"
#include "pages/params/BasicParamRules.h"
#include "pages/params/PortWord.h"
#include "platform/MessageBox.h"
#include "shell/DriveCommands.h"
#include "shell/StripDecoders.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <tuple>

const QString kChangeBaudMessage = QStringLiteral("Plase update baud in \"Communication\" manually，then reopen.");

namespace {

using M = BasicParamModel;

constexpr int kCanBaudRates[] = { 20000, 50000, 100000, 125000, 250000, 500000, 1000000 };
constexpr int kCanBaudDefault = 500000;
constexpr int kSerialBaudRates[] = { 9600, 19200, 38400, 57600, 115200 };
constexpr int kSerialBaudDefault = 9600;
// The record an answer is heard into: a serial answer text or a CAN frame.
constexpr int kAnswerBytes = 64;

int ItemOrZero(int item, size_t count)
{
    return item >= 0 && static_cast<size_t>(item) < count ? item : 0;
}

int FieldValue(const M& model, int id)
{
    const ParamField& field = *FindParamField(id);
    switch (field.kind) {
    case FieldKind::Uint:
        // The drive takes the same 32 bits, whichever way they are written.
        return static_cast<int>(ModelField<uint32_t>(model, field));
    case FieldKind::Float:
        return FloatToInt(ModelField<float>(model, field));
    case FieldKind::Radio:
        return ItemOrZero(ModelField<int>(model, field), RadioGroupButtons(id).size());
    case FieldKind::Combo:
        return ItemOrZero(ModelField<int>(model, field), FindControlSpec(id)->items.size());
    case FieldKind::Int:
    case FieldKind::Check:
    case FieldKind::State:
        break;
    }
    return ModelField<int>(model, field);
}

uint16_t FunctionPortWord(const M& model, const FunctionPort& port)
{
    PortWord word;
    word.output = port.output;
    word.pullOrType = FieldValue(model, port.pullId);
    word.level = port.levelId ? FieldValue(model, port.levelId) : 0;
    word.function = port.function;
    return word.Encode();
}

uint16_t CommonPortWord(const M& model, int port)
{
    PortWord word;
    word.output = model.ioOutput[port] != 0;
    word.pullOrType = word.output ? model.m_cbIoOutType[port] : model.m_cbIoPull[port];
    word.level = model.m_cbIoLevel[port];
    word.function = CommonPortFunction(port, word.output,
        word.output ? model.m_cbIoOutFunc[port] : model.m_cbIoInFunc[port]);
    return word.Encode();
}

int StepValue(const M& model, const WriteStep& step)
{
    const ParamRef ref = step.ref;
    switch (step.value) {
    case WriteValue::Field:
        return FieldValue(model, ref.index);
    case WriteValue::Flag:
        return FieldValue(model, ref.index) != 0 ? 1 : 0;
    case WriteValue::Inverted:
        return FieldValue(model, ref.index) == 0 ? 1 : 0;
    case WriteValue::RunMode:
        return ModeCommandValue(model.m_nRunMode, model.m_cbCommand);
    case WriteValue::Baud: {
        const int item = ModelField<int>(model, *FindParamField(ref.index));
        return ref.index == IDC_CAN_BAUD ? CanBaudRate(item) : SerialBaudRate(item);
    }
    case WriteValue::Text:
        return TextToInt(model.phaseTexts[ref.index].toLatin1());
    case WriteValue::Port:
        return ref.kind == ParamRef::Kind::CommonPort ? CommonPortWord(model, ref.index)
                                                      : FunctionPortWord(model, FunctionPorts()[ref.index]);
    }
    return 0;
}

} // namespace

std::optional<SetupProblem> CheckSetupValues(const BasicParamModel& model)
{
    if (model.m_nEncoderCounts % 4 != 0)
        return SetupProblem { QStringLiteral("Encoder counts = PPR * 4"), MB_ICONERROR };
    if (model.m_fDriveAddress > 127.0f || model.m_fDriveAddress < 2.0f)
        return SetupProblem { QStringLiteral("Device address must be from 2 to 127"), MB_ICONWARNING };
    if (model.m_nPosLimitHigh < model.m_nPosLimitLow)
        return SetupProblem { QStringLiteral("The position limit must be from the smaller value to the larger one"),
            MB_ICONERROR };
    if (model.m_fMaxContCurrent > model.m_fMaxPeakCurrent)
        return SetupProblem { QStringLiteral("Max.Ipeak should bigger than Max.Icontinous"), MB_ICONERROR };
    return std::nullopt;
}

std::vector<WriteCommand> WriteAllCommands(const BasicParamModel& model)
{
    std::vector<WriteCommand> commands;
    for (const WriteStep& step : WriteOrder()) {
        if (step.value == WriteValue::Baud && !model.m_bChangeBaud)
            continue;
        commands.push_back({ WriteOf(step.ref) + QString::number(StepValue(model, step)) + u'\r', step.logged });
    }
    return commands;
}

int CanBaudRate(int item)
{
    return item >= 0 && item < static_cast<int>(std::size(kCanBaudRates)) ? kCanBaudRates[item] : kCanBaudDefault;
}

int SerialBaudRate(int item)
{
    return item >= 0 && item < static_cast<int>(std::size(kSerialBaudRates)) ? kSerialBaudRates[item]
                                                                              : kSerialBaudDefault;
}

int FloatToInt(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return INT_MAX;
    if (value <= -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(value);
}

CommandTrip SendOnLink(const QString& command, int answerMs)
{
    alignas(CanFrame) char reply[kAnswerBytes];
    int length = kAnswerBytes;
    const bool serial = g_nComType.load() == COMM_RS232;
    const HeardAnswer heard = LinkSendAndHearAnswer(command, reply, &length, answerMs);
    // A CAN answer is a frame: only its coming counts.
    return { heard.sent, heard.answer, serial ? QByteArray(reply, length) : QByteArray(), heard.waitedMs };
}

QString CommandTripProblem(const CommandTrip& trip)
{
    if (trip.result != 0)
        return CommResultText(trip.result);
    if (trip.answer != 0)
        return CommResultText(trip.answer);
    if (trip.text.contains("ERR"))
        return DecodeLogText(ReplyTextWithoutLineEnd(trip.text));
    return {};
}

WriteAllOutcome RunWriteAll(
    const std::vector<WriteCommand>& commands, const SendCommand& send, const std::function<bool(int ms)>& wait)
{
    WriteAllOutcome outcome;
    std::vector<std::pair<QString, QString>> notTaken; // command, why
    for (const WriteCommand& command : commands) {
        const CommandTrip trip = send(command.text, kWriteGapMs);
        ++outcome.sent;
        const QString text = command.text.chopped(1);
        if (command.logged)
            PostLogString(text, kLogCommandLine, true);
        LogCommResult(trip.result, false);
        const QString problem = CommandTripProblem(trip);
        if (!problem.isEmpty()) {
            if (command.logged)
                PostLogString(problem, kLogReplyLine, true);
            notTaken.emplace_back(text, problem);
        } else {
            // A command sent again is sent for this: the low position limit, refused while
            // the drive's high limit is still below it, is taken once the high one came.
            std::erase_if(notTaken, [&text](const auto& failed) { return failed.first == text; });
        }
        if (!wait(std::max(0, kWriteGapMs - trip.answerMs))) {
            outcome.stopped = &command != &commands.back();
            break;
        }
    }
    outcome.failed = static_cast<int>(notTaken.size());
    if (!notTaken.empty())
        std::tie(outcome.firstFailed, outcome.firstReason) = notTaken.front();
    return outcome;
}

QString WriteFailureMessage(const WriteAllOutcome& outcome)
{
    if (outcome.failed == 0)
        return {};
    return QStringLiteral("%1 of %2 commands did not reach the drive or were refused by it, the first \"%3\" (%4).")
        .arg(outcome.failed)
        .arg(outcome.sent)
        .arg(outcome.firstFailed, outcome.firstReason);
}
