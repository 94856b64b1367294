// fuzz-sources: pages/params/ParamFile.cpp pages/params/BasicParamFields.cpp pages/params/BasicParamControls.cpp pages/params/PortWord.cpp pages/params/ParamReplyDecoder.cpp pages/params/BasicParamRules.cpp pages/params/WriteAllParams.cpp shell/IniFile.cpp shell/StripDecoders.cpp shell/ProgramFiles.cpp link/*.cpp
// Loads arbitrary bytes as a parameter file into the page's model and checks that whatever
// it holds afterwards is something the page can show: list items within their lists or
// none, radios within their groups, check boxes and the brake state 0 or 1 (the threshold
// mode is kept as stored: its radios show "Manual" for any other value). Saving the loaded
// model and loading it again must give the same file.
#include "pages/params/BasicParamControls.h"
#include "pages/params/BasicParamFields.h"
#include "pages/params/ParamFile.h"
#include "shell/IniFile.h"
#include "tests/fuzz/FuzzInputFile.h"

#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdlib>

namespace {

using M = BasicParamModel;

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

bool ShownItem(int comboId, int item)
{
    return item == -1 || (item >= 0 && static_cast<size_t>(item) < FindControlSpec(comboId)->items.size());
}

void CheckShowable(const M& model)
{
    for (const ParamField& field : ParamFields()) {
        if (field.kind == FieldKind::Uint || field.kind == FieldKind::Float)
            continue;
        const int value = model.*std::get<int M::*>(field.member);
        if (field.kind == FieldKind::Combo)
            Check(ShownItem(field.id, value));
        else if (field.kind == FieldKind::Check)
            Check(value == 0 || value == 1);
        else if (field.kind == FieldKind::Radio)
            Check(value >= 0 && static_cast<size_t>(value) < RadioGroupButtons(field.id).size());
    }
    Check(model.m_bBrakeOpen == 0 || model.m_bBrakeOpen == 1);
}

QByteArray SaveAndRead(M model, const QString& path)
{
    QFile::remove(path);
    CIniFile ini(path);
    SaveParamFile(model, ini);
    Check(ini.WriteFile());
    QFile file(path);
    Check(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

M Load(const QString& path)
{
    M model;
    CIniFile ini(path);
    Check(ini.ReadFile());
    LoadParamFile(ini, model);
    CheckShowable(model);
    return model;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input = FuzzInputFile("fuzz_paramfile", "in.qzd", data, size);
    const QString saved = QFileInfo(input).dir().filePath(QStringLiteral("saved.qzd"));
    const QByteArray first = SaveAndRead(Load(input), saved);
    Check(SaveAndRead(Load(saved), saved) == first);
    return 0;
}
