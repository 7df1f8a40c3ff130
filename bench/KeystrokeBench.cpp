// Times what one keystroke in an address field costs: the store write (lock,
// read, patch, rename), alone and through the main window's field
// (offscreen), with all twelve fields filled and another product's section
// in the file. Runs in a private settings folder of its own, beside the
// user's (on the same disk), or in the folder given.
// Usage: parcelon-bench-keystroke [keystrokes] [folder]
#include "app/Form1.h"
#include "bench/InertSeams.h"
#include "core/Seams.h"
#include "core/SettingsStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

void print(const char *what, const std::vector<double> &ms)
{
    std::printf("%-36s median %.3f ms  p95 %.3f ms  max %.3f ms  (%zu keystrokes)\n", what, median(ms),
                percentile(ms, 0.95), *std::max_element(ms.begin(), ms.end()), ms.size());
}
} // namespace

int main(int argc, char *argv[])
{
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::homePath();
    QTemporaryDir home(base + QStringLiteral("/.parcelon-bench-XXXXXX"));
    if (!home.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int keystrokes = argc > 1 ? std::max(1, atoi(argv[1])) : 400;

    QDir().mkpath(home.path() + QStringLiteral("/Quillmark"));
    QFile shared(home.path() + QStringLiteral("/Quillmark/Quillmark.conf"));
    if (shared.open(QIODevice::WriteOnly)) {
        shared.write("[Inkwell]\nrecent=a.doc, b.doc\ngeometry=@Rect(10 20 300 400)\n");
        for (int n = 0; n < 40; ++n)
            shared.write(QByteArray("option") + QByteArray::number(n) + "=\"some, value\"\n");
        shared.close();
    }
    SettingsStore store;
    for (int n = 1; n <= 12; ++n)
        store.write(QStringLiteral("Text%1").arg(n), QString(40, QLatin1Char('x')));

    std::vector<double> writes;
    QString text;
    QElapsedTimer timer;
    for (int i = 0; i < keystrokes; ++i) {
        text += QLatin1Char('a' + i % 26);
        timer.start();
        store.write(QStringLiteral("Text3"), text);
        writes.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    print("SettingsStore::write", writes);

    NoEngine engines;
    SilentBoxes boxes;
    InertSeams inert;
    Services services = inert.with(boxes, engines);
    Form1 form(services);
    for (int n = 1; n <= 12; ++n)
        form.field(n)->setText(QString(40, QLatin1Char('y')));
    form.show();
    std::vector<double> typed;
    for (int i = 0; i < keystrokes; ++i) {
        timer.start();
        QTest::keyClick(form.field(8), char('a' + i % 26));
        typed.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    print("keystroke in Text8 (offscreen)", typed);
    return 0;
}
