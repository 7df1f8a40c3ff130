#include "widgets/Skin.h"

#include "core/ProgramFolder.h"
#include "widgets/Contrast.h"
#include "widgets/SkinFramework.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

#include <sys/stat.h>

namespace {

void paintBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

bool isPlainControl(const QWidget *widget)
{
    return qobject_cast<const QRadioButton *>(widget) || qobject_cast<const QCheckBox *>(widget)
        || qobject_cast<const QGroupBox *>(widget) || qobject_cast<const QLabel *>(widget);
}

bool isPictureBox(const QWidget *widget)
{
    return widget->property(kPictureBoxProperty).toBool();
}

void recolour(QWidget *window, bool withPictureBoxes)
{
    const QColor face = ButtonFaceColour();
    paintBackground(window, face);
    const QList<QWidget *> controls = window->findChildren<QWidget *>();
    for (QWidget *control : controls) {
        // A picture box may be a QLabel underneath; its mark decides.
        if (isPictureBox(control)) {
            if (withPictureBoxes)
                paintBackground(control, face);
        } else if (isPlainControl(control)) {
            paintBackground(control, face);
        }
    }
    // The theme's face colour under text colours that may have been set for another.
    HoldTextContrast(window);
}

} // namespace

QString SkinPath()
{
    return ProgramFilePath(QStringLiteral("x/o.cjs"));
}

bool IsOrdinaryFile(const QString &path)
{
    if (path.isEmpty() || QFileInfo(path).fileName().startsWith(QLatin1Char('.')))
        return false;
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

QColor ButtonFaceColour()
{
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Button);
}

void ApplySkin(QWidget *window, SkinFramework &component)
{
    const QString path = SkinPath();
    if (!IsOrdinaryFile(path))
        return;
    recolour(window, true);
    component.loadSkin(path, QString());
    component.setOptions(component.options() | SkinFramework::kPolishAtOnce);
    component.setSkinNewWindows(true);
    component.setLockAfterApply(true);
    component.applyWindow(window);
}

void RecolourForm(QWidget *window)
{
    recolour(window, false);
}
