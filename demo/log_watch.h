// The demo's eye on the window's log: it calls back when a line it waits for
// appears, so that each scripted step follows what the program has done.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class MainWindow;
class QPlainTextEdit;

class LogWatch : public QObject {
public:
    // Watches the window's log view; must not outlive the window.
    explicit LogWatch(MainWindow& window);

    // Calls done once, from the event loop, after the first line logged from
    // now on (without its time stamp) for which matches holds.
    void await(std::function<bool(const QString&)> matches, std::function<void()> done);
    // The same for a line that starts with the text.
    void awaitLine(const QString& start, std::function<void()> done);

private:
    struct Wait {
        std::function<bool(const QString&)> matches;
        std::function<void()> done;
    };
    void linesAdded();

    QPlainTextEdit* m_view;
    int m_seen = 0;
    std::vector<Wait> m_waits;
};
