#include "app/QtSeams.h"

#include "core/Failure.h"
#include "preview/WhereOnSheetDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSpacerItem>

namespace {

const QRegularExpression kWebAddress(QStringLiteral("https?://[^\\s]+[^\\s.,;:!?)]"));

// A web address in a box is a link, on a line of its own so that it is not
// broken at its slashes; the rest stays plain.
void setBoxText(QMessageBox &box, const QString &text)
{
    const QRegularExpressionMatch address = kWebAddress.match(text);
    if (!address.hasMatch()) {
        box.setTextFormat(Qt::PlainText);
        box.setText(text);
        return;
    }
    auto html = [](const QString &plain) {
        return plain.toHtmlEscaped().replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    };
    const QString url = address.captured();
    QString before = html(text.left(address.capturedStart()));
    if (before.endsWith(QLatin1Char(' ')))
        before = before.chopped(1) + QStringLiteral("<br>");
    box.setTextFormat(Qt::RichText);
    box.setText(before + QStringLiteral("<a href=\"%1\">%1</a>").arg(url.toHtmlEscaped())
                + html(text.mid(address.capturedEnd())));
    box.setTextInteractionFlags(Qt::TextBrowserInteraction);
}

// A box at least as wide as its title: a short text such as "Done." would
// otherwise leave the window manager too little room to show it.
void fitTitle(QMessageBox &box, const QString &title)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    const int width = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(title) + 160;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

} // namespace

BoxAnswer QtMessageBoxes::show(const QString &text, const QString &title, BoxStyle style)
{
    if (m_exit.ending())
        return style == BoxStyle::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
    QMessageBox box(QApplication::activeWindow());
    setBoxText(box, text);
    box.setWindowTitle(title);
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
    fitTitle(box, title);
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
// (made anew for every printer chosen), whatever the printer was given. The
// labels print on the stock's paper only: a paper list, when it first shows,
// is cut to that paper, so that it neither offers another one nor names one
// the labels would not be printed on.
class StockPaperOnly : public QObject
{
public:
    StockPaperOnly(QWidget *dialog, const QPageSize &stock)
        : m_dialog(dialog)
        , m_stock(stock)
    {
        qApp->installEventFilter(this);
    }
    ~StockPaperOnly() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *papers = event->type() == QEvent::Show ? qobject_cast<QComboBox *>(watched) : nullptr;
        if (papers && papers->objectName() == QLatin1String("pageSizeCombo") && insideDialog(papers)
            && !papers->property(kTurned).toBool()) {
            papers->setProperty(kTurned, true);
            for (int i = papers->count() - 1; i >= 0; --i) {
                if (!qvariant_cast<QPageSize>(papers->itemData(i)).isEquivalentTo(m_stock))
                    papers->removeItem(i);
            }
            if (papers->count() == 0) // the queue lists no such paper: say which one it gets
                papers->addItem(m_stock.name(), QVariant::fromValue(m_stock));
            papers->setCurrentIndex(0);
            papers->setEnabled(false);
            papers->setToolTip(QStringLiteral("The labels are made for this paper"));
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

    static constexpr const char *kTurned = "parcelonStockPaper";
    QWidget *m_dialog;
    QPageSize m_stock;
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
    // The paper PrepareLabelPrinter gave the printer is the stock's.
    StockPaperOnly stockPaper(&dialog, printer.pageLayout().pageSize());
    if (pages > 1)
        dialog.setMinMax(1, pages);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<LabelChoice> QtPlacementDialog::askPlacement(QWidget *parent, qsizetype addresses, const QString &stock)
{
    if (m_exit.ending())
        return std::nullopt;
    const LabelStock *known = FindStock(stock);
    WhereOnSheetDialog dialog(addresses, known ? *known : DefaultStock(), parent);
    if (dialog.exec() != QDialog::Accepted || m_exit.ending())
        return std::nullopt;
    const LabelPlacement chosen = dialog.placement();
    return LabelChoice{chosen.start, chosen.copies, dialog.stock().name, {}};
}

std::optional<LabelChoice> QtPlacementDialog::askListPlacement(QWidget *parent, const ListOverview &list,
                                                               const ColumnPicking *columns, const QString &stock)
{
    if (m_exit.ending())
        return std::nullopt;
    const LabelStock *known = FindStock(stock);
    WhereOnSheetDialog dialog(list.addresses, known ? *known : DefaultStock(), parent);
    dialog.describeList(list, columns);
    if (dialog.exec() != QDialog::Accepted || m_exit.ending())
        return std::nullopt;
    const LabelPlacement chosen = dialog.placement();
    return LabelChoice{chosen.start, chosen.copies, dialog.stock().name, dialog.columns()};
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
