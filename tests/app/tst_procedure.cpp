#include "Failure.h"
#include "Procedure.h"
#include "RecordingMessageBoxes.h"
#include "TestMain.h"

#include <stdexcept>

namespace {
const QString kTag = QStringLiteral("in Parcelwise2021/08/31.Form1.Form_Load ");
const QString kRequest = QStringLiteral("Please email screenshot of this message to support@quillmark.example");

// A called procedure without handling of its own: it simply throws.
void failingHelper(QStringList &trace)
{
    trace << QStringLiteral("helper started");
    throw Failure(QStringLiteral("Path not found"));
    // unreachable: the rest of the helper is skipped
}
} // namespace

class ProcedureTest : public QObject
{
    Q_OBJECT

private slots:
    void composesTheMessageExactly()
    {
        QCOMPARE(composeErrorMessage(QStringLiteral("Disk full"), kTag, 136),
                 QStringLiteral("Disk full\r\nin Parcelwise2021/08/31.Form1.Form_Load at line 136\r\r")
                     + kRequest);
    }

    void emptyDescriptionStartsWithTheLineBreak()
    {
        const QString text = composeErrorMessage(QString(), kTag, 100);
        QVERIFY(text.startsWith(QStringLiteral("\r\nin Parcelwise")));
    }

    void reportIsOneWarningBoxTitledApplicationError()
    {
        RecordingMessageBoxes boxes;
        Procedure p(boxes, kTag);
        QVERIFY(!p.step(124, [] { throw Failure(QStringLiteral("Invalid picture")); }));
        QCOMPARE(boxes.boxes().size(), 1);
        const auto &box = boxes.boxes().first();
        QCOMPARE(box.title, QStringLiteral("Application Error"));
        QCOMPARE(box.style, BoxStyle::Warning);
        QCOMPARE(box.text, composeErrorMessage(QStringLiteral("Invalid picture"), kTag, 124));
    }

    void successfulStepsReportNothing()
    {
        RecordingMessageBoxes boxes;
        Procedure p(boxes, kTag);
        int ran = 0;
        QVERIFY(p.step(100, [&] { ++ran; }));
        QVERIFY(p.step(102, [&] { ++ran; }));
        QCOMPARE(ran, 2);
        QCOMPARE(p.currentStep(), 102);
        QVERIFY(boxes.boxes().isEmpty());
    }

    void twoConsecutiveFailuresGiveTwoReportsAndTheProcedureGoesOn()
    {
        RecordingMessageBoxes boxes;
        QStringList trace;
        {
            Procedure p(boxes, kTag);
            p.step(100, [&] { trace << "100"; throw Failure(QStringLiteral("first")); trace << "after"; });
            p.step(102, [&] { trace << "102"; throw std::runtime_error("second"); });
            p.step(104, [&] { trace << "104"; });
        }
        QCOMPARE(trace, QStringList({"100", "102", "104"}));
        QCOMPARE(boxes.boxes().size(), 2);
        QCOMPARE(boxes.boxes().at(0).text, composeErrorMessage(QStringLiteral("first"), kTag, 100));
        QCOMPARE(boxes.boxes().at(1).text, composeErrorMessage(QStringLiteral("second"), kTag, 102));
    }

    void actionsSharingOneNumberEachResume()
    {
        RecordingMessageBoxes boxes;
        Procedure p(boxes, kTag);
        QStringList trace;
        p.step(104, [&] { trace << "caption"; });
        p.step(104, [&] { throw Failure(QStringLiteral("no icon")); });
        p.step(104, [&] { trace << "title"; });
        QCOMPARE(trace, QStringList({"caption", "title"}));
        QCOMPARE(boxes.boxes().size(), 1);
        QVERIFY(boxes.boxes().first().text.contains(QStringLiteral("at line 104\r\r")));
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
        QCOMPARE(boxes.boxes().first().text,
                 composeErrorMessage(QStringLiteral("Path not found"), kTag, 100));
    }

    void foreignExceptionsStillGiveADescription()
    {
        RecordingMessageBoxes boxes;
        Procedure p(boxes, kTag);
        p.step(110, [] { throw 42; });
        QCOMPARE(boxes.boxes().size(), 1);
        QVERIFY(boxes.boxes().first().text.startsWith(QStringLiteral("Unknown error\r\n")));
    }
};

PARCELON_TEST_MAIN(ProcedureTest)
#include "tst_procedure.moc"
