// What the user sees, on a real X server (Xvfb): the program started as a
// user starts it, until its main window is painted; and a mouse click on
// "Start Creating Template", sent through XTest, until the preview is
// painted (the first click 0.5 s after the main window, then clicks after
// "< Back"). Each beside the fastest bare office run of the same run, as a ratio.
//
// "Painted" is read from the screen: a few rows of the window's pixels are
// sampled every 2 ms, and the window counts as painted from the first sample
// that shows what it finally shows (the rows are then unchanged for 0.7 s).
// Needs DISPLAY; run under xvfb-run, ideally with a window manager (openbox).

#include "bench/BareOffice.h"
#include "bench/BenchTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <dlfcn.h>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kMainWidth = 536, kMainHeight = 605;
constexpr int kPreviewWidth = 656, kPreviewHeight = 626;
constexpr qint64 kPollMs = 2;
constexpr qint64 kSettledMs = 700;

// XTest from the runtime library: the development headers are not needed.
struct XTest
{
    using Button = int (*)(Display *, unsigned int, Bool, unsigned long);
    using Motion = int (*)(Display *, int, int, int, unsigned long);
    Button button = nullptr;
    Motion motion = nullptr;

    XTest()
    {
        void *library = ::dlopen("libXtst.so.6", RTLD_NOW);
        if (library) {
            button = reinterpret_cast<Button>(::dlsym(library, "XTestFakeButtonEvent"));
            motion = reinterpret_cast<Motion>(::dlsym(library, "XTestFakeMotionEvent"));
        }
        if (!button || !motion)
            throw std::runtime_error("libXtst.so.6 is not available");
    }
};

class Screen
{
public:
    Screen()
    {
        m_display = ::XOpenDisplay(nullptr);
        if (!m_display)
            throw std::runtime_error("no X display: run under xvfb-run");
        m_root = DefaultRootWindow(m_display);
        // Windows come and go while the tree is walked: a call on one that
        // has just gone fails, and that is all.
        ::XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
        m_pidAtom = ::XInternAtom(m_display, "_NET_WM_PID", False);
    }
    ~Screen() { ::XCloseDisplay(m_display); }

    // The viewable window of the process with the given size, 0 when none.
    Window find(qint64 pid, int width, int height) { return search(m_root, pid, width, height); }

    // A hash of the sampled rows of the window, nullopt while it is not viewable.
    std::optional<size_t> sample(Window window, const std::vector<int> &rows)
    {
        XWindowAttributes attributes;
        if (!::XGetWindowAttributes(m_display, window, &attributes) || attributes.map_state != IsViewable)
            return std::nullopt;
        size_t hash = 0;
        for (int y : rows) {
            XImage *image = ::XGetImage(m_display, window, 0, y, attributes.width, 1, AllPlanes, ZPixmap);
            if (!image)
                return std::nullopt;
            hash = qHashBits(image->data, size_t(image->bytes_per_line), hash);
            XDestroyImage(image);
        }
        return hash;
    }

    // Moves there, rests, and clicks; `clock` starts as the button comes up.
    void click(Window window, int x, int y, QElapsedTimer &clock)
    {
        int rootX = 0, rootY = 0;
        Window child = 0;
        ::XTranslateCoordinates(m_display, window, m_root, x, y, &rootX, &rootY, &child);
        m_test.motion(m_display, -1, rootX, rootY, CurrentTime);
        ::XSync(m_display, False);
        QThread::msleep(30); // as a hand comes to rest before it presses
        m_test.button(m_display, 1, True, CurrentTime);
        ::XSync(m_display, False);
        QThread::msleep(10);
        // The click is the release: the button acts on it.
        clock.start();
        m_test.button(m_display, 1, False, CurrentTime);
        ::XSync(m_display, False);
        QThread::msleep(5);
        // Away from every button, so that no hover changes what is painted.
        m_test.motion(m_display, -1, 0, 0, CurrentTime);
        ::XFlush(m_display);
    }

private:
    Window search(Window parent, qint64 pid, int width, int height)
    {
        Window root = 0, up = 0;
        Window *children = nullptr;
        unsigned int count = 0;
        if (!::XQueryTree(m_display, parent, &root, &up, &children, &count))
            return 0;
        Window found = 0;
        for (unsigned int i = 0; i < count && !found; ++i) {
            const Window w = children[i];
            XWindowAttributes attributes;
            if (::XGetWindowAttributes(m_display, w, &attributes) && attributes.map_state == IsViewable) {
                if (attributes.width == width && attributes.height == height && pidOf(w) == pid)
                    found = w;
                else
                    found = search(w, pid, width, height);
            }
        }
        if (children)
            ::XFree(children);
        return found;
    }

    qint64 pidOf(Window window)
    {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char *data = nullptr;
        qint64 pid = -1;
        if (::XGetWindowProperty(m_display, window, m_pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                                 &data)
                == Success
            && data && items == 1 && format == 32)
            pid = qint64(*reinterpret_cast<unsigned long *>(data));
        if (data)
            ::XFree(data);
        return pid;
    }

    Display *m_display = nullptr;
    Window m_root = 0;
    Atom m_pidAtom = 0;
    XTest m_test;
};

// The program under test, started as a user starts it, in the benchmark's
// private folders.
class Program
{
public:
    Program()
    {
        const QString binary = QCoreApplication::applicationDirPath() + QStringLiteral("/parcelon");
        if (!QFileInfo(binary).isExecutable())
            throw std::runtime_error("parcelon is not built beside the benchmark");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("BROWSER"), QStringLiteral("true")); // the occasional site visit
        environment.remove(QStringLiteral("PARCELON_ENGINE_MODULE"));
        m_process.setProcessEnvironment(environment);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_clock.start();
        m_process.start(binary, {});
        if (!m_process.waitForStarted(10000))
            throw std::runtime_error("parcelon did not start");
    }
    ~Program()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    qint64 pid() const { return m_process.processId(); }
    qint64 sinceExec() const { return m_clock.elapsed(); }

private:
    QProcess m_process;
    QElapsedTimer m_clock;
};

// Polls the window of the given size until its sampled rows have stayed the
// same for kSettledMs; returns when it first showed that (ms from `since`)
// and the window.
std::pair<double, Window> paintedAt(Screen &screen, const Program &program, int width, int height,
                                    const std::vector<int> &rows, const QElapsedTimer &since)
{
    Window window = 0;
    bool seen = false;
    size_t last = 0;
    double firstOfLast = -1;
    QElapsedTimer unchanged;
    while (since.elapsed() < 60000) {
        if (!window)
            window = screen.find(program.pid(), width, height);
        const std::optional<size_t> now = window ? screen.sample(window, rows) : std::nullopt;
        const double at = double(since.nsecsElapsed()) / 1e6;
        if (!now) {
            window = 0;
            seen = false;
        } else if (!seen || *now != last) {
            seen = true;
            last = *now;
            firstOfLast = at;
            unchanged.start();
        } else if (unchanged.elapsed() >= kSettledMs) {
            return {firstOfLast, window};
        }
        QThread::msleep(kPollMs);
    }
    throw std::runtime_error("the window was not painted within 60 s (a box may be showing)");
}

// Rows through the button, away from the blinking caret of the first field.
const std::vector<int> kMainRows = {12, 21, 30};
// Rows through the sheet on the canvas and the buttons below it.
const std::vector<int> kPreviewRows = {60, 150, 250, 350, 450, 603};

void whatTheUserSees(Laps &laps)
{
    Screen screen;
    // The yardstick is measured between the program's runs, so that both
    // meet the same load; the fastest of all its runs counts.
    std::vector<double> bare;
    QList<std::pair<QString, double>> seen;
    const QString start = QStringLiteral("exec to main window painted");
    const QString firstClick = QStringLiteral("first click 0.5 s after it to preview painted");
    const QString nextClick = QStringLiteral("click to preview painted");

    for (int run = 0; run < 3; ++run) {
        for (double ms : BareOfficeRuns(2))
            bare.push_back(ms);
        Program program;
        QElapsedTimer clock;
        clock.start();
        const auto [shown, mainWindow] = paintedAt(screen, program, kMainWidth, kMainHeight, kMainRows, clock);
        seen.append({start, shown + double(program.sinceExec() - clock.elapsed())});

        // The first click 0.5 s after the window appeared.
        while (double(clock.elapsed()) < shown + 500)
            QThread::msleep(1);
        QElapsedTimer click;
        screen.click(mainWindow, 8 + 520 / 2, 8 + 27 / 2, click);
        const auto [first, preview] = paintedAt(screen, program, kPreviewWidth, kPreviewHeight, kPreviewRows, click);
        seen.append({firstClick, first});

        for (int i = 0; i < 4; ++i) {
            QElapsedTimer back;
            screen.click(preview, 8 + 312 / 2, 590 + 27 / 2, back); // < Back
            const Window main = paintedAt(screen, program, kMainWidth, kMainHeight, kMainRows, back).second;
            QThread::msleep(300);
            screen.click(main, 8 + 520 / 2, 8 + 27 / 2, click);
            seen.append(
                {nextClick, paintedAt(screen, program, kPreviewWidth, kPreviewHeight, kPreviewRows, click).first});
        }
    }

    const double yardstick = *std::min_element(bare.begin(), bare.end());
    laps.record(QStringLiteral("X: bare office run, fastest of %1 (yardstick)").arg(bare.size()), yardstick);
    for (const QString &name : {start, firstClick, nextClick}) {
        for (const auto &[which, ms] : seen) {
            if (which == name)
                laps.record(QStringLiteral("X: ") + name, ms);
        }
        for (const auto &[which, ms] : seen) {
            if (which == name)
                laps.record(QStringLiteral("X: ") + name + QStringLiteral(", ratio"), ms / yardstick);
        }
    }
}

} // namespace

PARCELON_BENCH("app: what the user sees (X)", 1, whatTheUserSees);
