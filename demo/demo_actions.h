// What the demo does through the widgets, as a user would, once the board is
// connected and identified.
#pragma once

#include "demo_options.h"

class MainWindow;

// Takes the actions the options ask for, each announced by a log line first.
void runDemoActions(MainWindow& window, const DemoOptions& options);
