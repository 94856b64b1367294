#include "pages/PidParam.h"

CPidParam::CPidParam()
    : CPropertyViewPage(153, 0)
{
    setWindowTitle(QStringLiteral("运行监测"));
}

CPidParam::~CPidParam() = default;
