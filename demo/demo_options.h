// Options of the demo program: they steer the simulated board and headless runs.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

struct DemoOptions {
    std::optional<double> quitAfterSeconds;
    QString screenshotFile;
    QString tab;
    std::optional<bool> answerOk; // scripted answer to every question
    int firmwareHigh = 0x01;
    int firmwareLow = 0x03;
    bool bootloader = false;
    bool badSignature = false;
    int rate = 100;
    std::optional<double> unplugAfterSeconds;
    std::optional<double> replugAfterSeconds;
    // Once the actions are done: unplug, replug once the window has seen the
    // board go, quit once its stream is enabled again.
    bool replugWhenDone = false;
    QString recordFile; // every report the board received, written at exit
    // Actions taken through the widgets once the board is identified, in this order.
    bool writeValues = false;
    QString saveSettingsFile;
    QString loadSettingsFile;
    std::optional<int> stepRate;
    std::optional<int> trajectory;
    std::optional<std::pair<int, int>> pwm;
};

// Parses the arguments; on --help prints the options and exits, on a bad
// option prints the error and exits non-zero.
DemoOptions parseDemoOptions(const QStringList& arguments);
