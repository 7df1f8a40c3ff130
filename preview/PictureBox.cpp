#include "preview/PictureBox.h"

#include "preview/Twips.h"
#include "widgets/Skin.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
qint16 buttonBits(Qt::MouseButtons buttons)
{
    qint16 bits = 0;
    if (buttons & Qt::LeftButton)
        bits |= 1;
    if (buttons & Qt::RightButton)
        bits |= 2;
    if (buttons & Qt::MiddleButton)
        bits |= 4;
    return bits;
}

qint16 shiftBits(Qt::KeyboardModifiers modifiers)
{
    qint16 bits = 0;
    if (modifiers & Qt::ShiftModifier)
        bits |= 1;
    if (modifiers & Qt::ControlModifier)
        bits |= 2;
    if (modifiers & Qt::AltModifier)
        bits |= 4;
    return bits;
}
} // namespace

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setProperty(kPictureBoxProperty, true); // recolouring the window passes it by
}

void PictureBox::setBackground(const QColor &colour)
{
    if (m_background == colour)
        return;
    m_background = colour;
    update();
}

void PictureBox::setBorderWidth(int pixels)
{
    m_border = qMax(0, pixels);
    placeClientArea();
    update();
}

QWidget *PictureBox::clientArea()
{
    if (!m_client) {
        m_client = new QWidget(this);
        m_client->setObjectName(objectName() + QStringLiteral("_client"));
        placeClientArea();
        m_client->show();
    }
    return m_client;
}

void PictureBox::setPicture(const QImage &picture, QSize naturalPixels)
{
    if (picture.cacheKey() == m_picture.cacheKey() && naturalPixels == m_pictureSize)
        return;
    m_picture = picture;
    m_pictureSize = naturalPixels;
    m_pictureShown = QPixmap();
    update();
}

void PictureBox::setPainting(const QImage &painting)
{
    m_painting = painting;
    update();
}

void PictureBox::setPageEdge(bool shown)
{
    m_pageEdge = shown;
    update();
}

// The border shows the keyboard focus.
void PictureBox::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void PictureBox::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    if (!m_picture.isNull() && !m_pictureSize.isEmpty()) {
        const qreal ratio = devicePixelRatioF();
        const QSize device = (QSizeF(m_pictureSize) * ratio).toSize();
        if (m_pictureShown.isNull() || m_pictureShown.size() != device) {
            m_pictureShown = QPixmap::fromImage(
                m_picture.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            m_pictureShown.setDevicePixelRatio(ratio);
        }
        painter.drawPixmap(m_border, m_border, m_pictureShown);
    }
    if (!m_painting.isNull())
        painter.drawImage(m_border, m_border, m_painting);
    if (m_pageEdge) {
        painter.setPen(QColor(128, 128, 128));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (m_border > 0 && hasFocus()) {
        // The focus in the highlight colour, where the sunken edge would be.
        const QColor focus = palette().color(QPalette::Active, QPalette::Highlight);
        painter.setPen(QPen(focus, m_border));
        painter.setBrush(Qt::NoBrush);
        const qreal half = m_border / 2.0;
        painter.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
    } else if (m_border > 0) {
        // A sunken edge: dark above and left, light below and right.
        const QRect r = rect();
        const QColor outerDark(128, 128, 128), innerDark(64, 64, 64);
        const QColor outerLight(255, 255, 255), innerLight(212, 208, 200);
        painter.setPen(Qt::NoPen);
        auto edge = [&](int inset, const QColor &dark, const QColor &light) {
            const QRect e = r.adjusted(inset, inset, -inset, -inset);
            painter.fillRect(QRect(e.left(), e.top(), e.width(), 1), dark);
            painter.fillRect(QRect(e.left(), e.top(), 1, e.height()), dark);
            painter.fillRect(QRect(e.left(), e.bottom(), e.width(), 1), light);
            painter.fillRect(QRect(e.right(), e.top(), 1, e.height()), light);
        };
        edge(0, outerDark, outerLight);
        if (m_border > 1)
            edge(1, innerDark, innerLight);
    }
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeClientArea();
}

void PictureBox::placeClientArea()
{
    if (m_client)
        m_client->setGeometry(rect().adjusted(m_border, m_border, -m_border, -m_border));
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    emit mousePressed(buttonBits(event->button()), shiftBits(event->modifiers()),
                      float(event->position().x() * Twips::kPerPixel), float(event->position().y() * Twips::kPerPixel));
}

void PictureBox::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    emit mouseMoved(buttonBits(event->buttons()), shiftBits(event->modifiers()),
                    float(event->position().x() * Twips::kPerPixel), float(event->position().y() * Twips::kPerPixel));
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    emit mouseReleased(buttonBits(event->button()), shiftBits(event->modifiers()),
                       float(event->position().x() * Twips::kPerPixel),
                       float(event->position().y() * Twips::kPerPixel));
}
