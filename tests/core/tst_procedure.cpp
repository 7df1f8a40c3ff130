#include "core/Failure.h"
#include "core/Procedure.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/TestMain.h"

#include <stdexcept>

namespace {
const QString kTag = QStringLiteral("in Parcelwise2021/08/31.Form1.Form_Load ");

// A called procedure without handling of its own: it simply throws.
void failingHelper(QStringList &trace)
{
    trace << QStringLiteral("helper started");
    throw Failure(QStringLiteral("Path not found"));
}
} // namespace

class tst_Procedure : public QObject
{
    Q_OBJECT

private slots:
    void composesTheMessageExactly()
    {
        QCOMPARE(composeErrorMessage(QStringLiteral("Disk full"), kTag, 136),
                 QStringLiteral("Disk full\r\nin Parcelwise2021/08/31.Form1.Form_Load at line 136\r\r"
                                "Please email screenshot of this message to support@quillmark.example"));
        QVERIFY(composeErrorMessage(QString(), kTag, 100).startsWith(QStringLiteral("\r\nin Parcelwise")));
    }

    // Each failing step gives one warning titled "Application Error" with its
    // own number, whatever was thrown, and the procedure goes on with the next
    // step; steps that succeed report nothing.
    void everyFailureIsReportedAndTheProcedureGoesOn()
    {
        RecordingMessageBoxes boxes;
        QStringList trace;
        Procedure p(boxes, kTag);
        QVERIFY(p.step(98, [&] { trace << "98"; }));
        QVERIFY(!p.step(100, [&] {
            trace << "100";
            throw Failure(QStringLiteral("first"));
            trace << "after";
        }));
        QVERIFY(!p.step(102, [&] {
            trace << "102";
            throw std::runtime_error("second");
        }));
        p.step(104, [&] { throw 42; });
        p.step(104, [&] { trace << "104"; }); // a step sharing the number still runs
        QCOMPARE(trace, QStringList({"98", "100", "102", "104"}));
        QCOMPARE(p.currentStep(), 104);
        QCOMPARE(boxes.boxes().size(), 3);
        for (const auto &box : boxes.boxes()) {
            QCOMPARE(box.title, QStringLiteral("Application Error"));
            QCOMPARE(box.style, BoxStyle::Warning);
        }
        QCOMPARE(boxes.boxes().at(0).text, composeErrorMessage(QStringLiteral("first"), kTag, 100));
        QCOMPARE(boxes.boxes().at(1).text, composeErrorMessage(QStringLiteral("second"), kTag, 102));
        QCOMPARE(boxes.boxes().at(2).text, composeErrorMessage(QStringLiteral("Unknown error"), kTag, 104));
    }

    void failureInACalledProcedureCarriesTheCallersTagAndStep()
    {
        RecordingMessageBoxes boxes;
        QStringList trace;
        Procedure p(boxes, kTag);
        p.step(100, [&] {
            failingHelper(trace);
            trace << QStringLiteral("after helper");
        });
        p.step(104, [&] { trace << QStringLiteral("next step"); });
        QCOMPARE(trace, QStringList({"helper started", "next step"}));
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes().first().text, composeErrorMessage(QStringLiteral("Path not found"), kTag, 100));
    }
};

PARCELON_TEST_MAIN(tst_Procedure)
#include "tst_procedure.moc"
