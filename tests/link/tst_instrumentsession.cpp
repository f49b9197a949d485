#include "instrumentsession.h"
#include "simulator.h"

#include <QDir>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <memory>

namespace {

// Two beacons whose every reading differs, so that one left over shows; in
// the record's order.
const QStringList First{
    "FFFED090121E24003C40AAB3D13794C2A4D6", "406.0312", "37", "0627", "OK", "1234567890"};
const QStringList Second{
    "FFFE2FD5A1B2C3D4E5F60718293A4B", "406.0405", "12", "1130", "LoBat", "9876543210"};

// The simulator's options that serve those readings.
QStringList serving(const QStringList &readings)
{
    const char *const options[] = {"--hex",         "--frequency", "--rf-level",
                                   "--calibration", "--status",    "--serial"};
    QStringList arguments;
    for (int i = 0; i < ReadingCount; ++i)
        arguments << options[i] << readings[i];
    return arguments;
}

QStringList readings(const Measurement &measurement)
{
    return QStringList(measurement.readings.begin(), measurement.readings.end());
}

// The first packet keeps its wait: sent before the instrument's CONNECT, its
// answer would be taken for a handshake reply.
LinkTimings quick()
{
    LinkTimings timings;
    timings.settleMs = 20;
    timings.searchIntervalMs = 1000;
    // 10 s to the time-out, ample for an exchange on a loaded machine.
    timings.receiveTickMs = 100;
    return timings;
}

// Whether this process has the device open, as a port left open after it was
// lost would keep it. A pseudo-terminal whose other end is gone is named
// "(deleted)" there.
bool holdsOpen(const QString &device)
{
    const QFileInfoList fds =
        QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::AllEntries | QDir::System);
    for (const QFileInfo &fd : fds) {
        const QString target = fd.symLinkTarget();
        if (target == device || target == device + QLatin1String(" (deleted)"))
            return true;
    }
    return false;
}

} // namespace

// The session without a window, against the simulator on a pseudo-terminal
// that a symbolic link names, as VESTRA_PORTS does.
class tst_InstrumentSession : public QObject
{
    Q_OBJECT

    QTemporaryDir scratch;
    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<InstrumentSession> session;

    // Plugs in a simulator with those options, in place of the one before.
    bool serve(const QStringList &options)
    {
        simulator.reset();
        simulator =
            std::make_unique<Simulator>(options + QStringList{"--link", scratch.filePath("port")});
        return simulator->start();
    }
    bool search()
    {
        QSignalSpy found(session.get(), &InstrumentSession::searchVestraSuccess);
        session->search();
        return found.wait(10000) && found.first().first() == scratch.filePath("port");
    }
    bool exchange(Measurement &measurement)
    {
        QSignalSpy measured(session.get(), &InstrumentSession::measurementReceived);
        session->requestData(true);
        if (!measured.wait(10000))
            return false;
        measurement = measured.first().first().value<Measurement>();
        return true;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.isValid());
        qputenv("VESTRA_PORTS", scratch.filePath("port").toLocal8Bit());
    }

    void init() { session = std::make_unique<InstrumentSession>(quick()); }

    void cleanup()
    {
        session.reset();
        simulator.reset();
    }

    void missingMarker_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("reading");
        QTest::addColumn<QString>("name");
        QTest::newRow("hex message") << "hex" << 0 << "Hex message";
        QTest::newRow("frequency") << "frequency" << 1 << "Frequency";
        QTest::newRow("RF level") << "rf-level" << 2 << "RF level";
        QTest::newRow("calibration due") << "calibration" << 3 << "Calibration due";
        QTest::newRow("status") << "status" << 4 << "Status";
        QTest::newRow("serial number") << "serial" << 5 << "Serial number";
    }

    // A good exchange, then a page without one marker: that reading is empty
    // and named missing, never the first beacon's.
    void missingMarker()
    {
        QFETCH(QString, field);
        QFETCH(int, reading);
        QFETCH(QString, name);
        QVERIFY(serve(serving(First)));
        QVERIFY(search());
        Measurement measurement;
        QVERIFY(exchange(measurement));
        QCOMPARE(readings(measurement), First);
        QVERIFY(measurement.missingNames().isEmpty());
        QVERIFY(!holdsOpen(simulator->portPath()));

        QVERIFY(serve(serving(Second) + QStringList{"--omit-marker", field}));
        QVERIFY(exchange(measurement));
        QStringList expected = Second;
        expected[reading].clear();
        QCOMPARE(readings(measurement), expected);
        QCOMPARE(measurement.missingNames(), QStringList{name});
    }

    // The progress runs 0 to 100, one step a tick; on the tick that shows 100
    // the exchange ends, with the port closed and no measurement.
    void silentInstrumentTimesOut()
    {
        LinkTimings timings = quick();
        timings.receiveTickMs = 2;
        session = std::make_unique<InstrumentSession>(timings);
        QVERIFY(serve(serving(First) + QStringList{"--stop-after", "5"}));
        QVERIFY(search());
        QSignalSpy progress(session.get(), &InstrumentSession::progress);
        QSignalSpy timedOut(session.get(), &InstrumentSession::receiveTimedOut);
        QSignalSpy measured(session.get(), &InstrumentSession::measurementReceived);
        session->requestData(true);
        QVERIFY(timedOut.wait(10000));
        QCOMPARE(progress.size(), 101);
        for (int tick = 0; tick <= 100; ++tick)
            QCOMPARE(progress.at(tick).first().toInt(), tick);
        QVERIFY(measured.isEmpty());
        QVERIFY(!holdsOpen(simulator->portPath()));
    }

    // The adapter pulled mid-exchange: the port is closed and the loss told;
    // plugged in again, a search finds it and an exchange completes.
    void portLostMidExchange()
    {
        QVERIFY(serve(serving(First) + QStringList{"--stop-after", "8"}));
        QVERIFY(search());
        QSignalSpy connected(session.get(), &InstrumentSession::connectOk);
        QSignalSpy lost(session.get(), &InstrumentSession::portLost);
        session->requestData(true);
        QVERIFY(connected.wait(10000));
        const QString device = simulator->portPath();
        QVERIFY(holdsOpen(device));
        simulator.reset();
        QVERIFY(lost.wait(10000));
        QVERIFY(!holdsOpen(device));

        QVERIFY(serve(serving(Second)));
        QVERIFY(search());
        Measurement measurement;
        QVERIFY(exchange(measurement));
        QCOMPARE(readings(measurement), Second);
    }

    // A port whose open takes seconds (Windows' virtual Bluetooth ports): the
    // session's thread waits in it, the caller's thread goes on with its events.
    void blockingOpenHoldsNothingElseUp()
    {
        QVERIFY(serve(serving(First)));
        QSemaphore entered, gate;
        std::atomic<bool> releasedByTest{false};
        const PortOpener opener = [&](QSerialPort &port) {
            entered.release();
            // Bounded, so that a session in the caller's thread fails here instead of hanging.
            releasedByTest = gate.tryAcquire(1, 20000);
            return port.open(QIODevice::ReadWrite);
        };
        SessionThread thread(new InstrumentSession(quick(), opener));
        // Queued into this thread.
        QStringList found;
        connect(thread.session(), &InstrumentSession::searchVestraSuccess, this,
                [&](const QString &port) { found.append(port); });
        thread.search();
        QVERIFY(entered.tryAcquire(1, 10000));

        QTimer tick;
        QSignalSpy ticked(&tick, &QTimer::timeout);
        tick.start(0);
        QVERIFY(ticked.wait(5000));
        gate.release();
        QTRY_COMPARE_WITH_TIMEOUT(found, QStringList{scratch.filePath("port")}, 10000);
        QVERIFY(releasedByTest);
    }
};

QTEST_GUILESS_MAIN(tst_InstrumentSession)
#include "tst_instrumentsession.moc"
