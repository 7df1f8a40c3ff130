#include "preview/WhereOnSheetDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kPickerHeight = 264; // pixels; the width follows the paper

} // namespace

SheetPicker::SheetPicker(QWidget *parent)
    : QWidget(parent)
    , m_stock(DefaultStock())
{
    setStock(m_stock);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Click the first free label on the sheet (arrow keys move it)"));
}

void SheetPicker::setStock(const LabelStock &stock)
{
    m_stock = stock;
    setFixedSize(int(kPickerHeight * stock.paper.width() / stock.paper.height()), kPickerHeight);
    const int start = std::clamp(m_start, 1, stock.labels());
    if (start != m_start) {
        m_start = start;
        emit startChanged(start);
    }
    update();
}

void SheetPicker::setStart(int label)
{
    label = qBound(1, label, m_stock.labels());
    if (label == m_start)
        return;
    m_start = label;
    update();
    emit startChanged(label);
}

void SheetPicker::setFilled(qsizetype labels)
{
    m_filled = labels;
    update();
}

QRect SheetPicker::labelRect(int label) const
{
    const double scale = height() / m_stock.paper.height();
    const QRectF points = m_stock.labelRect(label);
    return QRectF(points.topLeft() * scale, points.size() * scale).toRect().adjusted(1, 1, -1, -1);
}

int SheetPicker::labelAt(QPoint point) const
{
    for (int label = 1; label <= m_stock.labels(); ++label) {
        if (labelRect(label).contains(point))
            return label;
    }
    return 0;
}

void SheetPicker::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    for (int label = 1; label <= m_stock.labels(); ++label) {
        const QRect r = labelRect(label);
        const bool used = label < m_start;
        const bool filled = !used && label - m_start < m_filled;
        painter.setBrush(used         ? QColor(190, 190, 190)
                             : filled ? palette().color(QPalette::Highlight).lighter(170)
                                      : QColor(Qt::white));
        painter.setPen(label == m_start ? QPen(palette().color(QPalette::Highlight), 3) : QPen(Qt::gray));
        painter.drawRoundedRect(r, 6, 6);
        // The paper is white whatever the theme: its numbers are dark.
        painter.setPen(used ? QColor(48, 48, 48) : QColor(Qt::black));
        painter.drawText(r, Qt::AlignCenter, used ? QStringLiteral("%1\nused").arg(label) : QString::number(label));
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(labelRect(m_start).adjusted(-2, -2, 2, 2));
    }
}

void SheetPicker::mousePressEvent(QMouseEvent *event)
{
    if (const int label = labelAt(event->position().toPoint()))
        setStart(label);
}

void SheetPicker::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left: setStart(m_start - 1); break;
    case Qt::Key_Right: setStart(m_start + 1); break;
    // A row up or down; on the top or bottom row the key does nothing rather
    // than move sideways.
    case Qt::Key_Up:
        if (m_start > m_stock.columns)
            setStart(m_start - m_stock.columns);
        break;
    case Qt::Key_Down:
        if (m_start + m_stock.columns <= m_stock.labels())
            setStart(m_start + m_stock.columns);
        break;
    default:
        if (event->key() >= Qt::Key_1 && event->key() <= Qt::Key_0 + std::min(9, m_stock.labels()))
            setStart(event->key() - Qt::Key_0);
        else
            QWidget::keyPressEvent(event);
    }
}

WhereOnSheetDialog::WhereOnSheetDialog(qsizetype addresses, const LabelStock &stock, QWidget *parent)
    : QDialog(parent)
    , m_addresses(addresses)
    , m_stocks(new QComboBox(this))
    , m_picker(new SheetPicker(this))
    , m_copies(new QSpinBox(this))
    , m_totals(new QLabel(this))
{
    setWindowTitle(QStringLiteral("Where on the Sheet"));
    for (const LabelStock &each : LabelStocks()) {
        m_stocks->addItem(QStringLiteral("%1: %2").arg(each.name, each.title), each.name);
        m_stocks->setItemData(m_stocks->count() - 1, each.products.join(QStringLiteral(", ")), Qt::ToolTipRole);
        if (each.name == stock.name)
            m_stocks->setCurrentIndex(m_stocks->count() - 1);
    }
    m_stocks->setAccessibleName(QStringLiteral("Label stock"));
    m_picker->setStock(this->stock());
    auto *stockForm = new QFormLayout;
    stockForm->addRow(QStringLiteral("Label &stock:"), m_stocks);
    auto *prompt = new QLabel(QStringLiteral("Click the first free label on the sheet:"), this);
    m_copies->setRange(1, kMaxCopies);
    m_copies->setAccessibleName(QStringLiteral("Copies per address"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Copies per address:"), m_copies);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = m_layout = new QVBoxLayout(this);
    layout->addLayout(stockForm);
    layout->addWidget(prompt);
    layout->addWidget(m_picker, 0, Qt::AlignHCenter);
    layout->addLayout(form);
    layout->addWidget(m_totals);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_picker, &SheetPicker::startChanged, this, &WhereOnSheetDialog::showTotals);
    connect(m_copies, &QSpinBox::valueChanged, this, &WhereOnSheetDialog::showTotals);
    connect(m_stocks, &QComboBox::currentIndexChanged, this, [this] {
        m_picker->setStock(this->stock());
        showTotals();
    });
    showTotals();
    m_picker->setFocus();
}

const LabelStock &WhereOnSheetDialog::stock() const
{
    const LabelStock *chosen = FindStock(m_stocks->currentData().toString());
    return chosen ? *chosen : DefaultStock();
}

LabelPlacement WhereOnSheetDialog::placement() const
{
    return {m_picker->start(), m_copies->value(), m_picker->stock().labels()};
}

void WhereOnSheetDialog::showTotals()
{
    const LabelPlacement chosen = placement();
    const qsizetype labels = LabelsTaken(m_addresses, chosen);
    const qsizetype sheets = SheetsTaken(m_addresses, chosen);
    m_picker->setFilled(labels);
    // Refused while the dialog is open, with the reason, not after it closed.
    m_ok->setEnabled(sheets <= kMaxSheets && m_problem.isEmpty());
    if (!m_problem.isEmpty()) {
        m_totals->setText(m_problem);
        return;
    }
    if (sheets > kMaxSheets) {
        m_totals->setText(
            QStringLiteral("%1 sheets: one list makes at most %2. Choose fewer copies.").arg(sheets).arg(kMaxSheets));
        return;
    }
    const QString addresses = m_addresses == 1 ? QStringLiteral("1 address")
                                               : QStringLiteral("%1 addresses").arg(m_addresses);
    m_totals->setText(QStringLiteral("%1: %2 %3 on %4 %5, starting at label %6.")
                          .arg(addresses)
                          .arg(labels)
                          .arg(labels == 1 ? QStringLiteral("label") : QStringLiteral("labels"))
                          .arg(sheets)
                          .arg(sheets == 1 ? QStringLiteral("sheet") : QStringLiteral("sheets"))
                          .arg(chosen.start));
}

void WhereOnSheetDialog::describeList(const ListOverview &list, const ColumnPicking *columns)
{
    m_listBox = new QGroupBox(QStringLiteral("The list"), this);
    m_sender = new QLabel(m_listBox);
    m_sender->setWordWrap(true);
    m_sender->setTextFormat(Qt::PlainText);
    m_sampleSender = new QLabel(QStringLiteral("This is still the sample sender. To print your own, press Cancel, "
                                               "type it in the main window and open the list again."),
                                m_listBox);
    m_sampleSender->setWordWrap(true);
    QFont bold = m_sampleSender->font();
    bold.setBold(true);
    m_sampleSender->setFont(bold);
    m_summary = new QLabel(m_listBox);
    m_summary->setTextFormat(Qt::PlainText);
    m_detailsButton = new QToolButton(m_listBox);
    m_detailsButton->setText(QStringLiteral("&Details"));
    m_detailsButton->setCheckable(true);
    m_detailsButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_detailsButton->setArrowType(Qt::RightArrow);
    m_details = new QPlainTextEdit(m_listBox);
    m_details->setReadOnly(true);
    m_details->setAccessibleName(QStringLiteral("Details of the list"));
    m_details->setFixedHeight(fontMetrics().lineSpacing() * 7);
    m_details->setVisible(false);
    connect(m_detailsButton, &QToolButton::toggled, this, [this](bool shown) {
        m_detailsButton->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
        m_details->setVisible(shown);
    });
    auto *box = new QVBoxLayout(m_listBox);
    box->addWidget(m_sender);
    box->addWidget(m_sampleSender);
    box->addWidget(m_summary);
    box->addWidget(m_detailsButton, 0, Qt::AlignLeft);
    box->addWidget(m_details);
    m_layout->insertWidget(0, m_listBox);
    if (columns)
        pickColumns(*columns);
    showList(list);
}

void WhereOnSheetDialog::pickColumns(const ColumnPicking &columns)
{
    m_overviewWith = columns.overviewWith;
    auto *group = new QGroupBox(QStringLiteral("The list's columns"), this);
    auto *grid = new QGridLayout(group);
    auto *intro = new QLabel(QStringLiteral("The column names are not known: pick the column of each field (a "
                                            "second one is joined to the first). The choice is kept for lists "
                                            "with the same columns."),
                             group);
    intro->setWordWrap(true);
    grid->addWidget(intro, 0, 0, 1, 4);
    const QString none = QStringLiteral("(none)");
    int row = 1;
    for (const auto &[field, caption] : columns.fields) {
        std::array<QComboBox *, 2> boxes{};
        const QStringList chosen = columns.chosen.value(field);
        for (int i = 0; i < 2; ++i) {
            boxes[i] = new QComboBox(group);
            boxes[i]->addItem(none);
            boxes[i]->addItems(columns.header);
            boxes[i]->setAccessibleName(i == 0 ? caption : QStringLiteral("%1, joined").arg(caption));
            boxes[i]->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            boxes[i]->setMinimumContentsLength(14);
            const qsizetype at = columns.header.indexOf(chosen.value(i));
            boxes[i]->setCurrentIndex(chosen.size() > i && at >= 0 ? int(at) + 1 : 0);
        }
        auto *label = new QLabel(caption + QLatin1Char(':'), group);
        label->setBuddy(boxes[0]);
        grid->addWidget(label, row, 0);
        grid->addWidget(boxes[0], row, 1);
        grid->addWidget(new QLabel(QStringLiteral("+"), group), row, 2);
        grid->addWidget(boxes[1], row, 3);
        m_columnBoxes.append({field, boxes});
        for (QComboBox *box : boxes)
            connect(box, &QComboBox::currentIndexChanged, this, [this] { showList(m_overviewWith(this->columns())); });
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    m_layout->insertWidget(1, group);
}

QMap<int, QStringList> WhereOnSheetDialog::columns() const
{
    QMap<int, QStringList> chosen;
    for (const auto &[field, boxes] : m_columnBoxes) {
        for (const QComboBox *box : boxes) {
            if (box->currentIndex() > 0)
                chosen[field] << box->currentText();
        }
    }
    return chosen;
}

void WhereOnSheetDialog::showList(const ListOverview &list)
{
    m_addresses = list.addresses;
    m_problem = list.problem;
    m_sender->setText(QStringLiteral("Sender on every label: %1").arg(list.sender));
    m_sender->setVisible(!list.sender.isEmpty());
    m_sampleSender->setVisible(list.sampleSender);
    m_summary->setText(list.summary.join(QLatin1Char('\n')));
    m_summary->setVisible(!list.summary.isEmpty());
    m_details->setPlainText(list.details);
    m_detailsButton->setVisible(!list.details.isEmpty());
    showTotals();
}
