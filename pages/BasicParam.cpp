#include "pages/BasicParam.h"

CBasicParam::CBasicParam()
    : CPropertyViewPage(141, 0)
{
    setWindowTitle(QStringLiteral("参数配置"));
}

CBasicParam::~CBasicParam() = default;
