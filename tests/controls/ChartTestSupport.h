#pragma once

#include "controls/ChartZoomRect.h"
#include "platform/WindowMessage.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <vector>

// A chart's parent that records every WM_CHART_NOTIFY it receives, sent or posted.
class ChartOwner : public QWidget {
public:
    struct Note {
        WPARAM wParam;
        LPARAM lParam;
        QByteArray data;
    };
    std::vector<Note> notes;
    LPARAM result = 0;

    // Delivers the posted notifications.
    const std::vector<Note>& Deliver()
    {
        QCoreApplication::sendPostedEvents(this, 0);
        return notes;
    }

protected:
    bool event(QEvent* e) override
    {
        if (WindowMessage::MessageOf(e) == WM_CHART_NOTIFY) {
            auto* msg = static_cast<WindowMessage*>(e);
            notes.push_back({ msg->WParam(), msg->LParam(), msg->Data() });
            msg->SetResult(result);
            return true;
        }
        return QWidget::event(e);
    }
};

// A chart of the given class at the top left of a 300 x 200 owner, sized and with its
// image made.
template <class Chart>
struct OwnedChart {
    OwnedChart(int width, int height)
    {
        owner.resize(300, 200);
        chart->setGeometry(0, 0, width, height);
        chart->InitMemDC();
    }

    ChartOwner owner;
    Chart* chart = new Chart(&owner);
};

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
inline void Press(QWidget* w, QPoint p) { SendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
inline void Drag(QWidget* w, QPoint p) { SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
inline void Hover(QWidget* w, QPoint p) { SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
inline void Release(QWidget* w, QPoint p) { SendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }

// Pixels of an image that differ from white.
inline std::vector<QPoint> InkedPixels(const QImage& image)
{
    std::vector<QPoint> inked;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                inked.push_back({ x, y });
    return inked;
}
