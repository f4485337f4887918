// Test fixture: the whole main window in a fresh working directory, with every
// dialog answered by a script, simulated boards plugged in by hand and the
// device object left disconnected, the simulator empty and the expert view off.
// Time is virtual: it moves when the program waits or the test lets it run.
#pragma once

#include "support/virtual_time.h"

#include "app/logger.h"
#include "app/mainwindow.h"
#include "app/process_objects.h"
#include "device/torveldrv.h"
#include "dialogs.h"
#include "settings/register_codec.h"
#include "setup/configurations.h"
#include "sim_control.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStringList>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariant>
#include <QtTest>
#include <functional>
#include <memory>

namespace support {

// The 21-byte register block a board holds and sends in its values reply.
inline QByteArray valuesBlock(const DriverRegisters& r)
{
    QByteArray block;
    const auto le16 = [&block](std::uint32_t word) {
        block.append(char(word & 0xFF));
        block.append(char((word >> 8) & 0xFF));
    };
    for (std::uint32_t word : {r.CtrlWord, r.TorqueWord, r.OffWord, r.BlankWord, r.DecayWord,
                               r.Word5, r.DriveWord, r.Word7})
        le16(word);
    block.append(char(r.TempLimitByte & 0xFF));
    le16(r.IdleWord);
    le16(r.ReducedWord);
    return block;
}

// A board name as the board keeps it: 32 bytes, zero-padded.
inline QByteArray boardName(const QByteArray& name)
{
    return name + QByteArray(32 - name.size(), '\0');
}

// A powered, enabled, fault-free driver standing in mode 1 (the other fields
// keep the simulator's defaults: 24 V, 25 degC).
inline sim::LiveValues poweredRecord(std::uint8_t inputs = 0x02)
{
    sim::LiveValues v;
    v.inputs = inputs;
    v.driverState = 2;
    return v;
}

} // namespace support

class WindowFixture {
public:
    // prepare runs in the new working directory before the window is built.
    explicit WindowFixture(const std::function<void(const QDir&)>& prepare = {})
    {
        QDir::setCurrent(m_dir.path());
        // The device object's records as at program start.
        Torvel.rt = RTData();
        Torvel.stepDir = StepDirState();
        Torvel.trajectory = TrajectoryParameters();
        Torvel.pwm = PWMParameters();
        if (prepare)
            prepare(QDir(m_dir.path()));
        dialogs::setAnswerer(&answerer);
        window = std::make_unique<MainWindow>();
        Torvel.enumTimer->stop(); // scans run when a test asks for them
    }

    ~WindowFixture()
    {
        if (!window)
            Torvel.logger = nullptr;
        if (Torvel.connected)
            Torvel.DisconnectDevice();
        Torvel.enumTimer->stop();
        Torvel.rxTimer->stop();
        window.reset();
        Torvel.logger = nullptr;
        Torvel.busy = 0;
        ExpertView = false;
        sim::reset();
        dialogs::setAnswerer(nullptr);
        QDir::setCurrent(QDir::tempPath());
    }

    WindowFixture(const WindowFixture&) = delete;
    WindowFixture& operator=(const WindowFixture&) = delete;

    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    template <typename T> T* find(const char* name) const
    {
        T* found = window->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }

    // Sets a control as a user would: sliders and spin boxes to a value, combo
    // boxes to an index, check boxes to a state, line edits to a text.
    void edit(const QString& name, const QVariant& value) const
    {
        QWidget* widget = window->findChild<QWidget*>(name);
        if (auto* box = qobject_cast<QComboBox*>(widget))
            box->setCurrentIndex(value.toInt());
        else if (auto* check = qobject_cast<QCheckBox*>(widget))
            check->setChecked(value.toBool());
        else if (auto* real = qobject_cast<QDoubleSpinBox*>(widget))
            real->setValue(value.toDouble());
        else if (auto* whole = qobject_cast<QSpinBox*>(widget))
            whole->setValue(value.toInt());
        else if (auto* slider = qobject_cast<QAbstractSlider*>(widget))
            slider->setValue(value.toInt());
        else if (auto* line = qobject_cast<QLineEdit*>(widget))
            line->setText(value.toString());
        else
            qFatal("cannot edit %s", qPrintable(name));
    }

    // Logged messages of this window, without time stamps.
    QStringList lines() const
    {
        QStringList result;
        const QStringList all = find<QPlainTextEdit>("pteLog")->toPlainText().split('\n');
        for (const QString& line : all)
            if (!line.isEmpty())
                result.append(line.mid(Logger::kTimeStampLength));
        return result;
    }

    int count(const QString& line) const { return lines().count(line); }

    void clearLog() const { find<QPlainTextEdit>("pteLog")->clear(); }

    // Items of the configuration box.
    QStringList entries() const
    {
        auto* box = find<QComboBox>("cbConfigurations");
        QStringList names;
        for (int i = 0; i < box->count(); ++i)
            names.append(box->itemText(i));
        return names;
    }

    QString selectedEntry() const { return find<QComboBox>("cbConfigurations")->currentText(); }

    // The stored configuration string of an entry, empty when there is none.
    QString configuration(const QString& name) const
    {
        const int index = entries().indexOf(name);
        return index >= 0 && index < ConfigurationList.size() ? ConfigurationList.at(index)
                                                              : QString();
    }

    // Shows the window (offscreen) on the tab that holds the widget.
    void showTabOf(QWidget* widget) const
    {
        auto* tabs = find<QTabWidget>("tabMainTab");
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->widget(i)->isAncestorOf(widget))
                tabs->setCurrentIndex(i);
        window->show();
    }

    void pressF12() const { QTest::keyClick(window.get(), Qt::Key_F12); }

    // Expert view on and "Auto apply changes on change" checked.
    void autoApply() const
    {
        pressF12();
        find<QCheckBox>("cbAutoApplyChanges")->setChecked(true);
    }

    // Plugs a board without a live stream and connects it as a scan would.
    sim::Board* plugAndScan(const sim::BoardConfig& config = sim::BoardConfig())
    {
        sim::Board* board = sim::plug(config);
        board->setStreamRate(0);
        Torvel.USBEnumTimerHandler();
        return board;
    }

    // Plugs a board and connects it, then leaves the receive path to the test:
    // the RX timer stopped, replies readable at once and already drained, and no
    // report recorded yet. Null when the board did not connect.
    sim::Board* plugForRecords(const sim::BoardConfig& config = sim::BoardConfig())
    {
        sim::Board* board = plugAndScan(config);
        if (!Torvel.connected)
            return nullptr;
        board->setReplyLatencyMs(0);
        Torvel.rxTimer->stop();
        Torvel.ClearHIDReadBuffer();
        board->clearReceived();
        return board;
    }

    // Runs the receive tick on a real-time report carrying the values, as the RX
    // timer would, the given number of times.
    void feed(sim::Board* board, const sim::LiveValues& v, int times = 1) const
    {
        for (int i = 0; i < times; ++i) {
            Torvel.rxTimer->stop();
            Torvel.ClearHIDReadBuffer(); // echoes of earlier commands
            board->injectReport(sim::realTimeReport(v));
            Torvel.USBRXTimerHandler();
        }
    }

    // Name replies handled so far ("Device name: " lines).
    int nameReplies() const
    {
        int n = 0;
        for (const QString& line : lines())
            if (line.startsWith(QLatin1String("Device name: ")))
                ++n;
        return n;
    }

    // Lets the receive ticks handle the two values and two name replies that
    // follow a connection (or a read), given the name replies before it; false
    // if they never came.
    bool waitForReplies(int nameRepliesBefore = 0)
    {
        return time.runUntil([&] { return nameReplies() >= nameRepliesBefore + 2; });
    }

    // Built first, gone last: the window and the boards run on its time.
    VirtualTime time;
    dialogs::ScriptedAnswerer answerer;
    std::unique_ptr<MainWindow> window;

private:
    QTemporaryDir m_dir;
};
