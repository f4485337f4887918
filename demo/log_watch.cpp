// Matching the window's new log lines against what the demo waits for.
#include "log_watch.h"

#include "app/logger.h"
#include "app/mainwindow.h"
#include "clock.h"

#include <QPlainTextEdit>
#include <QTextBlock>

LogWatch::LogWatch(MainWindow& window)
    : m_view(window.findChild<QPlainTextEdit*>(QStringLiteral("pteLog")))
{
    if (!m_view)
        return;
    m_seen = m_view->document()->blockCount();
    connect(m_view, &QPlainTextEdit::textChanged, this, &LogWatch::linesAdded);
}

void LogWatch::await(std::function<bool(const QString&)> matches, std::function<void()> done)
{
    m_waits.push_back({std::move(matches), std::move(done)});
}

void LogWatch::awaitLine(const QString& start, std::function<void()> done)
{
    await([start](const QString& line) { return line.startsWith(start); }, std::move(done));
}

void LogWatch::linesAdded()
{
    const QTextDocument* document = m_view->document();
    const int blocks = document->blockCount();
    for (int i = qMin(m_seen, blocks); i < blocks; ++i) {
        const QString line = document->findBlockByNumber(i).text().mid(Logger::kTimeStampLength);
        for (auto wait = m_waits.begin(); wait != m_waits.end();) {
            if (!wait->matches(line)) {
                ++wait;
                continue;
            }
            // The line is logged in the middle of the program's own work: the
            // step that follows waits until that work is done.
            timing::clock().singleShot(0, this, wait->done);
            wait = m_waits.erase(wait);
        }
    }
    m_seen = blocks;
}
