// Paints a window at most kFramesPerSecond times a second. A board streams a
// hundred records a second, and a read-out that changes with each would cost
// the window a paint and a flush per record, more often than a screen shows
// them or anyone can read them. What changes within a frame is painted
// together when the frame is over; a change after a quiet frame is painted
// at once, so a click or a key shows without delay.
#pragma once

#include <QObject>
#include <cstdint>

class QEvent;
class QWidget;

namespace app {

class FramePacer : public QObject {
public:
    static constexpr int kFramesPerSecond = 30;
    static constexpr int kFrameIntervalMs = 1000 / kFramesPerSecond;

    // Paces the top-level widget window, which owns the pacer.
    explicit FramePacer(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Paints what was held back.
    void release();

    QWidget* m_window;
    std::int64_t m_frameMs = 0;
    bool m_framed = false;
    bool m_releasing = false;
    bool m_held = false;
};

} // namespace app
