#include "Skin.h"

#include <QWidget>

void RecolourForm(QWidget *window)
{
    Q_UNUSED(window); // filled in with the skin work
}
