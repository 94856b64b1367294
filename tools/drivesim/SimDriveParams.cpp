#include "tools/drivesim/SimDriveParams.h"

#include <cstring>

namespace {

SimReply Ack()
{
    SimReply reply;
    reply.kind = SimReply::Kind::Ack;
    reply.width = 2;
    return reply;
}

SimReply Refused()
{
    SimReply reply;
    reply.kind = SimReply::Kind::Unknown;
    return reply;
}

// Block offsets of the settings in layouts A, B and C (-1: the layout lacks it).
struct BlockField {
    const char* query; // null: a value the drive keeps but nothing sets
    int offset[3];
    int bytes;
};

const BlockField kBlockFields[] = {
    { "GPC", { 16, 16, 16 }, 4 },
    { "GCC", { 20, 20, 20 }, 4 },
    { "GPH", { 24, 24, 24 }, 4 },
    { "GPL", { 28, 28, 28 }, 4 },
    { "GA", { 38, 58, 58 }, 2 },
    { "GSP", { 40, 60, 60 }, 2 },
    { "GMV", { -1, -1, 62 }, 2 },
    { "GMAV", { 44, 64, 64 }, 2 },
    { "GPT", { 48, 68, 68 }, 2 },
    { "GTW", { 50, 70, 70 }, 2 },
    { "GME", { 54, 74, 74 }, 2 },
    { "GENC", { 56, 76, 76 }, 2 },
    { "GP", { 58, 78, 78 }, 2 },
    { "GI", { 60, 80, 80 }, 2 },
    { "GD", { 62, 82, 82 }, 2 },
    { "GER", { -1, 84, 84 }, 2 },
    { "GPE", { 69, 111, 111 }, 1 },
};
constexpr int kRunModeOffset[3] = { 65, 107, 107 };
constexpr int kSourceOffset[3] = { 66, 108, 108 };
constexpr int kDirectionOffset[3] = { 67, 109, 109 };
constexpr int kBlockHeader = 2;

const std::vector<std::pair<std::string, int32_t>> kFactory {
    { "GMOD", 0x0100 }, { "GENC", 4000 }, { "GSP", 3000 }, { "GMV", 0 }, { "GER", 1000 }, { "GCCW", 0 },
    { "GPOF", 0 }, { "GOV", 100 }, { "GOP", 1000 }, { "GORG", 0 }, { "GPHE", 0 }, { "GPE", 0 },
    { "GPL", -2100000000 }, { "GPH", 2100000000 }, { "GA", 100 }, { "GMAV", 0 }, { "GTW", 1 }, { "GMP", 100 },
    { "GMD", 0 }, { "GMK", 0 }, { "GP", 200 }, { "GI", 10 }, { "GD", 0 }, { "GAP", 300 }, { "GAI", 30 },
    { "GPC", 10000 }, { "GCC", 5000 }, { "GPT", 100 }, { "GADR", 2 }, { "GNOT", 0 }, { "GRBD", 9600 },
    { "GUBD", 9600 }, { "GCBD", 500000 }, { "GCPI", 2000 }, { "GMI", 0 }, { "GAD", 0 }, { "GNP", 4 },
    { "GSK", 500 }, { "GME", 1000 }, { "GIIT", 1000 }, { "GCIT", 1000 }, { "GEVL", 0 }, { "GHE", 1 },
    { "GECM", 1 }, { "GCEC", 1 }, { "GVRF", 70000 }, { "GVBU", 48000 }, { "GVRM", 1 }, { "GPOM", 0 },
    { "GPOI", 1000 }, { "GPOT", 100 }, { "GCMS", 0 }, { "GMST", 0 }, { "GMSO", 0 }, { "GQTA", 1000 },
    { "GQTT", 100 }, { "GDEC", 100 }, { "GBRA", 1000 }, { "GHLA", 0 }, { "GHLB", 0 }, { "GHLC", 0 },
    { "GHLD", 0 }, { "GHLE", 0 }, { "GHLF", 0 }, { "GHLG", 0 }, { "GHLH", 0 }, { "GHLI", 0 }, { "GHLJ", 0 },
    { "GHLK", 0 }, { "GHLL", 0 }, { "GHLM", 0 }, { "GHLN", 0 }, { "GHLO", 0 }, { "GHLR", 0 },
    { "GENA", 0x0100 }, { "GDIR", 0x0200 }, { "GPOS", 0x0300 }, { "GNEG", 0x0400 }, { "GCDI", 0x0400 },
    { "GFAT", 0x6401 }, { "GIOA", 0 }, { "GIOB", 0 }, { "GIOC", 0 }, { "GIOD", 0 },
};

int Layout(int32_t firmwareVersion)
{
    if (firmwareVersion <= 0x300C)
        return 0;
    return firmwareVersion <= 0x3137 ? 1 : 2;
}

void Put(std::string& block, int offset, int32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        block[static_cast<size_t>(kBlockHeader + offset + i)] = static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xFF);
}

} // namespace

const std::vector<std::pair<std::string, int32_t>>& SimDriveParams::FactoryDefaults()
{
    return kFactory;
}

SimDriveParams::SimDriveParams(SimDrive& drive)
    : m_drive(drive)
{
}

std::shared_ptr<SimDriveParams> SimDriveParams::Attach(SimDrive& drive)
{
    std::shared_ptr<SimDriveParams> params(new SimDriveParams(drive));
    for (const auto& [query, value] : kFactory) {
        drive.SetParameter(query, value);
        params->m_eeprom[query] = value;
    }
    drive.SetParameter("GNOD", drive.Node());
    drive.SetHandler("ESA", [params](SimDrive&, const DriveRequest&) {
        params->Store();
        return Ack();
    });
    drive.SetHandler("FCFG", [](SimDrive& self, const DriveRequest&) {
        for (const auto& [query, value] : kFactory)
            self.SetParameter(query, value);
        return Ack();
    });
    drive.SetHandler("GESA", [params](SimDrive& self, const DriveRequest&) {
        std::map<std::string, int32_t> stored;
        {
            std::lock_guard lock(params->m_mutex);
            stored = params->m_eeprom;
        }
        SimReply reply;
        reply.kind = SimReply::Kind::Text;
        reply.text = Block(stored, self.Parameter("GVEN").value_or(0));
        return reply;
    });
    drive.SetHandler("BAUD", [](SimDrive& self, const DriveRequest& request) {
        if (!request.value)
            return Refused();
        self.SetParameter("GRBD", *request.value);
        return Ack();
    });
    // A limit pair that would be empty is refused, so the low limit is sent again after the
    // high one.
    for (const bool low : { true, false }) {
        drive.SetHandler(low ? "SPL" : "SPH", [low](SimDrive& self, const DriveRequest& request) {
            if (!request.value)
                return Refused();
            const int32_t other = self.Parameter(low ? "GPH" : "GPL").value_or(0);
            if (low ? *request.value > other : *request.value < other)
                return Refused();
            self.SetParameter(low ? "GPL" : "GPH", *request.value);
            return Ack();
        });
    }
    return params;
}

std::map<std::string, int32_t> SimDriveParams::Working() const
{
    std::map<std::string, int32_t> working;
    for (const auto& [query, value] : kFactory)
        working[query] = m_drive.Parameter(query).value_or(value);
    return working;
}

void SimDriveParams::Store()
{
    const std::map<std::string, int32_t> working = Working();
    std::lock_guard lock(m_mutex);
    m_eeprom = working;
    ++m_stores;
}

std::optional<int32_t> SimDriveParams::Stored(const std::string& query) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_eeprom.find(query);
    if (it == m_eeprom.end())
        return std::nullopt;
    return it->second;
}

int SimDriveParams::StoreCount() const
{
    std::lock_guard lock(m_mutex);
    return m_stores;
}

void SimDriveParams::PowerCycle()
{
    std::map<std::string, int32_t> stored;
    {
        std::lock_guard lock(m_mutex);
        stored = m_eeprom;
    }
    for (const auto& [query, value] : stored)
        m_drive.SetParameter(query, value);
}

std::string SimDriveParams::Block(const std::map<std::string, int32_t>& settings, int32_t firmwareVersion)
{
    auto value = [&settings](const char* query) {
        auto it = settings.find(query);
        return it == settings.end() ? 0 : it->second;
    };
    const int layout = Layout(firmwareVersion);
    std::string block = "ES" + std::string(kBlockBytes, '\0');
    for (const BlockField& field : kBlockFields) {
        if (field.offset[layout] >= 0)
            Put(block, field.offset[layout], value(field.query), field.bytes);
    }
    const int32_t mode = value("GMOD");
    Put(block, kRunModeOffset[layout], '0' + ((mode >> 8) & 0xF), 1);
    Put(block, kSourceOffset[layout], mode & 0xF, 1);
    const bool forward = value("GCCW") == 1;
    Put(block, kDirectionOffset[layout], layout == 2 ? forward : (forward ? '1' : '0'), 1);
    return block;
}
