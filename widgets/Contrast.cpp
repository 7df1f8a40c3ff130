#include "widgets/Contrast.h"

#include <QGroupBox>
#include <QPalette>
#include <QWidget>

#include <cmath>

namespace {

// Below this the text is repainted: WCAG's floor for large text and controls.
constexpr double kLeastContrast = 3.0;

double linear(double channel)
{
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &c)
{
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

// Gives `text` a readable colour over `background` where it has none.
void pair(QWidget *widget, QPalette::ColorRole background, QPalette::ColorRole text)
{
    QPalette palette = widget->palette();
    const QColor back = palette.color(QPalette::Active, background);
    if (ContrastRatio(back, palette.color(QPalette::Active, text)) >= kLeastContrast
        && ContrastRatio(palette.color(QPalette::Disabled, background), palette.color(QPalette::Disabled, text)) > 1.5)
        return;
    const QColor readable = TextColourOn(back);
    palette.setColor(QPalette::Active, text, readable);
    palette.setColor(QPalette::Inactive, text, readable);
    // Disabled: half way to the background, still visibly there.
    const QColor disabledBack = palette.color(QPalette::Disabled, background);
    palette.setColor(QPalette::Disabled, text,
                     QColor::fromRgbF((readable.redF() + disabledBack.redF()) / 2,
                                      (readable.greenF() + disabledBack.greenF()) / 2,
                                      (readable.blueF() + disabledBack.blueF()) / 2));
    widget->setPalette(palette);
}

void hold(QWidget *widget)
{
    pair(widget, QPalette::Window, QPalette::WindowText);
    pair(widget, QPalette::Button, QPalette::ButtonText);
    // A frame's caption is drawn in the text colour over the window colour;
    // anything else's text colour goes with its base.
    if (qobject_cast<QGroupBox *>(widget))
        pair(widget, QPalette::Window, QPalette::Text);
    else
        pair(widget, QPalette::Base, QPalette::Text);
}

} // namespace

double ContrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor TextColourOn(const QColor &background)
{
    return ContrastRatio(background, Qt::black) >= ContrastRatio(background, Qt::white) ? QColor(Qt::black)
                                                                                        : QColor(Qt::white);
}

void HoldTextContrast(QWidget *window)
{
    // Parents first: a colour set on a parent reaches its children before
    // they are looked at.
    hold(window);
    const QList<QWidget *> children = window->findChildren<QWidget *>();
    for (QWidget *child : children)
        hold(child);
}
