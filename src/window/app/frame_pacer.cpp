// Holding back a window's repaints until its frame is over. Qt paints a
// window's dirty widgets when the window receives an update request; a held
// request is sent again when the frame ends, so every change of the frame is
// painted then.
#include "app/frame_pacer.h"

#include "clock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace app {

FramePacer::FramePacer(QWidget* window) : QObject(window), m_window(window)
{
    window->installEventFilter(this);
}

bool FramePacer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window || event->type() != QEvent::UpdateRequest)
        return false;
    const std::int64_t now = timing::nowMs();
    if (m_releasing || !m_framed || now - m_frameMs >= kFrameIntervalMs) {
        m_framed = true;
        m_frameMs = now;
        return false;
    }
    if (!m_held) {
        m_held = true;
        timing::clock().singleShot(int(m_frameMs + kFrameIntervalMs - now), this,
                                   [this] { release(); });
    }
    return true;
}

void FramePacer::release()
{
    m_held = false;
    m_releasing = true;
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(m_window, &request);
    m_releasing = false;
}

} // namespace app
