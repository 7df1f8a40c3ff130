#include "widgets/FixedWindow.h"

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
        if (!m_shown) {
            if (event->type() == QEvent::Show) {
                m_shown = true;
                centre(isFrame(frame()) ? frame() : g_lastFrame);
            }
            return false;
        }
        // The frame is known from the window manager's framing on, usually
        // before the first paint; while the window manager builds it, it can
        // be reported with negative sides. Once the window has been
        // activated it is the user's to move.
        const QMargins known = frame();
        if (isFrame(known) && known != m_placedWith) {
            g_lastFrame = known;
            centre(known);
        }
        if (event->type() == QEvent::WindowActivate)
            m_window->removeEventFilter(this);
        return false;
    }

private:
    static bool isFrame(const QMargins &m)
    {
        return !m.isNull() && m.left() >= 0 && m.top() >= 0 && m.right() >= 0 && m.bottom() >= 0;
    }

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
        const QPoint outer = FixedWindow::CentredPlace(m_window->size().grownBy(frame), screen->availableGeometry());
        // Placed by its client area: a window manager keeps that where it is
        // asked to (static gravity) whether or not it has framed the window yet.
        m_window->setGeometry(QRect(outer + QPoint(frame.left(), frame.top()), m_window->size()));
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

QPoint FixedWindow::CentredPlace(QSize outer, QRect available)
{
    const QRect centred = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, outer, available);
    return QPoint(qMax(centred.left(), available.left()), qMax(centred.top(), available.top()));
}

void FixedWindow::CentreOnFirstShow(QWidget *window)
{
    new ScreenCentring(window);
}
