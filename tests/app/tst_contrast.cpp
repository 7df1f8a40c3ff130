#include "app/Form1.h"
#include "preview/Form2.h"
#include "preview/WhereOnSheetDialog.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/TestMain.h"
#include "widgets/Contrast.h"

#include <QGroupBox>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionGroupBox>

#include <algorithm>

// Every caption of both windows and of the label picker, painted under a
// dark desktop palette, reads against what it is painted on.
class tst_Contrast : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void captionsRead_data();
    void captionsRead();

private:
    FakeServices m_services;
    std::unique_ptr<Form1> m_main;
    std::unique_ptr<WhereOnSheetDialog> m_dialog;
};

namespace {

// The ink of a caption: the pixel that stands out most from the commonest
// colour of the area, its ground.
double captionContrast(const QImage &image, const QRect &area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb ground = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(ground, 0))
            ground = it.key();
    double best = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        best = std::max(best, ContrastRatio(QColor(ground), QColor(it.key())));
    return best;
}

// Where a widget's caption is painted, in its own pixels.
QRect captionArea(QWidget *widget)
{
    if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        return frame->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
    }
    return widget->rect().adjusted(4, 4, -4, -4); // inside a button's or a field's edge
}

} // namespace

void tst_Contrast::initTestCase()
{
    // Adwaita's dark colours.
    QPalette dark;
    const QColor window(0x35, 0x35, 0x35), light(0xee, 0xee, 0xec);
    for (auto role : {QPalette::Window, QPalette::Button})
        dark.setColor(role, window);
    dark.setColor(QPalette::Base, QColor(0x2d, 0x2d, 0x2d));
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        dark.setColor(role, light);
    dark.setColor(QPalette::Highlight, QColor(0x15, 0x53, 0x9e));
    QApplication::setPalette(dark);

    m_main = std::make_unique<Form1>(m_services.services);
    m_main->preparePreview();
    for (int n = 1; n <= 12; ++n)
        m_main->field(n)->setText(QStringLiteral("Jordan %1").arg(n));
    m_dialog = std::make_unique<WhereOnSheetDialog>(40);
}

void tst_Contrast::captionsRead_data()
{
    QTest::addColumn<QWidget *>("widget");
    QList<QWidget *> windows{m_main.get(), m_main->previewWindow()};
    for (QWidget *window : windows) {
        const QList<QWidget *> all = window->findChildren<QWidget *>();
        for (QWidget *w : all) {
            const bool captioned = (qobject_cast<QPushButton *>(w) && !static_cast<QPushButton *>(w)->text().isEmpty())
                || (qobject_cast<QGroupBox *>(w) && !static_cast<QGroupBox *>(w)->title().isEmpty())
                || qobject_cast<QLineEdit *>(w);
            if (captioned)
                QTest::addRow("%s.%s", qPrintable(window->objectName()), qPrintable(w->objectName())) << w;
        }
    }
    QTest::addRow("label picker") << static_cast<QWidget *>(m_dialog->findChild<SheetPicker *>());
}

void tst_Contrast::captionsRead()
{
    QFETCH(QWidget *, widget);
    QVERIFY(widget);
    QRect area = captionArea(widget);
    if (qobject_cast<SheetPicker *>(widget)) { // label 2, top right of the white paper
        const QRect r = widget->rect();
        area = QRect(r.width() * 55 / 100, r.height() * 8 / 100, r.width() * 35 / 100, r.height() * 22 / 100);
    }
    const QImage image = widget->grab().toImage();
    QVERIFY(!area.isEmpty());
    const double contrast = captionContrast(image, area);
    QVERIFY2(contrast >= 3.0, qPrintable(QStringLiteral("contrast %1").arg(contrast)));
}

PARCELON_TEST_MAIN(tst_Contrast)
#include "tst_contrast.moc"
