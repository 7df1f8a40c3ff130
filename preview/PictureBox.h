#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QWidget>

// A picture box: a surface in its own background colour, optionally with a
// sunken border, that shows a picture at its natural size and, over it, a
// persistent painted image. It reports mouse buttons and positions in twips.
// Its colours are its own: recolouring the window leaves them alone.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setBackground(const QColor &colour);
    QColor background() const { return m_background; }

    // A border of this many pixels on each side; children belong in clientArea().
    void setBorderWidth(int pixels);
    int borderWidth() const { return m_border; }
    QWidget *clientArea();

    // The picture, drawn at the top-left at the given size in screen pixels.
    void setPicture(const QImage &picture, QSize naturalPixels);
    bool hasPicture() const { return !m_picture.isNull(); }
    // The painted image (device pixels, with its device pixel ratio). Drawn
    // as it is: converting a 2x painting to a pixmap would cost a copy per zoom step.
    void setPainting(const QImage &painting);
    const QImage &painting() const { return m_painting; }
    // A thin line around the box: the edge of a white page on a white ground.
    void setPageEdge(bool shown);

signals:
    // button: 1 left, 2 right, 4 middle (a bit set while moving);
    // shift: 1 Shift, 2 Ctrl, 4 Alt; x and y in twips from the top-left corner.
    void mousePressed(qint16 button, qint16 shift, float x, float y);
    void mouseMoved(qint16 button, qint16 shift, float x, float y);
    void mouseReleased(qint16 button, qint16 shift, float x, float y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void placeClientArea();

    QColor m_background = Qt::white;
    int m_border = 0;
    bool m_pageEdge = false;
    QWidget *m_client = nullptr;
    QImage m_picture;
    QSize m_pictureSize;
    QPixmap m_pictureShown; // m_picture at its natural size, made when first painted
    QImage m_painting;
};
