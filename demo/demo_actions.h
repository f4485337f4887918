// What the demo does through the widgets, as a user would, once the board is
// connected and identified.
#pragma once

#include "demo_options.h"

class MainWindow;

namespace dialogs {
class ScriptedAnswerer;
}

// Takes the actions the options ask for, one a second, each announced by a
// log line first. File names for the save and load buttons are handed to the
// answerer, which must stay alive while the actions run.
void runDemoActions(MainWindow& window, const DemoOptions& options,
                    dialogs::ScriptedAnswerer& answerer);
