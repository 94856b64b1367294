// velquarin-drivesim: simulated servo drives for trying Velquarin without hardware.
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/SimDriveParams.h"
#include "tools/drivesim/SimDriveStatus.h"
#include "tools/drivesim/SimMotion.h"
#include "tools/drivesim/SimWave.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: velquarin-drivesim [--pty [--link PATH] [--baud N]]\n"
    "                          [--can URL [--nodes 1,2,...] [--bitrate KBIT] [--can-mode auto|host|join]]\n"
    "                          [--set MNEMONIC=VALUE]... [fault options] [--verbose]\n"
    "\n"
    "  --pty             serve the serial text protocol on a pseudo-terminal; its path is\n"
    "                    printed on the first line of standard output\n"
    "  --link PATH       also make PATH a symbolic link to that pseudo-terminal\n"
    "  --baud N          hold each reply back by its wire time at N baud (10 bits a byte)\n"
    "  --can URL         serve the CAN protocol on a Qt virtual CAN bus, such as\n"
    "                    tcp://127.0.0.1:35470/can0 (hosts the bus when the port is free,\n"
    "                    else joins the bus already there; --can-mode forces either);\n"
    "                    once it is on the bus, \"can URL host\" or \"can URL join\" is printed\n"
    "  --nodes LIST      node addresses of the drives (default 1); the first one also\n"
    "                    answers on the serial line\n"
    "  --bitrate KBIT    hold each CAN reply back by the bus's wire time\n"
    "  --reply-id N      identifier of CAN replies (default 0x101)\n"
    "  --set [N:]M=V     store V as the value that query M (or its setter) reads, on every drive\n"
    "                    or, with N:, on the drive at node N alone (--set 9:GDTY=3); the\n"
    "                    motor's GM, GV and GC follow its motion; SSP and A set its speed\n"
    "                    limit and acceleration\n"
    "  --type-name NAME  the drives' type name, as GDTN answers it (default QX6215)\n"
    "  --alarm BIT       raise alarm bit BIT (0-9) on every drive; may be repeated\n"
    "  --old-firmware    answer ERR2 to GVEN, GSIN and GEIN, as drives of older firmware do\n"
    "\n"
    "faults (on both channels where they apply):\n"
    "  --silent          never reply\n"
    "  --refuse          answer every command as unknown (ERR2, on CAN the value 2), taking none\n"
    "  --delay MS        reply MS milliseconds late\n"
    "  --stall MS        serial: from the first command on, reply to nothing for MS\n"
    "                    milliseconds, then to every command received meanwhile\n"
    "  --noise TEXT      send TEXT before each serial reply (\\r \\n \\xHH escapes)\n"
    "  --echo            send each serial command back before its reply\n"
    "  --split MS        send each serial reply in two writes MS milliseconds apart\n"
    "  --overlong N      pad each serial reply to N characters\n"
    "  --wrong-node      CAN replies name another node\n"
    "  --wrong-id        CAN replies answer another command number\n"
    "  --wrong-identifier  CAN replies whose lowest identifier byte is 2\n"
    "  --dlc N           cut or zero-pad CAN reply data to N bytes (0-15)\n"
    "  --fault-count N   apply the faults to the next N replies only\n";

std::optional<long> Number(const char* text, long low, long high)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || value < low || value > high)
        return std::nullopt;
    return value;
}

std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == 'x' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1]))
                 && std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            out += c;
    }
    return out;
}

// The fault options that switch a fault on, and the ones that set a number in a range.
struct FaultSwitch {
    const char* option;
    bool FaultPlan::*member;
};
const FaultSwitch kFaultSwitches[] = {
    { "--silent", &FaultPlan::silent }, { "--refuse", &FaultPlan::refuse }, { "--echo", &FaultPlan::echo },
    { "--wrong-node", &FaultPlan::wrongNode }, { "--wrong-id", &FaultPlan::wrongCommandId },
    { "--wrong-identifier", &FaultPlan::wrongIdentifier },
};
struct FaultNumber {
    const char* option;
    int FaultPlan::*member;
    long low, high;
};
const FaultNumber kFaultNumbers[] = {
    { "--delay", &FaultPlan::delayMs, 0, 600000 }, { "--stall", &FaultPlan::stallMs, 0, 600000 },
    { "--split", &FaultPlan::splitGapMs, 0, 60000 }, { "--overlong", &FaultPlan::overlongLength, 1, 60000 },
    { "--dlc", &FaultPlan::dlc, 0, 15 }, { "--fault-count", &FaultPlan::count, 0, 1000000000 },
};

// The table row for an option, or null.
template <class Row, size_t N>
const Row* Find(const Row (&rows)[N], const std::string& option)
{
    const auto row = std::find_if(rows, rows + N, [&](const Row& r) { return option == r.option; });
    return row == rows + N ? nullptr : row;
}

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "velquarin-drivesim: %s\n%s", message.c_str(), kUsage);
    std::exit(2);
}

}

int main(int argc, char** argv)
{
    DriveSimulatorConfig config;
    FaultPlan faults;
    struct Preset {
        int node; // 0: every drive
        std::string mnemonic;
        int32_t value;
    };
    std::vector<Preset> presets;
    std::optional<std::string> typeName;
    std::vector<int> alarms;
    bool oldFirmware = false;

    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                Fail(option + " needs a value");
            return argv[++i];
        };
        auto number = [&](long low, long high) {
            const char* text = value();
            const auto n = Number(text, low, high);
            if (!n)
                Fail(option + ": " + text + " is not a number from " + std::to_string(low) + " to "
                     + std::to_string(high));
            return static_cast<int>(*n);
        };
        if (option == "--help" || option == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (option == "--pty") {
            config.pty = true;
        } else if (option == "--link") {
            config.linkPath = value();
        } else if (option == "--baud") {
            config.baud = number(0, 10000000);
        } else if (option == "--can") {
            config.canUrl = value();
        } else if (option == "--can-mode") {
            const std::string mode = value();
            if (mode == "auto")
                config.canMode = VirtualCanBus::Mode::Auto;
            else if (mode == "host")
                config.canMode = VirtualCanBus::Mode::Host;
            else if (mode == "join")
                config.canMode = VirtualCanBus::Mode::Join;
            else
                Fail("--can-mode takes auto, host or join");
        } else if (option == "--nodes") {
            config.nodes.clear();
            std::stringstream list(value());
            for (std::string item; std::getline(list, item, ',');) {
                const auto node = Number(item.c_str(), 1, 127);
                if (!node)
                    Fail("node addresses run from 1 to 127: " + item);
                config.nodes.push_back(static_cast<int>(*node));
            }
            if (config.nodes.empty())
                Fail("--nodes needs at least one address");
        } else if (option == "--bitrate") {
            config.bitrateKbit = number(0, 100000);
        } else if (option == "--reply-id") {
            config.replyIdentifier = static_cast<uint32_t>(number(0, 0x1FFFFFFF));
        } else if (option == "--set") {
            const std::string item = value();
            const size_t colon = item.find(':');
            const size_t start = colon == std::string::npos ? 0 : colon + 1;
            const auto node = start == 0 ? std::optional<long>(0) : Number(item.substr(0, colon).c_str(), 1, 127);
            const size_t equals = item.find('=', start);
            const auto n = equals == std::string::npos ? std::nullopt
                                                       : Number(item.c_str() + equals + 1, INT32_MIN, UINT32_MAX);
            if (!node || !n || equals == start)
                Fail("--set takes [NODE:]MNEMONIC=VALUE, not " + item);
            presets.push_back({ static_cast<int>(*node), item.substr(start, equals - start),
                static_cast<int32_t>(static_cast<uint32_t>(*n)) });
        } else if (option == "--type-name") {
            typeName = value();
        } else if (option == "--alarm") {
            alarms.push_back(number(0, SimDriveStatus::kAlarmBits - 1));
        } else if (option == "--old-firmware") {
            oldFirmware = true;
        } else if (const FaultSwitch* fault = Find(kFaultSwitches, option)) {
            faults.*(fault->member) = true;
        } else if (const FaultNumber* fault = Find(kFaultNumbers, option)) {
            faults.*(fault->member) = number(fault->low, fault->high);
        } else if (option == "--noise") {
            faults.noise = Unescape(value());
        } else if (option == "--verbose") {
            config.verbose = true;
        } else {
            Fail("unknown option " + option);
        }
    }
    if (!config.pty && config.canUrl.empty())
        Fail("give --pty, --can URL or both");
    for (const Preset& preset : presets) {
        if (preset.node != 0 && std::find(config.nodes.begin(), config.nodes.end(), preset.node) == config.nodes.end())
            Fail("--set names node " + std::to_string(preset.node) + ", which --nodes does not list");
    }

    // Block the stop signals before the serving thread starts, so that only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    DriveSimulator simulator(config);
    for (int node : config.nodes) {
        SimDrive& drive = *simulator.Drive(node);
        SimDriveParams::Attach(drive);
        const auto status = SimDriveStatus::Attach(drive);
        if (typeName)
            status->SetTypeName(*typeName);
        for (int bit : alarms)
            status->SetAlarm(bit, true);
        status->SetOldFirmware(oldFirmware);
        SimMotion::Attach(drive, status);
        SimWave::Attach(drive);
        for (const Preset& preset : presets) {
            if (preset.node == 0 || preset.node == node)
                drive.SetParameter(preset.mnemonic, preset.value);
        }
    }
    simulator.SetFaults(SimChannel::Serial, faults);
    simulator.SetFaults(SimChannel::Can, faults);

    std::string error;
    if (!simulator.Start(&error)) {
        std::fprintf(stderr, "velquarin-drivesim: %s\n", error.c_str());
        return 1;
    }
    // Standard output tells scripts that the drives are ready: the pseudo-terminal's path
    // first, then a line for the bus.
    if (config.pty) {
        std::printf("%s\n", simulator.PtyPath().c_str());
        std::fprintf(stderr, "velquarin-drivesim: serial drive (node %d) on %s%s%s\n", config.nodes.front(),
                     simulator.PtyPath().c_str(), config.linkPath.empty() ? "" : ", linked from ",
                     config.linkPath.c_str());
    }
    if (!config.canUrl.empty()) {
        std::string nodes;
        for (int node : config.nodes)
            nodes += (nodes.empty() ? "" : ",") + std::to_string(node);
        std::printf("can %s %s\n", config.canUrl.c_str(), simulator.IsCanHost() ? "host" : "join");
        std::fprintf(stderr, "velquarin-drivesim: CAN drives at nodes %s on %s (%s the bus)\n", nodes.c_str(),
                     config.canUrl.c_str(), simulator.IsCanHost() ? "hosting" : "joined");
    }
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    simulator.Stop();
    return 0;
}
