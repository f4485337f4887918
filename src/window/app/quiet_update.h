// Program-made widget updates must not run the handlers a user's edit runs.
// One scoped guard does it everywhere in the window: for its lifetime it takes
// the handlers' links away, and it puts them back when the scope ends, early
// returns included.
//
// The handlers named on_<object>_<signal> are connected by name when the form
// is built (QMetaObject::connectSlotsByName), that is through the SIGNAL() and
// SLOT() strings; a disconnect() through member-function pointers never
// matches such a link, so these are named by their strings here. Unlike
// QSignalBlocker, the guard leaves every other link of the widget working.
#pragma once

#include <QObject>
#include <functional>

class QuietUpdate {
public:
    // Everything that a bulk switch such as MainWindow::ConnectToValueChanged
    // connects (true) and disconnects (false).
    template <typename Window>
    QuietUpdate(Window* window, void (Window::*connectLinks)(bool))
        : QuietUpdate([window, connectLinks](bool on) { (window->*connectLinks)(on); })
    {
    }
    // One link given by its SIGNAL() and SLOT() strings.
    QuietUpdate(QObject* sender, const char* signal, QObject* receiver, const char* slot);
    ~QuietUpdate();

    QuietUpdate(const QuietUpdate&) = delete;
    QuietUpdate& operator=(const QuietUpdate&) = delete;

private:
    explicit QuietUpdate(std::function<void(bool)> connectLinks);

    std::function<void(bool)> m_connectLinks;
};
