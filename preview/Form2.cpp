// Over 600 lines because it is the whole preview window: a handler for each
// of the window's events, buttons, shortcuts and menu entries, each with its
// numbered steps, kept together so the window reads in one place. What they
// call lives beside it: the zoom and pan arithmetic (Viewport), an address
// list's sheets and progress (ListSession), printing and saving (SheetOutput).

#include "preview/Form2.h"

#include "ui_Form2.h"

#include "core/AppInfo.h"
#include "core/Failure.h"
#include "core/FileUtils.h"
#include "core/FreedMemory.h"
#include "core/GeneratedDocuments.h"
#include "core/MessageBoxes.h"
#include "core/Procedure.h"
#include "core/Seams.h"
#include "preview/SafeCopy.h"
#include "preview/SheetOutput.h"
#include "preview/StockSetting.h"
#include "preview/Twips.h"
#include "resources/Resources.h"
#include "widgets/DropAsCopy.h"
#include "widgets/FixedWindow.h"
#include "widgets/HandCursor.h"
#include "widgets/Skin.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QWheelEvent>

#include <memory>

namespace {
const QString kTagLoad = QStringLiteral("in Parcelwise2021/08/31.Form2.Form_Load ");
const QString kTagActivate = QStringLiteral("in Parcelwise2021/08/31.Form2.Form_Activate ");
const QString kTagBack = QStringLiteral("in Parcelwise2021/08/31.Form2.PushButton8_Click ");
const QString kTagQueryUnload = QStringLiteral("in Parcelwise2021/08/31.Form2.Form_QueryUnload ");
const QString kTagZoomIn = QStringLiteral("in Parcelwise2021/08/31.Form2.PushButton1_Click ");
const QString kTagZoomOut = QStringLiteral("in Parcelwise2021/08/31.Form2.PushButton2_Click ");
const QString kTagSave = QStringLiteral("in Parcelwise2021/08/31.Form2.PushButton6_Click ");
const QString kTagMouseDown = QStringLiteral("in Parcelwise2021/08/31.Form2.picture1_MouseDown ");
const QString kTagMouseMove = QStringLiteral("in Parcelwise2021/08/31.Form2.picture1_MouseMove ");
const QString kTagMouseUp = QStringLiteral("in Parcelwise2021/08/31.Form2.Picture1_MouseUp ");
const QString kTagSheet = QStringLiteral("in Parcelwise2021/08/31.Form2.ShowSheet ");

const QString kPictureTip = QStringLiteral(
    "A sheet larger than the view moves with a drag, the wheel (Shift+wheel sideways) or the arrow keys;\n"
    "Ctrl+wheel zooms. Right-click for the menu:\n"
    "Print (Ctrl+P), Save as PDF (Ctrl+Shift+S), Print Labels on a used sheet (Ctrl+L).\n"
    "An address list: Page Down / Page Up for the next and previous sheet.");

constexpr int kViewportBorderPixels = 2;

int twips(int pixels)
{
    return pixels * Twips::kPerPixel;
}

QRect pixelRect(double left, double top, double width, double height)
{
    return QRect(Twips::ToPixels(left), Twips::ToPixels(top), Twips::ToPixels(width), Twips::ToPixels(height));
}

QSize pixelSize(QSize twipsSize)
{
    return twipsSize.isValid() ? QSize(Twips::ToPixels(twipsSize.width()), Twips::ToPixels(twipsSize.height()))
                               : QSize();
}

} // namespace

Form2::Form2(Services &services, QWidget *mainWindow, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_services(services)
    , m_mainWindow(mainWindow)
    , ui(std::make_unique<Ui::Form2>())
    , m_viewport(services.messages)
    , m_pointer(this)
    , m_list(services.engines, this)
{
    ui->setupUi(this);
    applyDesign();

    m_viewport.setViewportSize(twips(ui->Picture2->width()), twips(ui->Picture2->height()),
                               twips(kViewportBorderPixels));
    m_viewport.setCanvasSize(twips(ui->Picture1->width()), twips(ui->Picture1->height()));
    m_viewport.setZoomSourceSize(twips(ui->Zoom_Ori->width()), twips(ui->Zoom_Ori->height()));
    m_viewport.setDefaultPointerHandler([this] { m_pointer.setKind(PointerKind::Default); });

    connect(ui->PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
    connect(ui->PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    connect(ui->PushButton6, &QPushButton::clicked, this, &Form2::PushButton6_Click);
    connect(ui->PushButton8, &QPushButton::clicked, this, &Form2::PushButton8_Click);
    connect(ui->HScroll1, &QScrollBar::valueChanged, this, &Form2::HScroll1_Change);
    connect(ui->VScroll1, &QScrollBar::valueChanged, this, &Form2::VScroll1_Change);
    connect(ui->Picture1, &PictureBox::mousePressed, this, &Form2::Picture1_MouseDown);
    connect(ui->Picture1, &PictureBox::mouseMoved, this, &Form2::Picture1_MouseMove);
    connect(ui->Picture1, &PictureBox::mouseReleased, this, &Form2::Picture1_MouseUp);
    for (QWidget *w : {static_cast<QWidget *>(ui->PushButton1), static_cast<QWidget *>(ui->PushButton2),
                       static_cast<QWidget *>(ui->PushButton6), static_cast<QWidget *>(ui->PushButton8),
                       static_cast<QWidget *>(ui->Frame1)})
        w->installEventFilter(this);
    addSheetActions();
    // Only the sheet: its menu and its drag are the sheet's.
    ui->Picture1->setToolTip(kPictureTip);
    for (QScrollBar *bar : {ui->HScroll1, ui->VScroll1})
        bar->installEventFilter(this);
    setAcceptDrops(true);
    connect(&m_list, &ListSession::firstSheet, this, &Form2::showFirstListSheet);
    connect(&m_list, &ListSession::progressed, this, &Form2::showTitle);
    connect(&m_list, &ListSession::finished, this, &Form2::listFinished);
    connect(&m_list, &ListSession::failed, this, &Form2::listFailedWith);

    Form_Load();
    showViewport();
}

Form2::~Form2() = default;

// What the layout file cannot say: fractional point sizes, the window's
// border, the picture boxes' colours and the canvas clipped by the viewport's
// inner area.
void Form2::applyDesign()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(656, 626);
    FixedWindow::UseWindowsFrames(this);
    FixedWindow::ActivateButtonsOnReturn(this);
    FixedWindow::CentreOnFirstShow(this);

    for (QPushButton *button : {ui->PushButton1, ui->PushButton2, ui->PushButton6, ui->PushButton8}) {
        QFont font = button->font();
        font.setPointSizeF(11.25);
        button->setFont(font);
    }
    for (PictureBox *box : {ui->Picture2, ui->Picture1, ui->Zoom_Ori}) {
        QFont font = box->font();
        font.setPointSizeF(8.25);
        box->setFont(font);
    }

    ui->Picture2->setBackground(Qt::white);
    ui->Picture2->setBorderWidth(kViewportBorderPixels);
    // The canvas shows only through the viewport's inner area.
    const QRect canvasGeometry = ui->Picture1->geometry();
    ui->Picture1->setParent(ui->Picture2->clientArea());
    ui->Picture1->setGeometry(canvasGeometry);
    ui->Picture1->setBackground(QApplication::palette().color(QPalette::Base));
    ui->Picture1->show();
    ui->Zoom_Ori->setBackground(Qt::white);

    ui->Picture1->setPageEdge(true);
    // One stop for the picture in the keyboard order, the viewport, which
    // shows the focus in its border; a click on the sheet puts it there.
    ui->Picture2->setFocusPolicy(Qt::StrongFocus);
    ui->Picture1->setFocusPolicy(Qt::ClickFocus);
    ui->Picture1->setFocusProxy(ui->Picture2);
    QWidget::setTabOrder(ui->HScroll1, ui->VScroll1);
    QWidget::setTabOrder(ui->VScroll1, ui->Picture2);
    QWidget::setTabOrder(ui->Picture2, ui->PushButton1);
    QWidget::setTabOrder(ui->PushButton1, ui->PushButton2);
    QWidget::setTabOrder(ui->PushButton2, ui->PushButton6);
    QWidget::setTabOrder(ui->PushButton6, ui->PushButton8);
    ui->Zoom_Ori->setFocusPolicy(Qt::NoFocus);
}

void Form2::Form_Load()
{
    Procedure p(m_services.messages, kTagLoad);
    p.step(100, [&] { mFirstActivation = true; });
    p.step(102, [&] { RecolourForm(this); });
    p.step(104, [&] {
        setWindowTitle(QString::fromLatin1(AppInfo::kProductTitle));
        setWindowIcon(ProgramIcon());
    });
    bool present = false;
    p.step(108, [&] { present = FileExists(HandCursorPath()); });
    // A file the main window could not load was reported once, at start.
    if (!present || HandCursorFailedBefore(HandCursorPath()))
        return;
    p.step(110, [&] { m_pointer.setCustomCursor(LoadHandCursor(HandCursorPath())); });
}

void Form2::setPicture(const QImage &picture)
{
    m_viewport.setCanvasPicture(picture);
    showViewport();
}

bool Form2::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return QWidget::event(event);
}

void Form2::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A new showing starts on Zoom In, not on a picture or a bar.
    if (mFirstActivation)
        ui->PushButton1->setFocus(Qt::OtherFocusReason);
    // Where the window system does not activate a newly shown window, the
    // first display still runs once the showing is complete.
    QTimer::singleShot(0, this, [this] {
        if (mFirstActivation && isVisible())
            Form_Activate();
    });
}

void Form2::Form_Activate()
{
    // A report box closing re-activates the window: that is not a new
    // activation. Without a window manager an activation can arrive after
    // "< Back" has hidden the window, whose canvas then holds no picture.
    if (m_activating || !isVisible())
        return;
    m_activating = true;
    m_viewport.setDevicePixelRatio(devicePixelRatioF());
    Procedure p(m_services.messages, kTagActivate);
    bool due = false;
    p.step(100, [&] { due = mFirstActivation; });
    if (due)
        m_viewport.FirstDisplay(p);
    p.step(138, [&] { mFirstActivation = false; });
    showViewport();
    m_activating = false;
}

void Form2::PushButton1_Click()
{
    m_viewport.setDevicePixelRatio(devicePixelRatioF());
    Procedure p(m_services.messages, kTagZoomIn);
    p.step(100, [&] { m_viewport.StepZoom(0); });
    showViewport();
}

void Form2::PushButton2_Click()
{
    m_viewport.setDevicePixelRatio(devicePixelRatioF());
    Procedure p(m_services.messages, kTagZoomOut);
    p.step(100, [&] { m_viewport.StepZoom(1); });
    showViewport();
}

void Form2::PushButton6_Click()
{
    if (refuseWhileMaking())
        return;
    MessageBoxes &boxes = m_services.messages;
    const QString appTitle = AppInfo::applicationTitle();
    Procedure p(boxes, kTagSave);
    QString fileName;
    QString title;
    QString filter;
    QString target;
    enum class Answer { None, Yes, No } answer = Answer::None;

    p.step(106, [&] { fileName.clear(); });
    p.step(108, [&] { title = QStringLiteral("Save File"); });
    p.step(110, [&] { filter = QStringLiteral("Word Files (*.doc)"); });
    p.step(112, [&] { fileName = m_services.saveDialog.askSaveFileName(this, title, filter); });
    p.step(114, [&] { target = fileName; });
    bool cancelled = true;
    p.step(116, [&] { cancelled = target.isEmpty(); });
    if (!cancelled) {
        bool exists = false;
        p.step(118, [&] { exists = FileExists(target); });
        if (exists) {
            p.step(120, [&] {
                const BoxAnswer chosen = boxes.show(QStringLiteral("Are you sure you wish to overwrite ") + target
                                                        + QStringLiteral(" ?"),
                                                    appTitle, BoxStyle::YesNo);
                answer = chosen == BoxAnswer::Yes ? Answer::Yes : Answer::No;
            });
            bool yes = false;
            p.step(122, [&] { yes = answer == Answer::Yes; });
            // Nothing is deleted on Yes: the copy replaces the old file only
            // once complete, so a failed copy leaves it whole.
            if (yes)
                p.step(124, [] {});
        } else {
            p.step(126, [&] { answer = Answer::Yes; });
        }
    }
    bool copy = false;
    p.step(128, [&] { copy = answer == Answer::Yes; });
    // "Done." says that a file was written: not after a cancel, a No or a
    // failure that has just been reported.
    if (copy && p.step(130, [&] { SafeCopy(mWordFile, target); }))
        p.step(132, [&] { boxes.show(QStringLiteral("Done."), appTitle, BoxStyle::Information); });
}

void Form2::PushButton8_Click()
{
    Procedure p(m_services.messages, kTagBack);
    leaveList();
    p.step(102, [&] { deleteDocuments(); });
    p.step(104, [&] {
        if (m_mainWindow)
            m_mainWindow->show();
    });
    p.step(106, [&] {
        hide();
        mFirstActivation = true;
    });
}

void Form2::Form_QueryUnload()
{
    Procedure p(m_services.messages, kTagQueryUnload);
    leaveList();
    p.step(100, [&] { deleteDocuments(); });
    p.step(102, [] { QCoreApplication::processEvents(); });
    p.step(104, [] { QCoreApplication::processEvents(); });
}

void Form2::deleteDocuments()
{
    DeleteGeneratedDocument(mWordFile);
    // Once the preview goes no document of this run is in use: any other
    // one left by an earlier click goes too.
    DeleteGeneratedDocuments();
}

void Form2::closeEvent(QCloseEvent *event)
{
    // The close is never cancelled, and closing the preview ends the program.
    Form_QueryUnload();
    event->accept();
    m_services.exit.endProgram();
}

void Form2::Picture1_MouseDown(qint16 button, qint16 shift, float x, float y)
{
    Procedure p(m_services.messages, kTagMouseDown);
    m_viewport.Picture1_MouseDown(p, button, shift, x, y);
}

void Form2::Picture1_MouseMove(qint16 button, qint16 shift, float x, float y)
{
    Procedure p(m_services.messages, kTagMouseMove);
    m_viewport.Picture1_MouseMove(p, button, shift, x, y);
    showViewport();
}

void Form2::Picture1_MouseUp(qint16 button, qint16 shift, float x, float y)
{
    Procedure p(m_services.messages, kTagMouseUp);
    m_viewport.Picture1_MouseUp(p, button, shift, x, y);
    showViewport();
}

// The bars have no report of their own. Their Qt range always follows the
// viewport's, so the value is valid; should it ever not be, the change is
// dropped rather than let an exception escape into Qt's event loop.
void Form2::HScroll1_Change(int value)
{
    try {
        m_viewport.setHScrollValue(value);
    } catch (const Failure &) {
    }
    showViewport();
}

void Form2::VScroll1_Change(int value)
{
    try {
        m_viewport.setVScrollValue(value);
    } catch (const Failure &) {
    }
    showViewport();
}

void Form2::mouseMoveEvent(QMouseEvent *event)
{
    m_pointer.overSurface();
    QWidget::mouseMoveEvent(event);
}

bool Form2::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && (watched == ui->HScroll1 || watched == ui->VScroll1)
        && !static_cast<QWidget *>(watched)->isEnabled())
        return paintBarWithoutThumb(static_cast<QScrollBar *>(watched));
    if (watched == ui->Picture1 || watched == ui->Picture2)
        return filterPictureEvent(static_cast<QWidget *>(watched), event) || QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseMove) {
        if (watched == ui->Frame1) {
            m_pointer.overSurface();
        } else {
            m_pointer.overButton();
            // Without a button held the move is the button's only, not its frame's or window's.
            if (static_cast<QMouseEvent *>(event)->buttons() == Qt::NoButton)
                return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Window-wide shortcuts, and the same two entries on the picture's menu.
void Form2::addSheetActions()
{
    m_printAction = new QAction(QStringLiteral("Print..."), this);
    m_printAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    m_savePdfAction = new QAction(QStringLiteral("Save as PDF..."), this);
    m_savePdfAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    m_printLabelsAction = new QAction(QStringLiteral("Print Labels..."), this);
    m_printLabelsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    m_nextAction = new QAction(QStringLiteral("Next Sheet"), this);
    m_nextAction->setShortcut(QKeySequence(Qt::Key_PageDown));
    m_previousAction = new QAction(QStringLiteral("Previous Sheet"), this);
    m_previousAction->setShortcut(QKeySequence(Qt::Key_PageUp));
    for (QAction *action : {m_printAction, m_savePdfAction, m_printLabelsAction, m_nextAction, m_previousAction}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    connect(m_printAction, &QAction::triggered, this, &Form2::PrintSheet);
    connect(m_savePdfAction, &QAction::triggered, this, &Form2::SaveSheetAsPdf);
    connect(m_printLabelsAction, &QAction::triggered, this, &Form2::PrintLabels);
    connect(m_nextAction, &QAction::triggered, this, &Form2::NextSheet);
    connect(m_previousAction, &QAction::triggered, this, &Form2::PreviousSheet);
    showTitle();
    for (QWidget *picture : {static_cast<QWidget *>(ui->Picture1), static_cast<QWidget *>(ui->Picture2)})
        picture->installEventFilter(this);
}

// Every button pans the picture when dragged (the viewport's rule), so the
// menu opens on a right click that did not move, once the button is up; the
// menu key opens it as well.
bool Form2::filterPictureEvent(QWidget *picture, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        m_rightHeld = picture == ui->Picture1 && mouse->button() == Qt::RightButton;
        m_rightPress = mouse->globalPosition().toPoint();
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton && m_rightHeld) {
            m_rightHeld = false;
            const QPoint at = mouse->globalPosition().toPoint();
            if ((at - m_rightPress).manhattanLength() < QApplication::startDragDistance())
                QTimer::singleShot(0, this, [this, at] { showPictureMenu(at); });
        }
        return false;
    }
    case QEvent::ContextMenu: {
        auto *request = static_cast<QContextMenuEvent *>(event);
        if (request->reason() != QContextMenuEvent::Mouse)
            showPictureMenu(picture->mapToGlobal(picture->rect().center()));
        return true;
    }
    case QEvent::Wheel: wheelOverPicture(static_cast<QWheelEvent *>(event)); return true;
    case QEvent::KeyPress: return keyOnPicture(static_cast<QKeyEvent *>(event));
    default: return false;
    }
}

// The wheel scrolls (Shift or a sideways wheel: across) by the desktop's
// lines a notch; Ctrl+wheel zooms about the pointer. Fine-grained wheels
// add up to whole bar units.
void Form2::wheelOverPicture(QWheelEvent *wheel)
{
    const QPoint delta = wheel->angleDelta();
    if (wheel->modifiers() & Qt::ControlModifier) {
        m_wheelZoom += delta.y();
        const QPointF pointer = ui->Picture2->clientArea()->mapFromGlobal(wheel->globalPosition());
        while (qAbs(m_wheelZoom) >= 120) {
            const bool in = m_wheelZoom > 0;
            m_wheelZoom -= in ? 120 : -120;
            zoomStep(in, pointer * Twips::kPerPixel);
        }
        return;
    }
    const bool across = (wheel->modifiers() & Qt::ShiftModifier) || (delta.y() == 0 && delta.x() != 0);
    const int turned = across && delta.x() != 0 ? delta.x() : delta.y();
    const Viewport::Axis axis = across ? Viewport::Axis::Horizontal : Viewport::Axis::Vertical;
    double &carry = across ? m_wheelAcross : m_wheelDown;
    carry -= turned / 120.0 * QApplication::wheelScrollLines() * m_viewport.lineStep(axis);
    const int units = int(carry);
    carry -= units;
    scrollBy(axis, units);
}

// Arrows by lines, Page Up and Page Down (unless they turn a list's sheets)
// by the view less a line, Home and End to the top and the bottom.
bool Form2::keyOnPicture(QKeyEvent *key)
{
    using Axis = Viewport::Axis;
    switch (key->key()) {
    case Qt::Key_Left: scrollBy(Axis::Horizontal, -m_viewport.lineStep(Axis::Horizontal)); return true;
    case Qt::Key_Right: scrollBy(Axis::Horizontal, m_viewport.lineStep(Axis::Horizontal)); return true;
    case Qt::Key_Up: scrollBy(Axis::Vertical, -m_viewport.lineStep(Axis::Vertical)); return true;
    case Qt::Key_Down: scrollBy(Axis::Vertical, m_viewport.lineStep(Axis::Vertical)); return true;
    case Qt::Key_PageUp: scrollBy(Axis::Vertical, -m_viewport.pageStep(Axis::Vertical)); return true;
    case Qt::Key_PageDown: scrollBy(Axis::Vertical, m_viewport.pageStep(Axis::Vertical)); return true;
    case Qt::Key_Home: scrollBy(Axis::Vertical, -m_viewport.vScroll().maximum); return true;
    case Qt::Key_End: scrollBy(Axis::Vertical, m_viewport.vScroll().maximum); return true;
    default: return false;
    }
}

void Form2::scrollBy(Viewport::Axis axis, int units)
{
    if (units == 0)
        return;
    try {
        m_viewport.ScrollBy(axis, units);
    } catch (const Failure &) {
        // As a bar's own change: never out of its range.
    }
    showViewport();
}

void Form2::zoomStep(bool in, QPointF anchorTwips)
{
    m_viewport.setDevicePixelRatio(devicePixelRatioF());
    Procedure p(m_services.messages, in ? kTagZoomIn : kTagZoomOut);
    p.step(100, [&] { m_viewport.ApplyZoom(m_viewport.zoom() + (in ? 0.25f : -0.25f), anchorTwips); });
    showViewport();
}

// A disabled bar has nothing to move: its groove and arrows, no thumb.
bool Form2::paintBarWithoutThumb(QScrollBar *bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = 0;
    option.maximum = 0;
    option.subControls = QStyle::SC_ScrollBarGroove | QStyle::SC_ScrollBarAddLine | QStyle::SC_ScrollBarSubLine
        | QStyle::SC_ScrollBarAddPage | QStyle::SC_ScrollBarSubPage;
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    QPainter painter(bar);
    bar->style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, bar);
    return true;
}

void Form2::showPictureMenu(const QPoint &globalPosition)
{
    if (!isVisible())
        return;
    QMenu menu(this);
    menu.addAction(m_printAction);
    menu.addAction(m_savePdfAction);
    menu.addSeparator();
    if (showsList()) {
        menu.addAction(m_nextAction);
        menu.addAction(m_previousAction);
    } else {
        menu.addAction(m_printLabelsAction);
    }
    menu.exec(globalPosition);
}

void Form2::PrintSheet()
{
    if (!refuseWhileMaking())
        PrintSheets(m_services, this, mWordFile, m_list.pdf(), showsList() ? sheetCount() : 1,
                    m_stockSetting ? m_stockSetting->current() : DefaultStock());
}

void Form2::SaveSheetAsPdf()
{
    if (!refuseWhileMaking())
        SaveSheetsAsPdf(m_services, this, mWordFile, m_list.pdf());
}

void Form2::PrintLabels()
{
    if (showsList()) { // a list's labels are placed when it is opened
        m_services.messages.show(QStringLiteral("Print Labels prints the typed address on the labels you pick. "
                                                "This preview shows a list: go < Back to print the typed address."),
                                 AppInfo::applicationTitle(), BoxStyle::Information);
        return;
    }
    PrintTypedLabels(m_services, this, m_typedAddress ? m_typedAddress() : QStringList(), m_stockSetting);
}

void Form2::ShowList(const QList<SheetLabels> &sheets, std::function<QString(const LabelsCutOff &cut)> describeCut,
                     const LabelStock &stock)
{
    m_list.start(sheets, std::move(describeCut), stock);
    showTitle();
}

bool Form2::isMakingSheets() const
{
    return m_list.making();
}

void Form2::showFirstListSheet(const QImage &picture)
{
    if (m_services.exit.ending())
        return;
    // What the window showed before goes, as on "< Back".
    if (!mWordFile.isEmpty()) {
        DeleteGeneratedDocument(mWordFile);
        mWordFile.clear();
    }
    m_list.markShown();
    mFirstActivation = true;
    setPicture(picture);
    showTitle();
    if (isVisible())
        Form_Activate();
    else
        show();
    emit listShown();
}

void Form2::listFinished(const QString &document)
{
    mWordFile = document;
    showTitle();
}

void Form2::listFailedWith(const QString &description)
{
    const bool shown = m_list.shown();
    m_services.messages.show(description, AppInfo::applicationTitle(), BoxStyle::Warning);
    // Shown, the window holds nothing of the list that can be printed or saved.
    if (isVisible())
        PushButton8_Click();
    else
        leaveList();
    if (!shown)
        emit listFailed();
}

void Form2::leaveList()
{
    m_list.leave();
    showTitle();
    ReturnFreedMemoryInBackground();
}

bool Form2::refuseWhileMaking()
{
    if (!m_list.making())
        return false;
    m_services.messages.show(m_list.stillMakingMessage(), AppInfo::applicationTitle(), BoxStyle::Information);
    return true;
}

void Form2::showTitle()
{
    setWindowTitle(QString::fromLatin1(AppInfo::kProductTitle) + m_list.titleSuffix());
    if (m_nextAction) {
        m_nextAction->setEnabled(m_list.hasNext());
        m_previousAction->setEnabled(m_list.hasPrevious());
    }
}

void Form2::NextSheet()
{
    showSheet(m_list.currentIndex() + 1);
}

void Form2::PreviousSheet()
{
    showSheet(m_list.currentIndex() - 1);
}

void Form2::showSheet(int index)
{
    if (!m_list.hasSheet(index) || index == m_list.currentIndex())
        return;
    m_viewport.setDevicePixelRatio(devicePixelRatioF());
    Procedure p(m_services.messages, kTagSheet);
    p.step(100, [&] { m_viewport.ReplacePicture(m_list.turnTo(index)); });
    showViewport();
    showTitle();
}

// A list is refused to the source while another one's sheets are made.
void Form2::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_openList && !isMakingSheets() && event->mimeData()->hasUrls()
        && event->mimeData()->urls().first().isLocalFile())
        AcceptDropAsCopy(event);
}

void Form2::dropEvent(QDropEvent *event)
{
    if (isMakingSheets() || !AcceptDropAsCopy(event))
        return;
    const QString path = event->mimeData()->urls().first().toLocalFile();
    activateWindow();
    // Opened once the drop has finished: the list's dialog is modal.
    QTimer::singleShot(0, this, [this, path] {
        if (m_openList)
            m_openList(path);
    });
}

// Puts the viewport's state on the widgets (twips / 15 = pixels).
void Form2::showViewport()
{
    const CanvasState &canvas = m_viewport.canvas();
    PictureBox *canvasBox = ui->Picture1;
    canvasBox->setBackground(canvas.whiteBackground ? QColor(Qt::white)
                                                    : QApplication::palette().color(QPalette::Base));
    canvasBox->setPicture(canvas.picture, pixelSize(canvas.pictureSize));
    if (canvas.paintingSerial != m_paintingShown) {
        canvasBox->setPainting(canvas.painting);
        m_paintingShown = canvas.paintingSerial;
    }
    canvasBox->setGeometry(pixelRect(canvas.left, canvas.top, canvas.width, canvas.height));

    const ZoomSourceState &source = m_viewport.zoomSource();
    ui->Zoom_Ori->resize(Twips::ToPixels(source.width), Twips::ToPixels(source.height));
    ui->Zoom_Ori->setPicture(source.picture, pixelSize(source.pictureSize));
    ui->Zoom_Ori->setVisible(source.visible);

    // Arrow clicks and keys on a bar move by a line, track clicks by a page.
    auto showBar = [this](QScrollBar *bar, const ScrollBarState &state, Viewport::Axis axis) {
        const QSignalBlocker quiet(bar);
        bar->setMaximum(state.maximum);
        bar->setValue(state.value);
        bar->setEnabled(state.enabled);
        bar->setSingleStep(qMax(1, m_viewport.lineStep(axis)));
        bar->setPageStep(qMax(1, m_viewport.pageStep(axis)));
    };
    showBar(ui->HScroll1, m_viewport.hScroll(), Viewport::Axis::Horizontal);
    showBar(ui->VScroll1, m_viewport.vScroll(), Viewport::Axis::Vertical);
}
