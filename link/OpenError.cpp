#include "link/OpenError.h"

#include "link/LinkLayer.h"

#include <mutex>

namespace {
std::mutex g_mutex;
QString g_texts[3];

int Family(int commType)
{
    if (commType == COMM_RS232)
        return 0;
    return commType == COMM_CAN_K8110 ? 1 : 2;
}
}

void LinkSetOpenError(int commType, const QString& text)
{
    std::lock_guard lock(g_mutex);
    g_texts[Family(commType)] = text;
}

QString LinkLastOpenError(int commType)
{
    std::lock_guard lock(g_mutex);
    return g_texts[Family(commType)];
}
