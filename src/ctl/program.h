// The command-line program's main flow, shared by torvelm4ctl and
// torvelm4ctl-demo: parse, set up the log and the answerer, run one command.
#pragma once

#include "command.h"

#include <QList>
#include <QString>
#include <functional>

namespace ctl {

class Arguments;

// What a build adds: the demo's simulator options and its set-up.
struct Frontend {
    QString program;
    QString extraTitle;
    QList<Option> extraOptions;
    // Runs once the arguments are parsed, before the command; false (with a
    // reason) is a usage error.
    std::function<bool(const Arguments&, QString* error)> prepare;
    // Runs after the command; false turns success into a failure.
    std::function<bool()> finish;
};

int run(int argc, char* argv[], const Frontend& frontend);

} // namespace ctl
