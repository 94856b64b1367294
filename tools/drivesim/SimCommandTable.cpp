#include "tools/drivesim/SimCommandTable.h"

#include <sstream>
#include <unordered_map>

namespace {

// The drive's command set in the drive manual's compact form: each row starts at a
// command number and counts up by one per entry; ":n" gives the argument bytes when they
// are not 0. Kept in this one place so that a test can hold it against the program's table.
struct Row {
    int firstId;
    const char* commands;
};

const Row kRows[] = {
    {1, "GID GVER GDTY:4 SADR:2 GADR GNOD SCBD:4 GCBD GRBD BAUD:4 SNOT:2 GNOT"},
    {16, "KN:2 GKN R:2 GR N:2 GN SSP:4 GSP SMV:2 GMV SPC:4 GPC SCC:4 GCC ENC:4 GENC"},
    {42, "SMOD:2 GMOD SEIR:4 GEIR SIR:4 GIR"},
    {49, "SMAV:2 GMAV SPH:4 GPH SPL:4 GPL STW:2 GTW SER:4 GER SSK:4 GSK SPT:4 GPT SPE:4 GPE "
         "SPHE:4 GPHE GLR SL:2 SR:2"},
    {78, "SIPM:4 GIPM"},
    {84, "SST:4 GST SIIT:4 GIIT A:2 GA AP:2 GAP AI:2 GAI AD:4 GAD P:2 GP I:2 GI D:2 GD MP:2 GMP "
         "MK:2 GMK MI:4 GMI MD:2 GMD"},
    {117, "SPOF:2 GPOF SOV:4 GOV SOP:4 GOP SORG:4 GORG MPO:2 CMPO:4"},
    {128, "ENA DIS ESA FCFG SBS CBS"},
    {144, "V:4 GV GVE GSV"},
    {149, "AM:4 EC:4"},
    {152, "PO:4 M:4 MR:4 GM GME GSM SME:2 GSE"},
    {192, "CPA:4"},
    {194, "SNP:2 GNP"},
    {200, "SHE:2 GHE"},
    {204, "SCCW:2 GCCW SCPI:4 GCPI GC GT GEI GSI"},
    {225, "SVAK:4 GVAK SVAB:4 GVAB GRV SSVB:4 GSVB SVFB:4 GVFB SVFK:4 GVFK SOPT:4 GOPT SWM:4 "
          "SAT:4 ZPQM:4 SIAT:4 GIAT SSVK:4 GSVK SHAK:4 GHAK SHAB:4 GHAB"},
    {2305, "GBRM GBRN GLEF GRIG"},
    {9476, "SQTA:4 GQTA SQTT:4 GQTT SDEC:4 GDEC SBRA:4 GBRA"},
    {9776, "GHLA GHLB GHLC GHLD GHLE GHLF GHLG GHLH GHLI GHLJ GHLK GHLL GHLM GHLN GHLO GHLR "
           "SHLA:4 SHLB:4 SHLC:4 SHLD:4 SHLE:4 SHLF:4 SHLG:4 SHLH:4 SHLI:4 SHLJ:4 SHLK:4 "
           "SHLL:4 SHLM:4 SHLN:4 SHLO:4 SHLR:4 GVEN GDTN:4 GEIN SMST:2 GMST SMSO:2 GMSO "
           "SCMS:2 GCMS"},
    {9826, "SPOM:2 GPOM SPOI:4 GPOI SPOT:4 GPOT GSIN"},
    {9840, "SVRF:4 GVRF SVBU:4 GVBU SVRM:2 GVRM SECM:2 GECM SCEC:2 GCEC"},
    {9856, "SUBD:4 GUBD"},
    {9872, "SIOD:2 GIOD SFAT:2 GFAT SCDI:2 GCDI"},
    {9888, "SENA:2 GENA SCLK:2 GCLK SDIR:2 GDIR SPOS:2 GPOS SNEG:2 GNEG SIOA:2 GIOA SIOB:2 "
           "GIOB SIOC:2 GIOC"},
    {9920, "SCIT:4 GCIT SEVL:2 GEVL"},
    {9981, "PTST:4 ZCNT"},
    {9984, "SLER:4 GLER:4 GCT GCD"},
};

struct Index {
    std::vector<SimCommand> commands;
    std::unordered_map<std::string, size_t> byMnemonic;
    std::unordered_map<int, size_t> byId;

    Index()
    {
        for (const Row& row : kRows) {
            std::istringstream words(row.commands);
            std::string word;
            int id = row.firstId;
            while (words >> word) {
                const size_t colon = word.find(':');
                const int argBytes = colon == std::string::npos ? 0 : std::stoi(word.substr(colon + 1));
                commands.push_back({id++, word.substr(0, colon), argBytes});
            }
        }
        for (size_t i = 0; i < commands.size(); ++i) {
            byMnemonic.emplace(commands[i].mnemonic, i);
            byId.emplace(commands[i].id, i);
        }
    }
};

const Index& TheIndex()
{
    // Never destroyed: a simulator kept in a static of its own may still be parsing on its
    // thread while the statics go at exit.
    static const Index* const index = new Index;
    return *index;
}

}

const std::vector<SimCommand>& SimCommandTable::All()
{
    return TheIndex().commands;
}

const SimCommand* SimCommandTable::Find(std::string_view mnemonic)
{
    const Index& index = TheIndex();
    auto it = index.byMnemonic.find(std::string(mnemonic));
    return it == index.byMnemonic.end() ? nullptr : &index.commands[it->second];
}

const SimCommand* SimCommandTable::Find(int id)
{
    const Index& index = TheIndex();
    auto it = index.byId.find(id);
    return it == index.byId.end() ? nullptr : &index.commands[it->second];
}

const SimCommand* SimCommandTable::SetterOf(const SimCommand& query)
{
    if (!IsQuery(query) || query.mnemonic.size() < 2)
        return nullptr;
    const std::string rest = query.mnemonic.substr(1);
    for (const SimCommand* candidate : {Find("S" + rest), Find(rest)}) {
        if (candidate && candidate->argBytes > 0 && !IsQuery(*candidate))
            return candidate;
    }
    return nullptr;
}

const SimCommand* SimCommandTable::QueryOf(const SimCommand& setter)
{
    if (IsQuery(setter) || setter.argBytes == 0)
        return nullptr;
    const std::string& name = setter.mnemonic;
    if (name[0] == 'S' && name.size() > 1) {
        if (const SimCommand* query = Find("G" + name.substr(1)))
            return query;
    }
    return Find("G" + name);
}
