#include "pages/Monitor.h"

CMonitor::CMonitor()
    : CPropertyViewPage(142, 0)
{
    setWindowTitle(QStringLiteral("PID调试"));
}

CMonitor::~CMonitor() = default;
