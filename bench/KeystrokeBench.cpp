// Times what one keystroke in an address field costs: the store write with
// its sync, alone and through the main window's field (offscreen), with all
// twelve fields filled. Runs in a private settings folder of its own.
// Usage: parcelon-bench-keystroke [keystrokes]
#include "FakeEngineless.h"
#include "Form1.h"
#include "Seams.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QElapsedTimer>
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
    std::printf("%-36s median %.3f ms  p95 %.3f ms  max %.3f ms  (%zu keystrokes)\n", what,
                median(ms), percentile(ms, 0.95), *std::max_element(ms.begin(), ms.end()), ms.size());
}
} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/parcelon-bench-XXXXXX"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int keystrokes = argc > 1 ? std::max(1, atoi(argv[1])) : 400;

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
    print("SettingsStore::write + sync", writes);

    NoEngine engines;
    SilentBoxes boxes;
    Services services;
    services.messages = &boxes;
    services.engines = &engines;
    Form1 form(services);
    for (int n = 1; n <= 12; ++n)
        form.field(n)->setText(QString(40, QLatin1Char('y')));
    form.show();
    std::vector<double> typed;
    for (int i = 0; i < keystrokes; ++i) {
        timer.start();
        QTest::keyClick(form.Text8, char('a' + i % 26));
        typed.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    print("keystroke in Text8 (offscreen)", typed);
    return 0;
}
