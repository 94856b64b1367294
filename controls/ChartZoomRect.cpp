#include "controls/ChartZoomRect.h"

#include <cstring>

ChartZoomRect ChartZoomRect::Make(QPoint anchor, QPoint end, const QRect& client)
{
    ChartZoomRect zoom;
    const float width = static_cast<float>(client.width());
    const float height = static_cast<float>(client.height());
    // The bottom edge is one past the last row, as the client rectangle counts it.
    const float bottom = static_cast<float>(client.top() + client.height());
    if (width > 0.0f) {
        zoom.f[0] = (static_cast<float>(anchor.x()) - static_cast<float>(client.left())) / width;
        zoom.f[3] = (static_cast<float>(end.x()) - static_cast<float>(client.left())) / width;
    }
    if (height > 0.0f) {
        zoom.f[2] = (bottom - static_cast<float>(anchor.y())) / height;
        zoom.f[4] = (bottom - static_cast<float>(end.y())) / height;
    }
    return zoom;
}

QByteArray ChartZoomRect::ToData() const
{
    return QByteArray(reinterpret_cast<const char*>(f), sizeof f);
}

bool ChartZoomRect::FromData(const QByteArray& data, ChartZoomRect* out)
{
    if (!out || data.size() != static_cast<int>(sizeof out->f))
        return false;
    std::memcpy(out->f, data.constData(), sizeof out->f);
    return true;
}
