// Fitting the form to the font: absolutely placed groups grow by one factor
// each, layout-managed widgets get minimum and maximum sizes no smaller than
// their text, and the window no smaller than its layouts.
#include "app/form_fit.h"

#include "app/eliding_combo.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>

namespace formfit {
namespace {
// The styles draw a combo box's text one pixel in from each side of its field.
constexpr int kComboLabelInset = 2;

QList<QWidget*> formChildren(const QWidget* parent)
{
    QList<QWidget*> children;
    for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && isFormWidget(child))
            children.append(child);
    }
    return children;
}

// A widget that places its form children by their geometry, not by a layout.
bool placesByGeometry(const QWidget* widget)
{
    return !widget->layout() && !formChildren(widget).isEmpty();
}

// Everything a region's geometry factor applies to: the children of the
// region and of every absolutely placed container inside it.
void collectMembers(const QWidget* container, QList<QWidget*>& members)
{
    for (QWidget* child : formChildren(container)) {
        members.append(child);
        if (placesByGeometry(child))
            collectMembers(child, members);
    }
}

// The style's size hint for a combo box can fall short of the field it draws
// the current item in; every item must fit that field.
QSize comboNeed(QComboBox* combo)
{
    if (elidingcombo::elides(combo))
        return combo->minimumSizeHint();
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    const QFontMetrics metrics(combo->font());
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(combo->itemText(i)));
    const int width = widest + kComboLabelInset + combo->width() - field.width();
    const QSize hint = combo->minimumSizeHint();
    return QSize(std::max(hint.width(), width), hint.height());
}

QSize ownTextNeed(QWidget* widget)
{
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text().isEmpty() ? QSize() : label->sizeHint();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text().isEmpty() ? QSize() : button->minimumSizeHint();
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        return group->title().isEmpty() ? QSize() : group->minimumSizeHint();
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return comboNeed(combo);
    if (qobject_cast<QAbstractSpinBox*>(widget))
        return widget->minimumSizeHint();
    return QSize();
}

int scaled(int value, double factor)
{
    return qRound(value * factor);
}

int scaledLimit(int value, double factor)
{
    return value >= QWIDGETSIZE_MAX ? value : std::min(scaled(value, factor), QWIDGETSIZE_MAX);
}

void scaleMember(QWidget* member, const Factors& factors)
{
    const QRect g = member->geometry();
    const int x = scaled(g.x(), factors.x);
    const int y = scaled(g.y(), factors.y);
    // Scaling both edges keeps neighbours that touched touching, never overlapping.
    int width = scaled(g.x() + g.width(), factors.x) - x;
    const int height = scaled(g.y() + g.height(), factors.y) - y;
    // A widget meant to take the width it is given has no text to fit.
    if (member->sizePolicy().horizontalPolicy() == QSizePolicy::Expanding)
        width = g.width();
    const QSize min = member->minimumSize();
    const QSize max = member->maximumSize();
    member->setMaximumSize(scaledLimit(max.width(), factors.x),
                           scaledLimit(max.height(), factors.y));
    member->setMinimumSize(std::min(scaled(min.width(), factors.x), width),
                           std::min(scaled(min.height(), factors.y), height));
    member->setGeometry(x, y, width, height);
}

// The region's own minimum: its design minimum scaled, and room for its
// children with the margin the form gave them on the left.
void fitRegionMinimum(QWidget* region, const Factors& factors)
{
    QRect extent;
    for (QWidget* child : formChildren(region))
        extent |= child->geometry();
    const int margin = std::max(0, extent.left());
    const QSize designMin = region->minimumSize();
    const QSize needed(
        std::max(scaled(designMin.width(), factors.x), extent.right() + 1 + margin),
        std::max(scaled(designMin.height(), factors.y), extent.bottom() + 1 + margin));
    region->setMinimumSize(needed.expandedTo(region->minimumSizeHint()));
}

void fitRegions(QWidget* widget, const WidestTexts& widest)
{
    for (QObject* object : widget->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child->isWindow())
            continue;
        if (isFormWidget(child) && placesByGeometry(child)) {
            const Factors factors = regionFactors(child, widest);
            QList<QWidget*> members;
            collectMembers(child, members);
            for (QWidget* member : members)
                scaleMember(member, factors);
            fitRegionMinimum(child, factors);
        } else {
            fitRegions(child, widest);
        }
    }
}

// Children first, so that a container's layout already sees their new limits.
void raiseLimits(QWidget* widget, const WidestTexts& widest)
{
    for (QObject* object : widget->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && !child->isWindow())
            raiseLimits(child, widest);
    }
    if (!isFormWidget(widget) || !widget->parentWidget() || !widget->parentWidget()->layout())
        return;
    QSize need = textNeed(widget, widest);
    // Containers need what their content needs; pictures keep their limits.
    if (!need.isValid() && (widget->layout() || qobject_cast<QTabWidget*>(widget)))
        need = widget->minimumSizeHint();
    if (!need.isValid())
        return;
    // A widget that may not shrink below its size hint needs all of it.
    const QSizePolicy policy = widget->sizePolicy();
    const QSize hint = widget->sizeHint();
    if (!(policy.horizontalPolicy() & QSizePolicy::ShrinkFlag))
        need.setWidth(std::max(need.width(), hint.width()));
    if (!(policy.verticalPolicy() & QSizePolicy::ShrinkFlag))
        need.setHeight(std::max(need.height(), hint.height()));
    QSize min = widget->minimumSize();
    if (min.width() > 0)
        min.setWidth(std::max(min.width(), need.width()));
    if (min.height() > 0)
        min.setHeight(std::max(min.height(), need.height()));
    widget->setMaximumSize(widget->maximumSize().expandedTo(need));
    widget->setMinimumSize(min);
}

// Layouts and their items cache sizes, and a widget that is not shown yet
// does not tell its parent's layout that its limits changed.
void forgetLayoutSizes(QWidget* window)
{
    for (QWidget* widget : window->findChildren<QWidget*>())
        widget->updateGeometry();
    for (QLayout* layout : window->findChildren<QLayout*>())
        layout->invalidate();
}

} // namespace

bool isFormWidget(const QWidget* widget)
{
    const QString name = widget->objectName();
    return !widget->isWindow() && !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

QSize textNeed(QWidget* widget, const WidestTexts& widest)
{
    QSize need = ownTextNeed(widget);
    auto* label = qobject_cast<QLabel*>(widget);
    const auto candidates = widest.constFind(widget);
    if (!label || candidates == widest.constEnd())
        return need;
    const QString shown = label->text();
    for (const QString& text : *candidates) {
        label->setText(text);
        need = need.expandedTo(label->sizeHint());
    }
    label->setText(shown);
    return need;
}

Factors regionFactors(QWidget* region, const WidestTexts& widest)
{
    QList<QWidget*> members;
    collectMembers(region, members);
    Factors factors;
    bool picture = false;
    for (QWidget* member : members) {
        auto* label = qobject_cast<QLabel*>(member);
        picture = picture || (label && label->text().isEmpty());
        const QSize need = textNeed(member, widest);
        if (!need.isValid() || member->width() <= 0 || member->height() <= 0)
            continue;
        factors.x = std::max(factors.x, double(need.width()) / member->width());
        factors.y = std::max(factors.y, double(need.height()) / member->height());
    }
    // Labels placed on a picture keep their places on it only if it keeps its shape.
    if (picture)
        factors.x = factors.y = std::max(factors.x, factors.y);
    return factors;
}

void fit(QWidget* window, const WidestTexts& widest)
{
    fitRegions(window, widest);
    forgetLayoutSizes(window);
    raiseLimits(window, widest);
    growToLayouts(window);
}

void growToLayouts(QWidget* window)
{
    forgetLayoutSizes(window);
    window->setMinimumSize(window->minimumSize().expandedTo(window->minimumSizeHint()));
    window->resize(window->size().expandedTo(window->minimumSize()));
}

} // namespace formfit
