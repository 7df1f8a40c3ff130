// How long a zoom step takes: the viewport's repaint of the production-sized
// page picture (1472 x 1904 pixels at 384 dpi) at every factor that the cap
// allows, median of several rounds. Target: each step well under 100 ms, so a
// click on "Zoom In" feels immediate.

#include "Procedure.h"
#include "MessageBoxes.h"
#include "Viewport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
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
    view.setViewportSize(9330, 7425, 30);
    view.setCanvasSize(2340, 3435);
    view.setZoomSourceSize(735, 375);
    view.setCanvasPicture(sheet);
    Procedure first(boxes, QStringLiteral("bench "));
    view.FirstDisplay(first);

    const float factors[] = {0.25f, 0.5f, 0.75f, 1.0f, 1.25f, 1.5f, 1.75f, 2.0f};
    const int rounds = 7;
    bool withinTarget = true;
    std::printf("zoom  canvas px   median ms\n");
    for (float factor : factors) {
        std::vector<double> times;
        for (int r = 0; r < rounds; ++r) {
            QElapsedTimer timer;
            timer.start();
            view.ApplyZoom(factor);
            times.push_back(timer.nsecsElapsed() / 1e6);
            view.ApplyZoom(factor == 1.0f ? 0.5f : 1.0f); // so the next round repaints
        }
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        view.ApplyZoom(factor);
        std::printf("%4.2f  %4d x %4d  %8.1f\n", double(factor), view.canvas().painting.width(),
                    view.canvas().painting.height(), median);
        withinTarget = withinTarget && median < 100.0;
    }
    return boxes.shown == 0 && withinTarget ? 0 : 1;
}
