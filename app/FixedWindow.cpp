#include "FixedWindow.h"

#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>
#include <QWindow>

namespace {

// The frame the window manager gave the last window it framed: the best
// guess for the next window before its own frame is known.
QMargins g_lastFrame;

class ScreenCentring : public QObject
{
public:
    explicit ScreenCentring(QWidget *window)
        : QObject(window)
        , m_window(window)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            if (!m_shown) {
                m_shown = true;
                centre(frame().isNull() ? g_lastFrame : frame());
            }
            break;
        // The window manager's framing arrives as a move of the client area.
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate:
            if (m_shown && !frame().isNull() && frame() != m_placedWith) {
                g_lastFrame = frame();
                centre(frame());
                // Placed by its own frame: from now on the window is the user's to move.
                m_window->removeEventFilter(this);
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    QMargins frame() const
    {
        const QWindow *handle = m_window->windowHandle();
        return handle ? handle->frameMargins() : QMargins();
    }

    void centre(const QMargins &frame)
    {
        m_placedWith = frame;
        QScreen *screen = m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect outer = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                                m_window->size().grownBy(frame),
                                                screen->availableGeometry());
        // A window's move() places its frame's top-left corner.
        m_window->move(outer.topLeft());
    }

    QWidget *m_window;
    bool m_shown = false;
    QMargins m_placedWith;
};

} // namespace

void FixedWindow::UseWindowsFrames(QWidget *window)
{
    static QStyle *style = QStyleFactory::create(QStringLiteral("Windows"));
    if (!style)
        return;
    const QList<QGroupBox *> frames = window->findChildren<QGroupBox *>();
    for (QGroupBox *frame : frames)
        frame->setStyle(style);
}

void FixedWindow::ActivateButtonsOnReturn(QWidget *window)
{
    // Outside a dialog an auto-default button is the default only while it
    // has the focus, which is exactly when Return should press it.
    const QList<QPushButton *> buttons = window->findChildren<QPushButton *>();
    for (QPushButton *button : buttons)
        button->setAutoDefault(true);
}

void FixedWindow::CentreOnFirstShow(QWidget *window)
{
    new ScreenCentring(window);
}
