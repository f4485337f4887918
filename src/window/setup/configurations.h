// Named configurations offered by the configuration box, parallel to its items.
#pragma once

#include <QStringList>

extern QStringList ConfigurationList;
