// Scaling for high-resolution screens, switched on before the application
// object exists (Qt reads these attributes only then).
#pragma once

#include <QGuiApplication>

namespace app {

inline void enableHighDpi()
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    // A 144 dpi screen scales by 1.5, not rounded up to 2: the window stays as
    // large as the text needs and fits the screen.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

} // namespace app
