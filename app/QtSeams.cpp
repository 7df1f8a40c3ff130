#include "app/QtSeams.h"

#include "core/Failure.h"
#include "preview/WhereOnSheetDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QRandomGenerator>

BoxAnswer QtMessageBoxes::show(const QString &text, const QString &title, BoxStyle style)
{
    if (m_exit.ending())
        return style == BoxStyle::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
    QMessageBox box(QApplication::activeWindow());
    box.setText(text);
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    switch (style) {
    case BoxStyle::Information:
        box.setIcon(QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case BoxStyle::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case BoxStyle::YesNo:
        box.setIcon(QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    const int result = box.exec();
    if (style != BoxStyle::YesNo)
        return BoxAnswer::Ok;
    return result == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
}

namespace {

// The file the user chose in a file dialog, or nothing when it was cancelled.
QString chosenFile(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

} // namespace

QString QtSaveDialog::askSaveFileName(QWidget *parent, const QString &title, const QString &filter)
{
    if (m_exit.ending())
        return QString();
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The program asks about overwriting itself and adds no extension.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(QString());
    return chosenFile(dialog);
}

namespace {

// Qt's print dialog shows each queue's default paper in its page settings
// (made anew for every printer chosen), whatever the printer was given: a
// paper list is turned to the label stock's paper when it first shows.
class LabelPaperFirst : public QObject
{
public:
    LabelPaperFirst(QWidget *dialog, QPageSize paper)
        : m_dialog(dialog)
        , m_paper(std::move(paper))
    {
        qApp->installEventFilter(this);
    }
    ~LabelPaperFirst() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *papers = event->type() == QEvent::Show ? qobject_cast<QComboBox *>(watched) : nullptr;
        if (papers && papers->objectName() == QLatin1String("pageSizeCombo") && insideDialog(papers)
            && !papers->property(kTurned).toBool()) {
            papers->setProperty(kTurned, true);
            for (int i = 0; i < papers->count(); ++i) {
                if (qvariant_cast<QPageSize>(papers->itemData(i)).isEquivalentTo(m_paper)) {
                    papers->setCurrentIndex(i);
                    break;
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // The page settings are a window of their own, so isAncestorOf() does not see them.
    bool insideDialog(const QObject *object) const
    {
        for (; object; object = object->parent()) {
            if (object == m_dialog)
                return true;
        }
        return false;
    }

    static constexpr const char *kTurned = "parcelonPaperFirst";
    QWidget *m_dialog;
    const QPageSize m_paper;
};

} // namespace

QString QtOpenDialog::askOpenFileName(QWidget *parent, const QString &title, const QString &filter)
{
    if (m_exit.ending())
        return QString();
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return chosenFile(dialog);
}

bool QtPrintDialog::askPrinter(QWidget *parent, QPrinter &printer, int pages)
{
    QPrintDialog dialog(&printer, parent);
    // A page range for the sheets of a list; a selection means nothing here.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, pages > 1);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    // The printer comes set up with the stock's paper (PrepareLabelPrinter).
    LabelPaperFirst paper(&dialog, printer.pageLayout().pageSize());
    if (pages > 1)
        dialog.setMinMax(1, pages);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<LabelChoice> QtPlacementDialog::askPlacement(QWidget *parent, qsizetype addresses)
{
    if (m_exit.ending())
        return std::nullopt;
    WhereOnSheetDialog dialog(addresses, parent);
    if (dialog.exec() != QDialog::Accepted || m_exit.ending())
        return std::nullopt;
    const LabelPlacement chosen = dialog.placement();
    return LabelChoice{chosen.start, chosen.copies};
}

void DesktopUrlOpener::open(const QUrl &url)
{
    if (!QDesktopServices::openUrl(url))
        throw Failure(QStringLiteral("Cannot open %1").arg(url.toString()));
}

double SystemRandom::uniform()
{
    return QRandomGenerator::global()->generateDouble();
}

void QtProgramExit::endProgram()
{
    // Every event loop returns at once, an open box's or dialog's too; the
    // flag keeps later boxes, the start-up and the main loop from carrying
    // on. main() then tears down the engine, so no office outlives the program.
    const bool first = !m_ending;
    m_ending = true;
    QCoreApplication::exit(0);
    if (first && m_onEnding)
        m_onEnding();
}
