#pragma once

#include "preview/PaintingCache.h"

#include <QImage>
#include <QPointF>
#include <QSize>
#include <QtGlobal>

#include <functional>
#include <optional>

class MessageBoxes;
class Procedure;

// A scroll bar beside the viewport: minimum 0, small and large change 1.
struct ScrollBarState
{
    bool enabled = true;
    int maximum = 32767; // the control's default until SetupScrollbars
    int value = 0;
};

// Picture1, the canvas inside the viewport. Positions are relative to the
// viewport's inner area; panning makes them zero or negative.
struct CanvasState
{
    float left = 0;
    float top = 0;
    int width = 0; // outer size
    int height = 0;
    QImage picture;             // the handed-over picture, shown at its natural size
    QSize pictureSize;          // its natural size in twips
    QImage painting;            // the persistent backing image (null: nothing painted)
    quint64 paintingSerial = 0; // changes whenever the painting is replaced or cleared
    bool autoRedraw = false;
    bool autoSize = false;
    bool whiteBackground = false; // until first display: the window-background colour
};

// Zoom_Ori, the hidden holder of the picture at its natural size.
struct ZoomSourceState
{
    bool visible = true;
    int width = 0;
    int height = 0;
    QImage picture;
    QSize pictureSize;
};

// The preview's zoom and pan viewport without any widget: the controls'
// state and the arithmetic that moves them, all in twips. The preview window
// maps this state onto its widgets after each event.
class Viewport
{
public:
    static constexpr int kCapWidth = 11700; // a painted canvas stays below these
    static constexpr int kCapHeight = 14300;

    explicit Viewport(MessageBoxes &boxes);

    // The layout: the viewport's outer size and border, the canvas's and the
    // zoom source's design sizes.
    void setViewportSize(int outerWidth, int outerHeight, int borderTwips);
    void setCanvasSize(int width, int height);
    void setZoomSourceSize(int width, int height);
    // Device pixels per screen pixel of the painting (1 on ordinary screens).
    void setDevicePixelRatio(qreal ratio) { m_devicePixelRatio = ratio > 0 ? ratio : 1.0; }
    // Called when a repaint sets the window's pointer to the default one.
    void setDefaultPointerHandler(std::function<void()> handler) { m_defaultPointer = std::move(handler); }

    // Picture1's picture. A null image leaves the canvas without a picture.
    void setCanvasPicture(const QImage &picture);
    void setCanvasPicture(const QImage &picture, QSize naturalTwips);
    // Another page of the same size in place of the one shown: zoom, canvas
    // position and scroll bars stay as they are. Throws; the caller reports.
    void ReplacePicture(const QImage &picture);

    // First display, steps 102 to 136, under the activation's procedure.
    void FirstDisplay(Procedure &p);
    // Repaints at mZoom or falls back to 1.0; reports its own failures.
    void RedrawImage();
    // Throws; the caller reports.
    void SetupScrollbars();
    void StepZoom(qint32 direction); // 0: in, else out
    // A factor within 0.25..4.0 whose painting stays below the cap; anything
    // else leaves the view as it is. The point of the viewport's inner area at
    // `anchor` (twips; its centre when not given) keeps showing the same spot
    // of the picture as far as the bars reach.
    void ApplyZoom(float candidate, std::optional<QPointF> anchor = std::nullopt);
    // Whether a zoom step in that direction would change anything.
    bool CanStepZoom(qint32 direction) const;

    enum class Axis { Horizontal, Vertical };
    // Bar units of one line (an arrow key, a wheel notch's line) and one page
    // of the viewport; 0 while the bar is disabled.
    int lineStep(Axis axis) const;
    int pageStep(Axis axis) const;
    // Moves a bar by that many units, held within its range.
    void ScrollBy(Axis axis, int units);

    // A bar's value assignment: a change runs its change handler at once.
    void setHScrollValue(int value);
    void setVScrollValue(int value);
    void HScroll1_Change();
    void VScroll1_Change();

    // Mouse on the canvas: button is the bit set of buttons (1 left, 2 right,
    // 4 middle), x and y are twips from the canvas's top-left corner.
    void Picture1_MouseDown(Procedure &p, qint16 button, qint16 shift, float x, float y);
    void Picture1_MouseMove(Procedure &p, qint16 button, qint16 shift, float x, float y);
    void Picture1_MouseUp(Procedure &p, qint16 button, qint16 shift, float x, float y);

    const CanvasState &canvas() const { return m_canvas; }
    const ZoomSourceState &zoomSource() const { return m_zoomSource; }
    const ScrollBarState &hScroll() const { return m_hScroll; }
    const ScrollBarState &vScroll() const { return m_vScroll; }
    int viewportOuterWidth() const { return m_outerWidth; }
    int viewportOuterHeight() const { return m_outerHeight; }
    int viewportInnerWidth() const { return m_innerWidth; }
    int viewportInnerHeight() const { return m_innerHeight; }

    float zoom() const { return mZoom; }
    qint32 baseWidth() const { return mBaseWidth; }
    qint32 baseHeight() const { return mBaseHeight; }
    qint32 zoomedWidth() const { return mZoomedWidth; }
    qint32 zoomedHeight() const { return mZoomedHeight; }
    qint16 hStep() const { return mHStep; }
    qint16 vStep() const { return mVStep; }
    float dragX() const { return mDragX; }
    float dragY() const { return mDragY; }
    // The zoom steps' paintings, made ahead of the clicks.
    PaintingCache &paintings() { return m_paintings; }

private:
    ScrollBarState &bar(Axis axis) { return axis == Axis::Horizontal ? m_hScroll : m_vScroll; }
    const ScrollBarState &bar(Axis axis) const { return axis == Axis::Horizontal ? m_hScroll : m_vScroll; }
    void setBarValue(Axis axis, int value);
    void setBarMaximum(Axis axis, int maximum);
    void runChangeHandler(Axis axis);
    void setupAxis(Axis axis);
    int barValueAt(Axis axis) const;
    void keepSpot(Axis axis, double wantedOffset);
    void followCanvas(Axis axis);

    void setCanvasWidth(qint32 width);
    void setCanvasHeight(qint32 height);
    void fitCanvasToPicture();
    void clearPainting();
    void stretchCopy();
    std::optional<PaintingCache::Request> paintingRequest(float zoom) const;

    MessageBoxes &m_boxes;
    std::function<void()> m_defaultPointer;
    qreal m_devicePixelRatio = 1.0;

    int m_outerWidth = 0;
    int m_outerHeight = 0;
    int m_innerWidth = 0;
    int m_innerHeight = 0;

    CanvasState m_canvas;
    ZoomSourceState m_zoomSource;
    ScrollBarState m_hScroll;
    ScrollBarState m_vScroll;

    float mZoom = 1.0f;
    qint32 mBaseWidth = 0;
    qint32 mBaseHeight = 0;
    qint32 mZoomedWidth = 0;
    qint32 mZoomedHeight = 0;
    qint16 mHStep = 0;
    qint16 mVStep = 0;
    float mDragX = 0;
    float mDragY = 0;

    PaintingCache m_paintings;
};
