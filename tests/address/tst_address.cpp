#include "AddressFields.h"
#include "AddressStore.h"
#include "RecordingMessageBoxes.h"
#include "SelectAllOnFocus.h"
#include "SettingsStore.h"
#include "TestMain.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

class AddressTest : public QObject
{
    Q_OBJECT

private slots:
    void keysAndSampleValues()
    {
        const QStringList expected = {"Quillmark",      "Dana Whitcombe", "123 Elm Street",
                                      "Elmsworth",      "NH",             "03100",
                                      "Harborline Seafood Co.", "Jordan Ellery",
                                      "1200 Harbor Loop", "Bayport",      "TX",
                                      "77500"};
        QCOMPARE(AddressFields::kCount, 12);
        for (int n = 1; n <= 12; ++n) {
            QCOMPARE(AddressFields::key(n), QStringLiteral("Text%1").arg(n));
            QCOMPARE(AddressFields::sampleValue(n), expected.at(n - 1));
        }
        QVERIFY(AddressFields::sampleValue(0).isEmpty());
        QVERIFY(AddressFields::sampleValue(13).isEmpty());
    }

    void helpMessageHasOneEmptyLineAndNoFinalBreak()
    {
        const QString text = AddressFields::helpMessage();
        QCOMPARE(text.count(QStringLiteral("\r\n")), 2);
        QVERIFY(text.contains(QStringLiteral("8464.\r\n\r\nQuestions?")));
        QVERIFY(text.endsWith(QStringLiteral("at https://www.quillmark.example/contact")));
    }

    void storeRestoresWhatWasSaved()
    {
        SettingsStore settings;
        RecordingMessageBoxes boxes;
        AddressStore store(settings, boxes);
        QCOMPARE(store.restore(5), QStringLiteral("NH")); // missing: the sample
        store.save(5, QString());
        QCOMPARE(store.restore(5), QString()); // empty stays empty
        store.save(11, QStringLiteral("  Nuevo León  "));
        AddressStore later(settings, boxes);
        QCOMPARE(later.restore(11), QStringLiteral("  Nuevo León  "));
        QCOMPARE(settings.read(QStringLiteral("Text11"), QString()), QStringLiteral("  Nuevo León  "));
        QVERIFY(boxes.boxes().isEmpty());
        QVERIFY(!store.hasWarned());
    }

    void focusByAnyMeansSelectsAll()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *first = new QLineEdit(QStringLiteral("first field"), &window);
        auto *second = new QLineEdit(QStringLiteral("second field"), &window);
        auto *third = new QLineEdit(QStringLiteral("third field"), &window);
        layout->addWidget(first);
        layout->addWidget(second);
        layout->addWidget(third);
        SelectAllOnFocus selectAll;
        for (QLineEdit *edit : {first, second, third})
            selectAll.watch(edit);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        first->setFocus(Qt::OtherFocusReason);
        QCOMPARE(first->selectedText(), QStringLiteral("first field"));
        QTest::keyClick(first, Qt::Key_Tab);
        QCOMPARE(second->selectedText(), QStringLiteral("second field"));
        QTest::keyClicks(second, QStringLiteral("new"));
        QCOMPARE(second->text(), QStringLiteral("new"));

        QTest::mouseClick(third, Qt::LeftButton, Qt::NoModifier, QPoint(20, 5));
        QTRY_COMPARE(third->selectedText(), QStringLiteral("third field"));
        QCOMPARE(third->selectionStart(), 0);
        // Once focused, a further click places the cursor as usual.
        QTest::mouseClick(third, Qt::LeftButton, Qt::NoModifier, QPoint(20, 5));
        QTest::qWait(20);
        QVERIFY(!third->hasSelectedText());
    }
};

PARCELON_TEST_MAIN(AddressTest)
#include "tst_address.moc"
