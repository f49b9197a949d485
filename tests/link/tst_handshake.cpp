#include "handshake.h"

#include <QTest>

using Reads = QList<QByteArray>;

class tst_Handshake : public QObject
{
    Q_OBJECT

private slots:
    void replies_data()
    {
        QTest::addColumn<Reads>("reads");
        QTest::addColumn<QString>("dials");   // per read: D dial, - none
        QTest::addColumn<int>("connectedAt"); // read index, -1 for none
        QTest::addColumn<QByteArray>("rest");
        QTest::newRow("probe reply dials") << Reads{"\r\nOK\r\n"} << "D" << -1 << QByteArray();
        QTest::newRow("five bytes do not") << Reads{"\r\nOK\r"} << "-" << -1 << QByteArray();
        QTest::newRow("sixth byte in the next read")
            << Reads{"\r\nOK", "\r\n"} << "-D" << -1 << QByteArray();
        QTest::newRow("every read dials after six")
            << Reads{"\r\nOK\r\n", "\r\nCONN", "ECT\r\n"} << "DDD" << 2 << QByteArray();
        QTest::newRow("CONNECT without CR LF is not one")
            << Reads{"\r\nOK\r\nCONNECT"} << "D" << -1 << QByteArray();
        QTest::newRow("bytes after CONNECT are data")
            << Reads{"\r\nOK\r\n", "CONNECT\r\n\xC0"} << "DD" << 1 << QByteArray("\xC0");
        QTest::newRow("CONNECT after a long noisy reply")
            << Reads{QByteArray(300, 'x') + "CONN", "ECT\r\n"} << "DD" << 1 << QByteArray();
    }

    void replies()
    {
        QFETCH(Reads, reads);
        QFETCH(QString, dials);
        QFETCH(int, connectedAt);
        QFETCH(QByteArray, rest);
        Handshake handshake;
        handshake.feed("stale"); // from an earlier opening
        handshake.reset();
        for (int i = 0; i < reads.size(); ++i) {
            const Handshake::Step step = handshake.feed(reads[i]);
            QCOMPARE(step.sendDial, dials[i] == 'D');
            QCOMPARE(step.connected, i == connectedAt);
            if (step.connected)
                QCOMPARE(step.rest, rest);
        }
    }
};

QTEST_APPLESS_MAIN(tst_Handshake)
#include "tst_handshake.moc"
