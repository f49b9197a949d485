#include "serialcomm.h"
#include "simulator.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

namespace {

// The search's signals in the order they came, with their port names.
struct SearchLog : QObject
{
    QStringList events;

    explicit SearchLog(SerialComm &comm)
    {
        connect(&comm, &SerialComm::vestraNotFound, this,
                [this](const QString &port) { events << QStringLiteral("not found ") + port; });
        connect(&comm, &SerialComm::searchVestraSuccess, this,
                [this](const QString &port) { events << QStringLiteral("found ") + port; });
        connect(&comm, &SerialComm::searchVestraFailed, this,
                [this] { events << QStringLiteral("failed"); });
        connect(&comm, &SerialComm::connectOk, this,
                [this] { events << QStringLiteral("connect ok"); });
    }

    bool ended() const
    {
        return !events.isEmpty() &&
               (events.last() == QLatin1String("failed") || events.last().startsWith("found "));
    }
};

} // namespace

class tst_PortSearch : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("VESTRA_PORTS"); }
    void candidatePorts_data();
    void candidatePorts();
    void noPortsFailsAtOnce();
    void thirdOfThreeAnswers();
    void nobodyAnswers();
};

void tst_PortSearch::candidatePorts_data()
{
    QTest::addColumn<QByteArray>("setting");
    QTest::addColumn<QStringList>("ports");
    QTest::newRow("one path") << QByteArray("/dev/pts/7") << QStringList{"/dev/pts/7"};
    QTest::newRow("order kept") << QByteArray("ttyS1,/dev/pts/2,ttyUSB0")
                                << QStringList{"ttyS1", "/dev/pts/2", "ttyUSB0"};
    QTest::newRow("blanks and empty parts dropped")
        << QByteArray(" ttyS1 ,, /dev/pts/2,") << QStringList{"ttyS1", "/dev/pts/2"};
    QTest::newRow("only separators") << QByteArray(",") << QStringList{};
}

void tst_PortSearch::candidatePorts()
{
    QFETCH(QByteArray, setting);
    QFETCH(QStringList, ports);
    qputenv("VESTRA_PORTS", setting);
    QCOMPARE(SerialComm::candidatePorts(), ports);
}

void tst_PortSearch::noPortsFailsAtOnce()
{
    qputenv("VESTRA_PORTS", ",");
    SerialComm comm;
    SearchLog log(comm);
    comm.searchVestra();
    // Already before the call returns, and no port was tried.
    QCOMPARE(log.events, QStringList{"failed"});
}

void tst_PortSearch::thirdOfThreeAnswers()
{
    Simulator silent({QStringLiteral("--silent")});
    Simulator noConnect({QStringLiteral("--no-connect")});
    Simulator instrument;
    QVERIFY(silent.start());
    QVERIFY(noConnect.start());
    QVERIFY(instrument.start());
    const QString missing = QStringLiteral("/dev/no-such-port");
    qputenv("VESTRA_PORTS",
            QStringList{missing, silent.portPath(), noConnect.portPath(), instrument.portPath()}
                .join(QLatin1Char(','))
                .toLocal8Bit());

    SerialComm comm;
    SearchLog log(comm);
    comm.searchVestra();
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), 30000);
    const QStringList expected{
        QStringLiteral("not found ") + missing,
        QStringLiteral("not found ") + silent.portPath(),
        QStringLiteral("not found ") + noConnect.portPath(),
        QStringLiteral("found ") + instrument.portPath(),
    };
    QCOMPARE(log.events, expected);

    // The found port is closed again: another open of it succeeds (the
    // serial port module locks a port while it is open).
    QSerialPort check(instrument.portPath());
    QVERIFY2(check.open(QIODevice::ReadWrite), qPrintable(check.errorString()));
    check.close();

    // The search is over: no more signals come.
    QTest::qWait(4500);
    QCOMPARE(log.events.size(), expected.size());
}

void tst_PortSearch::nobodyAnswers()
{
    Simulator silent({QStringLiteral("--silent")});
    QVERIFY(silent.start());
    qputenv("VESTRA_PORTS", silent.portPath().toLocal8Bit());
    SerialComm comm;
    SearchLog log(comm);
    comm.searchVestra();
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), 10000);
    QCOMPARE(log.events, (QStringList{QStringLiteral("not found ") + silent.portPath(), "failed"}));
}

QTEST_GUILESS_MAIN(tst_PortSearch)
#include "tst_portsearch.moc"
