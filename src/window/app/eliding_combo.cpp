// Painting a combo box's current item elided to its field.
#include "app/eliding_combo.h"

#include <QComboBox>
#include <QEvent>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace elidingcombo {
namespace {
constexpr int kMinimumCharacters = 24;

class ElidePainter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* combo = qobject_cast<QComboBox*>(watched);
        if (!combo || event->type() != QEvent::Paint || combo->isEditable())
            return false;
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.frame = combo->hasFrame();
        option.subControls = QStyle::SC_All;
        option.currentText = combo->currentText();
        option.currentIcon = combo->itemIcon(combo->currentIndex());
        option.iconSize = combo->iconSize();
        const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, combo);
        const QString shown =
            combo->fontMetrics().elidedText(option.currentText, Qt::ElideRight, field.width());
        combo->setToolTip(shown == option.currentText ? QString() : option.currentText);
        option.currentText = shown;
        QStylePainter painter(combo);
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
        return true;
    }
};

} // namespace

void apply(QComboBox* combo)
{
    combo->setProperty(kElidesProperty, true);
    // Room for the start of an item at least, not for the longest one.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(kMinimumCharacters);
    combo->installEventFilter(new ElidePainter(combo));
}

bool elides(const QComboBox* combo)
{
    return combo->property(kElidesProperty).toBool();
}

} // namespace elidingcombo
