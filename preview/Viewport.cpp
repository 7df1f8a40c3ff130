#include "preview/Viewport.h"

#include "core/Failure.h"
#include "core/Procedure.h"
#include "preview/Twips.h"

#include <cmath>

namespace {
const QString kRedrawImageTag = QStringLiteral("in Parcelwise2021/08/31.Form2.RedrawImage ");

// What one Zoom In or Zoom Out click changes the zoom by.
constexpr float kZoomStep = 0.25f;

// One arrow key or wheel line: 40 pixels.
constexpr int kLineTwips = 600;

bool zoomInRange(float zoom)
{
    return zoom >= 0.25f && zoom <= 4.0f;
}

// A base extent at a zoom, in whole twips (as a double: it may overflow the integer).
double zoomedTwips(qint32 base, float zoom)
{
    return std::floor(double(base) * double(zoom));
}

bool belowCap(double width, double height)
{
    return width < Viewport::kCapWidth && height < Viewport::kCapHeight;
}
} // namespace

Viewport::Viewport(MessageBoxes &boxes)
    : m_boxes(boxes)
{
}

void Viewport::setViewportSize(int outerWidth, int outerHeight, int borderTwips)
{
    m_outerWidth = outerWidth;
    m_outerHeight = outerHeight;
    m_innerWidth = outerWidth - 2 * borderTwips;
    m_innerHeight = outerHeight - 2 * borderTwips;
}

void Viewport::setCanvasSize(int width, int height)
{
    m_canvas.width = width;
    m_canvas.height = height;
}

void Viewport::setZoomSourceSize(int width, int height)
{
    m_zoomSource.width = width;
    m_zoomSource.height = height;
}

void Viewport::setCanvasPicture(const QImage &picture)
{
    setCanvasPicture(picture, Twips::NaturalSize(picture));
}

void Viewport::setCanvasPicture(const QImage &picture, QSize naturalTwips)
{
    m_canvas.picture = picture;
    m_canvas.pictureSize = picture.isNull() ? QSize() : naturalTwips;
    m_paintings.clear();
    // A new picture replaces whatever was painted over the old one.
    clearPainting();
    if (m_canvas.autoSize)
        fitCanvasToPicture();
}

void Viewport::ReplacePicture(const QImage &picture)
{
    m_paintings.clear();
    if (m_zoomSource.picture.isNull()) {
        setCanvasPicture(picture); // not displayed yet
        return;
    }
    m_zoomSource.picture = picture;
    m_zoomSource.pictureSize = Twips::NaturalSize(picture);
    if (!m_canvas.picture.isNull()) {
        // Beyond the cap at first display: shown unpainted at its natural size.
        m_canvas.picture = picture;
        m_canvas.pictureSize = m_zoomSource.pictureSize;
        return;
    }
    stretchCopy();
}

void Viewport::FirstDisplay(Procedure &p)
{
    p.step(102, [&] { m_canvas.autoRedraw = true; });
    p.step(106, [&] {
        m_canvas.autoSize = true;
        fitCanvasToPicture();
    });
    p.step(110, [&] { m_canvas.whiteBackground = true; });
    p.step(112, [&] { m_zoomSource.visible = false; });
    p.step(118, [&] { m_zoomSource.width = m_canvas.width; });
    p.step(120, [&] { m_zoomSource.height = m_canvas.height; });
    p.step(122, [&] {
        m_zoomSource.picture = m_canvas.picture;
        m_zoomSource.pictureSize = m_canvas.pictureSize;
    });
    p.step(124, [&] { mZoom = 1.0f; });
    // The zoom source has no border: its inner size is its outer size.
    p.step(126, [&] { mBaseWidth = Twips::ToInt32(double(m_zoomSource.width) - 2); });
    p.step(128, [&] { mBaseHeight = Twips::ToInt32(double(m_zoomSource.height) - 2); });
    p.step(130, [&] { mZoomedWidth = Twips::ToInt32(std::floor(double(mBaseWidth) * 1.0)); });
    p.step(132, [&] { mZoomedHeight = Twips::ToInt32(std::floor(double(mBaseHeight) * 1.0)); });
    p.step(134, [&] { RedrawImage(); });
    p.step(136, [&] { SetupScrollbars(); });
}

void Viewport::RedrawImage()
{
    Procedure p(m_boxes, kRedrawImageTag);
    p.step(100, [&] { mZoomedWidth = Twips::ToInt32(zoomedTwips(mBaseWidth, mZoom)); });
    p.step(102, [&] { mZoomedHeight = Twips::ToInt32(zoomedTwips(mBaseHeight, mZoom)); });
    bool paint = false;
    p.step(104, [&] { paint = belowCap(mZoomedWidth, mZoomedHeight); });
    if (paint) {
        p.step(106, [&] {
            m_canvas.picture = QImage();
            m_canvas.pictureSize = QSize();
            clearPainting();
        });
        p.step(108, [&] { setCanvasWidth(mZoomedWidth); });
        p.step(110, [&] { setCanvasHeight(mZoomedHeight); });
        p.step(112, [&] { stretchCopy(); });
        p.step(114, [&] {
            if (m_defaultPointer)
                m_defaultPointer();
        });
        p.step(116, [&] { setBarValue(Axis::Horizontal, 0); });
        p.step(118, [&] { setBarValue(Axis::Vertical, 0); });
        p.step(120, [&] { m_hScroll.enabled = m_innerWidth < mZoomedWidth; });
        p.step(122, [&] { m_vScroll.enabled = m_innerHeight < mZoomedHeight; });
    } else {
        // Too large: back to 1.0 without repainting; the canvas keeps what it shows.
        p.step(124, [&] { mZoom = 1.0f; });
        p.step(126, [&] { mBaseWidth = Twips::ToInt32(double(m_zoomSource.width) - 2); });
        p.step(128, [&] { mBaseHeight = Twips::ToInt32(double(m_zoomSource.height) - 2); });
        p.step(130, [&] { mZoomedWidth = mBaseWidth; });
        p.step(132, [&] { mZoomedHeight = mBaseHeight; });
    }
}

void Viewport::SetupScrollbars()
{
    m_canvas.top = 0;
    m_canvas.left = 0;
    setupAxis(Axis::Horizontal);
    setupAxis(Axis::Vertical);
}

void Viewport::setupAxis(Axis axis)
{
    const bool horizontal = axis == Axis::Horizontal;
    const int canvasOuter = horizontal ? m_canvas.width : m_canvas.height;
    const int viewportOuter = horizontal ? m_outerWidth : m_outerHeight;
    qint16 &step = horizontal ? mHStep : mVStep;
    ScrollBarState &b = bar(axis);

    if (canvasOuter <= viewportOuter) {
        // Maximum and value stay as they were.
        b.enabled = false;
        step = 0;
        return;
    }
    const double overflow = double(canvasOuter) - double(viewportOuter);
    b.enabled = true;
    if (overflow <= 100) {
        setBarMaximum(axis, Twips::ToInt16(overflow));
        step = 1;
    } else {
        setBarMaximum(axis, Twips::ToInt16(overflow / 10.0));
        step = 10;
    }
    setBarValue(axis, 0);
}

void Viewport::StepZoom(qint32 direction)
{
    const float candidate = direction == 0 ? mZoom + kZoomStep : mZoom - kZoomStep;
    ApplyZoom(candidate);
}

bool Viewport::CanStepZoom(qint32 direction) const
{
    const float candidate = direction == 0 ? mZoom + kZoomStep : mZoom - kZoomStep;
    return zoomInRange(candidate) && belowCap(zoomedTwips(mBaseWidth, candidate), zoomedTwips(mBaseHeight, candidate));
}

void Viewport::ApplyZoom(float candidate, std::optional<QPointF> anchor)
{
    // A step whose painting would reach the cap is refused like one beyond
    // 4.0: the factor stays with the painting shown.
    if (!zoomInRange(candidate) || !belowCap(zoomedTwips(mBaseWidth, candidate), zoomedTwips(mBaseHeight, candidate)))
        return;
    const QPointF at = anchor.value_or(QPointF(m_innerWidth / 2.0, m_innerHeight / 2.0));
    // The spot of the picture under the anchor, as a fraction of the canvas.
    const double fx = m_canvas.width > 0 ? (at.x() - m_canvas.left) / m_canvas.width : 0;
    const double fy = m_canvas.height > 0 ? (at.y() - m_canvas.top) / m_canvas.height : 0;
    mZoom = candidate;
    RedrawImage();
    SetupScrollbars();
    keepSpot(Axis::Horizontal, at.x() - fx * m_canvas.width);
    keepSpot(Axis::Vertical, at.y() - fy * m_canvas.height);
}

// Puts the bar where the canvas stands nearest to the wanted offset.
void Viewport::keepSpot(Axis axis, double wantedOffset)
{
    const qint16 step = axis == Axis::Horizontal ? mHStep : mVStep;
    if (step == 0)
        return;
    const int value = int(std::lround(-wantedOffset / step));
    setBarValue(axis, qBound(0, value, bar(axis).maximum));
}

int Viewport::lineStep(Axis axis) const
{
    const qint16 step = axis == Axis::Horizontal ? mHStep : mVStep;
    return step == 0 ? 0 : qMax(1, kLineTwips / step);
}

int Viewport::pageStep(Axis axis) const
{
    const qint16 step = axis == Axis::Horizontal ? mHStep : mVStep;
    if (step == 0)
        return 0;
    // A page less one line, so that a line of the last view stays in sight.
    const int inner = axis == Axis::Horizontal ? m_innerWidth : m_innerHeight;
    return qMax(1, (inner - kLineTwips) / step);
}

void Viewport::ScrollBy(Axis axis, int units)
{
    const ScrollBarState &b = bar(axis);
    if (!b.enabled || (axis == Axis::Horizontal ? mHStep : mVStep) == 0)
        return;
    setBarValue(axis, qBound(0, b.value + units, b.maximum));
}

void Viewport::setHScrollValue(int value)
{
    setBarValue(Axis::Horizontal, value);
}

void Viewport::setVScrollValue(int value)
{
    setBarValue(Axis::Vertical, value);
}

void Viewport::HScroll1_Change()
{
    runChangeHandler(Axis::Horizontal);
}

void Viewport::VScroll1_Change()
{
    runChangeHandler(Axis::Vertical);
}

void Viewport::setBarValue(Axis axis, int value)
{
    ScrollBarState &b = bar(axis);
    if (value < 0 || value > b.maximum)
        throw Failure(QStringLiteral("Invalid property value"));
    if (b.value == value)
        return;
    b.value = value;
    runChangeHandler(axis);
}

void Viewport::setBarMaximum(Axis axis, int maximum)
{
    // A bar keeps its value within its range; pulling it in is a change.
    ScrollBarState &b = bar(axis);
    b.maximum = maximum;
    if (b.value > maximum) {
        b.value = maximum;
        runChangeHandler(axis);
    }
}

void Viewport::runChangeHandler(Axis axis)
{
    // The offset is step x value. The product is taken in 32 bits: within the
    // design (offsets up to 32767 twips) that is the 16-bit result, and beyond
    // it the canvas still moves where the bar says instead of failing.
    if (axis == Axis::Horizontal)
        m_canvas.left = float(-(qint32(mHStep) * qint32(m_hScroll.value)));
    else
        m_canvas.top = float(-(qint32(mVStep) * qint32(m_vScroll.value)));
}

void Viewport::Picture1_MouseDown(Procedure &p, qint16, qint16, float x, float y)
{
    p.step(100, [&] { mDragX = x; });
    p.step(102, [&] { mDragY = y; });
}

void Viewport::Picture1_MouseMove(Procedure &p, qint16 button, qint16, float x, float y)
{
    bool held = false;
    p.step(100, [&] { held = button != 0; });
    if (!held)
        return;
    float newLeft = m_canvas.left;
    float newTop = m_canvas.top;
    p.step(102, [] {}); // the canvas is m_canvas
    // A canvas that fits the inner area has nowhere to go on that axis.
    if (m_canvas.width > m_innerWidth) {
        // x is measured on the canvas, which moves with the drag: this keeps
        // the grabbed point under the pointer.
        p.step(104, [&] { newLeft = m_canvas.left - mDragX + x; });
        // The upper bound is tested first; the lower one only when it did not apply.
        bool atUpper = false;
        p.step(106, [&] { atUpper = newLeft > 0; });
        if (atUpper) {
            p.step(108, [&] { newLeft = 0; });
        } else {
            bool atLower = false;
            p.step(110, [&] { atLower = float(m_innerWidth - m_canvas.width) > newLeft; });
            if (atLower)
                p.step(112, [&] { newLeft = float(m_innerWidth - m_canvas.width); });
        }
    }
    if (m_canvas.height > m_innerHeight) {
        p.step(114, [&] { newTop = m_canvas.top - mDragY + y; });
        bool atUpper = false;
        p.step(116, [&] { atUpper = newTop > 0; });
        if (atUpper) {
            p.step(118, [&] { newTop = 0; });
        } else {
            bool atLower = false;
            p.step(120, [&] { atLower = float(m_innerHeight - m_canvas.height) > newTop; });
            if (atLower)
                p.step(122, [&] { newTop = float(m_innerHeight - m_canvas.height); });
        }
    }
    p.step(124, [&] {
        m_canvas.left = newLeft;
        m_canvas.top = newTop;
        followCanvas(Axis::Horizontal);
        followCanvas(Axis::Vertical);
    });
}

void Viewport::Picture1_MouseUp(Procedure &p, qint16, qint16, float, float)
{
    // The bars follow the drag already; a plain click puts them where the
    // canvas stands. The canvas stays where it was dropped.
    p.step(100, [&] { followCanvas(Axis::Horizontal); });
    p.step(102, [&] { followCanvas(Axis::Vertical); });
}

// The bar value nearest to where the canvas stands.
int Viewport::barValueAt(Axis axis) const
{
    const qint16 step = axis == Axis::Horizontal ? mHStep : mVStep;
    const float offset = axis == Axis::Horizontal ? m_canvas.left : m_canvas.top;
    return qBound(0, int(std::lround(-double(offset) / step)), bar(axis).maximum);
}

// The bar shows where the canvas is without moving it.
void Viewport::followCanvas(Axis axis)
{
    const qint16 step = axis == Axis::Horizontal ? mHStep : mVStep;
    if (step == 0 || !bar(axis).enabled)
        return;
    bar(axis).value = barValueAt(axis);
}

void Viewport::setCanvasWidth(qint32 width)
{
    if (width < 0)
        throw Failure(QStringLiteral("Invalid property value"));
    m_canvas.width = width;
}

void Viewport::setCanvasHeight(qint32 height)
{
    if (height < 0)
        throw Failure(QStringLiteral("Invalid property value"));
    m_canvas.height = height;
}

void Viewport::fitCanvasToPicture()
{
    if (m_canvas.picture.isNull())
        return;
    m_canvas.width = m_canvas.pictureSize.width();
    m_canvas.height = m_canvas.pictureSize.height();
}

void Viewport::clearPainting()
{
    if (m_canvas.painting.isNull())
        return;
    m_canvas.painting = QImage();
    ++m_canvas.paintingSerial;
}

std::optional<PaintingCache::Request> Viewport::paintingRequest(float zoom) const
{
    const ZoomSourceState &source = m_zoomSource;
    const double zoomedWidth = zoomedTwips(mBaseWidth, zoom);
    const double zoomedHeight = zoomedTwips(mBaseHeight, zoom);
    if (mBaseWidth <= 0 || mBaseHeight <= 0 || zoomedWidth <= 0 || zoomedHeight <= 0)
        return std::nullopt;

    // The source rectangle (0, 0, base) in twips, in the picture's own pixels:
    // the full-resolution picture is scaled, never its screen-sized copy.
    const double pixelsPerTwipX = double(source.picture.width()) / source.pictureSize.width();
    const double pixelsPerTwipY = double(source.picture.height()) / source.pictureSize.height();
    PaintingCache::Request request;
    request.picture = source.picture;
    request.source = QSize(qBound(1, qRound(mBaseWidth * pixelsPerTwipX), source.picture.width()),
                           qBound(1, qRound(mBaseHeight * pixelsPerTwipY), source.picture.height()));
    request.target = QSize(qMax(1, qRound(Twips::ToPixels(Twips::ToInt32(zoomedWidth)) * m_devicePixelRatio)),
                           qMax(1, qRound(Twips::ToPixels(Twips::ToInt32(zoomedHeight)) * m_devicePixelRatio)));
    request.devicePixelRatio = m_devicePixelRatio;
    return request;
}

void Viewport::stretchCopy()
{
    const ZoomSourceState &source = m_zoomSource;
    if (source.picture.isNull() || source.pictureSize.isEmpty())
        throw Failure(QStringLiteral("Invalid picture"));
    const auto request = paintingRequest(mZoom);
    if (!request)
        return;
    m_canvas.painting = m_paintings.take(*request);
    ++m_canvas.paintingSerial;

    // The steps a click away, made while the user looks at this one; this
    // one is kept for the way back.
    QList<PaintingCache::Request> next{*request};
    for (float zoom : {mZoom + kZoomStep, mZoom - kZoomStep}) {
        if (!zoomInRange(zoom) || !belowCap(zoomedTwips(mBaseWidth, zoom), zoomedTwips(mBaseHeight, zoom)))
            continue; // that click would not paint
        if (const auto neighbour = paintingRequest(zoom))
            next.append(*neighbour);
    }
    m_paintings.prepare(next);
}
