// Test fixture: captures the log, answers every dialog, plugs simulated boards
// in and leaves the device object disconnected and the simulator empty. Time
// is virtual: it moves when the program waits or the test lets it run.
#pragma once

#include "support/virtual_time.h"

#include "app/logger.h"
#include "device/torveldrv.h"
#include "dialogs.h"
#include "sim_control.h"

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>
#include <memory>

class LinkFixture {
public:
    LinkFixture()
        : m_view(std::make_unique<QPlainTextEdit>()),
          m_logger(std::make_unique<Logger>(nullptr, QString(), m_view.get()))
    {
        Torvel.logger = m_logger.get();
        Torvel.StartTimers();
        Torvel.enumTimer->stop(); // scans run when a test asks for them
        dialogs::setAnswerer(&answerer);
    }

    ~LinkFixture()
    {
        if (Torvel.connected)
            Torvel.DisconnectDevice();
        Torvel.enumTimer->stop();
        Torvel.rxTimer->stop();
        Torvel.busy = 0;
        Torvel.logger = nullptr;
        sim::reset();
        // A scan of the empty bus forgets boards that were refused, whose
        // paths the next test's boards would otherwise inherit.
        Torvel.USBEnumTimerHandler();
        dialogs::setAnswerer(nullptr);
    }

    // Plugs a board in and runs one scan, as the enumeration timer would.
    sim::Board* plugAndScan(const sim::BoardConfig& config = sim::BoardConfig())
    {
        sim::Board* board = sim::plug(config);
        Torvel.USBEnumTimerHandler();
        return board;
    }

    // Logged messages of this fixture's lifetime, without time stamps.
    QStringList lines() const
    {
        QStringList result;
        const QStringList all = m_view->toPlainText().split(QLatin1Char('\n'));
        for (const QString& line : all)
            if (!line.isEmpty())
                result.append(line.mid(Logger::kTimeStampLength));
        return result;
    }

    void clearLog() { m_view->clear(); }

    // Built first, gone last: everything below runs on its time.
    VirtualTime time;
    dialogs::ScriptedAnswerer answerer;

private:
    std::unique_ptr<QPlainTextEdit> m_view;
    std::unique_ptr<Logger> m_logger;
};
