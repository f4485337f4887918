// The window's number locale and the comma-as-point key filter.
#include "app/decimal_mark.h"

#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLocale>
#include <QWidget>

namespace decimalmark {
namespace {

// In a locale whose decimal mark is ",", users type one: rather than lose it
// (which would turn "2,5" into 25 or 2), the box receives the point it means.
class CommaAsPoint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->text() != QLatin1String(","))
            return false;
        QKeyEvent point(QEvent::KeyPress, Qt::Key_Period, key->modifiers(), QStringLiteral("."),
                        key->isAutoRepeat(), key->count());
        QCoreApplication::sendEvent(watched, &point);
        return true;
    }
};

} // namespace

void apply(QWidget* window)
{
    window->setLocale(QLocale::c());
    auto* filter = new CommaAsPoint(window);
    for (QDoubleSpinBox* box : window->findChildren<QDoubleSpinBox*>())
        box->installEventFilter(filter);
}

} // namespace decimalmark
