// How long a zoom step takes: the viewport's repaint of the production-sized
// page picture (1472 x 1904 pixels at 384 dpi) at every factor that the cap
// allows, median of several rounds, for the screen's scale (run it with
// QT_SCALE_FACTOR=2 for a 2x screen). Target: each step well under 100 ms, so
// a click on "Zoom In" feels immediate; parcelon-bench times the whole step,
// repaint included, against one frame.

#include "core/MessageBoxes.h"
#include "core/Procedure.h"
#include "preview/Viewport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {
// The whole process's CPU time: the smooth scaling runs on several threads.
double cpuMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

class SilentBoxes : public MessageBoxes
{
public:
    BoxAnswer show(const QString &, const QString &, BoxStyle) override
    {
        ++shown;
        return BoxAnswer::Ok;
    }
    int shown = 0;
};
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QImage sheet(1472, 1904, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    sheet.setDotsPerMeterX(15118);
    sheet.setDotsPerMeterY(15118);
    for (int y = 0; y < sheet.height(); y += 7)
        for (int x = (y / 7) % 3; x < sheet.width(); x += 5)
            sheet.setPixel(x, y, qRgb(0, 0, 0));

    SilentBoxes boxes;
    Viewport view(boxes);
    view.setDevicePixelRatio(app.devicePixelRatio());
    view.setViewportSize(9330, 7425, 30);
    view.setCanvasSize(2340, 3435);
    view.setZoomSourceSize(735, 375);
    view.setCanvasPicture(sheet);
    Procedure first(boxes, QStringLiteral("bench "));
    view.FirstDisplay(first);

    const float factors[] = {0.25f, 0.5f, 0.75f, 1.0f, 1.25f, 1.5f, 1.75f, 2.0f};
    const int rounds = 7;
    bool withinTarget = true;
    std::printf("zoom  canvas px   median ms  CPU ms\n");
    for (float factor : factors) {
        std::vector<double> times;
        std::vector<double> cpu;
        for (int r = 0; r < rounds; ++r) {
            QElapsedTimer timer;
            timer.start();
            const double cpuBefore = cpuMs();
            view.ApplyZoom(factor);
            times.push_back(timer.nsecsElapsed() / 1e6);
            cpu.push_back(cpuMs() - cpuBefore);
            view.ApplyZoom(factor == 1.0f ? 0.5f : 1.0f); // so the next round repaints
        }
        std::sort(times.begin(), times.end());
        std::sort(cpu.begin(), cpu.end());
        const double median = times[times.size() / 2];
        view.ApplyZoom(factor);
        std::printf("%4.2f  %4d x %4d  %8.1f  %6.1f\n", double(factor), view.canvas().painting.width(),
                    view.canvas().painting.height(), median, cpu[cpu.size() / 2]);
        withinTarget = withinTarget && median < 100.0;
    }
    return boxes.shown == 0 && withinTarget ? 0 : 1;
}
