// Not a test: writes pictures of the preview window showing a synthetic label
// sheet at zoom 1.0 and 2.0, for a person to look at.
//   preview_shots [folder]   (default /tmp/parcelon-preview-shots)

#include "Form2.h"
#include "RecordingMessageBoxes.h"
#include "ScriptedSeams.h"
#include "Seams.h"
#include "SyntheticSheet.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QStringLiteral("/tmp/parcelon-preview-shots");
    TestEnvironment::install(); // nothing of the real user's is touched
    QApplication app(argc, argv);
    QDir().mkpath(folder);

    RecordingMessageBoxes boxes;
    RecordingProgramExit exit;
    Services services;
    services.messages = &boxes;
    services.exit = &exit;
    QWidget mainWindow;
    Form2 form(services, &mainWindow);
    form.setPicture(SyntheticSheet());
    form.show();
    if (!QTest::qWaitForWindowActive(&form))
        form.Form_Activate();
    QTest::qWait(50);

    auto save = [&](const QString &name) {
        const QString path = folder + QLatin1Char('/') + name;
        if (!form.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%s (zoom %.2f)\n", qPrintable(path), double(form.viewport().zoom()));
        return true;
    };
    bool ok = save(QStringLiteral("preview-zoom-1.00.png"));
    for (int i = 0; i < 4; ++i)
        form.PushButton1_Click();
    ok = save(QStringLiteral("preview-zoom-2.00.png")) && ok;
    for (const auto &box : boxes.boxes())
        std::fprintf(stderr, "box: %s\n", qPrintable(box.text));
    return ok && boxes.boxes().isEmpty() ? 0 : 1;
}
