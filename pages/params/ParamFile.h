#pragma once

#include "pages/params/BasicParamFields.h"
#include "pages/params/BasicParamModel.h"

#include <QString>

#include <span>

class CIniFile;

// Parameter files ("*.qzd"): the parameter page's stored settings as the 105 keys of section
// "option" of an INI file, with Chinese key names in code page 936, as the drive tools on
// the other platform write and read them.

// How a key's value is written and read back.
enum class FileForm {
    Number,         // "%d"; leading integer (check boxes, radios and lists as their index)
    OnOff,          // "启用" / "禁用"
    Rotation,       // "正转" (index 0) / "反转" (index 1)
    CurrentControl, // "限流模式" (index 0) / "过流保护模式" (index 1)
    Whole,          // a float field as "%d" of its whole part; read back as an integer
    WholeOrFraction, // as Whole, but read back as a float
    Exponent,       // "%e"; read back as a float
    PhaseText,      // a phase-table edit's leading integer
    BaudRate,       // the baud list's rate; read back by the list's prefix search
    PortDirection,  // 1 for an output, 0 for an input
    PortFunction,   // the function list of the port's direction (IO1 and IO2: input only)
    PortLevel,      // the level list
    PortPull,       // the pull list of an input, the NPN/PNP list of an output
};

// One key: its name (UTF-8), the setting it holds and its form.
struct FileKey {
    const char* name;
    ParamRef ref;
    FileForm form;
};

extern const QString kParamFileSection; // "option"
// Keys 1..25 are written from the page's text copies of the settings.
constexpr int kTextCopyKeys = 25;

// The 105 keys in the order a new file holds them.
std::span<const FileKey> ParamFileKeys();

// Refreshes the text copies of keys 1..25 from the fields, then sets all 105 keys in
// table order: a key the file holds keeps its line, a missing one is appended, everything
// else in the file stays. The model is a snapshot of the page taken after its data
// exchange (combo selections, port directions and phase texts included).
void SaveParamFile(BasicParamModel& model, CIniFile& ini);

// Puts the file's keys into the model; a missing key reads as empty text (numbers 0). What
// the page cannot show is brought into its range: check boxes and the brake state as 0 or
// 1, a radio index beyond its group (or the never-shown amplifier mode) as the first
// button, a list index beyond its list as no selection, a threshold mode other than 0 or 1
// as manual input, numbers beyond a float's range at its limit, the auxiliary encoder as an
// input when it is the feedback. A port's direction decides
// which of its lists take its other keys. The text copies and everything the file does not
// hold keep their values.
void LoadParamFile(CIniFile& ini, BasicParamModel& model);

// How many of the 105 keys section "option" of the file holds.
int ParamFileKeysHeld(const CIniFile& ini);

// The item a baud list shows for a stored rate: the first item whose text begins with the
// rate in decimal, searched from the second item and wrapping to the first; item 3 when
// none does.
int BaudItemOf(int comboId, int rate);

// The name a save proposes for the drive's type text: without line ends, with every path
// separator and other control character replaced, and empty when nothing usable is left.
QString ProposedFileName(const QString& typeText);

// Motor-type list "MotType.qzd": appends a name as entry "Project<n>" of section "MotType"
// and counts it in key "MotType" of section "option".
void AddMotorType(CIniFile& ini, const QString& name);
