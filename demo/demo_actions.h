// What the demo does through the widgets, as a user would, once the board is
// connected and identified.
#pragma once

#include "demo_options.h"

#include <functional>

class LogWatch;
class MainWindow;

namespace dialogs {
class ScriptedAnswerer;
}

// Takes the actions the options ask for, each announced by a log line first.
// Each one follows once the one before has had its effect (the line the
// program logs for it, or the board's record showing it) and a second more
// has passed for the eye; one the board does not follow within ten seconds is
// logged and left. File names for the save and load buttons are handed to the
// answerer, which must stay alive while the actions run. done is called once
// the last action has had its effect.
void runDemoActions(MainWindow& window, LogWatch& log, const DemoOptions& options,
                    dialogs::ScriptedAnswerer& answerer, std::function<void()> done);
