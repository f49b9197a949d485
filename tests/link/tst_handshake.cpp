#include "ptypeer.h"
#include "serialcomm.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const QByteArray probe("AT- \r");
const QByteArray dial("ATDTx\r");

// Lets the program read what the peer wrote and answer it.
void settle()
{
    QTest::qWait(100);
}

} // namespace

class tst_Handshake : public QObject
{
    Q_OBJECT

private slots:
    void probeAfterOpen();
    void dialNeedsSixReplyBytes();
    void connectSplitOverReads();
    void connectWithoutLineEndDoesNotCount();
    void bytesAfterConnectAreData();
    void frameReadsInDataMode();
    void sendDataWritesUnchanged();
    void reopeningStartsOver();
};

void tst_Handshake::probeAfterOpen()
{
    PtyPeer peer;
    QVERIFY(peer.isOpen());
    SerialComm comm;
    // Nothing goes out while the port settles; the probe comes at its end.
    comm.openPort(peer.portPath());
    QCOMPARE(peer.read(), probe);
}

void tst_Handshake::dialNeedsSixReplyBytes()
{
    PtyPeer peer;
    SerialComm comm;
    comm.openPort(peer.portPath());
    QCOMPARE(peer.read(), probe);

    peer.write("OK\r\n");
    settle();
    peer.write("!");
    QCOMPARE(peer.read(), QByteArray()); // five bytes: no dial yet
    peer.write("?");
    QCOMPARE(peer.read(), dial); // the sixth byte
    peer.write("x");
    QCOMPARE(peer.read(), dial); // and on every read after it
}

void tst_Handshake::connectSplitOverReads()
{
    PtyPeer peer;
    SerialComm comm;
    QSignalSpy connected(&comm, &SerialComm::connectOk);
    comm.openPort(peer.portPath());
    QCOMPARE(peer.read(), probe);
    peer.write("\r\nOK\r\n");
    QCOMPARE(peer.read(), dial);
    peer.write("CONN");
    QCOMPARE(peer.read(), dial);
    QCOMPARE(connected.count(), 0);
    peer.write("ECT\r\n");
    QCOMPARE(peer.read(), dial); // the completing read still dials once more
    QCOMPARE(connected.count(), 1);
}

void tst_Handshake::connectWithoutLineEndDoesNotCount()
{
    PtyPeer peer;
    SerialComm comm;
    QSignalSpy connected(&comm, &SerialComm::connectOk);
    comm.openPort(peer.portPath());
    QCOMPARE(peer.read(), probe);
    peer.write("OK\r\nCONNECT\r");
    settle();
    peer.write("NO CARRIER");
    settle();
    QCOMPARE(connected.count(), 0);
}

void tst_Handshake::bytesAfterConnectAreData()
{
    PtyPeer peer;
    SerialComm comm;
    QSignalSpy connected(&comm, &SerialComm::connectOk);
    QSignalSpy frames(&comm, &SerialComm::slipFrame);
    comm.openPort(peer.portPath());
    QCOMPARE(peer.read(), probe);
    // A fast instrument answers the first packet in the same read as CONNECT.
    peer.write(QByteArray::fromHex("0d0a4f4b0d0a") + "CONNECT\r\n" +
               QByteArray::fromHex("c04511c0"));
    QVERIFY(frames.wait(1000));
    QCOMPARE(connected.count(), 1);
    QCOMPARE(frames.count(), 1);
    QCOMPARE(frames.at(0).at(0).toByteArray(), QByteArray::fromHex("4511c0"));
}

void tst_Handshake::frameReadsInDataMode()
{
    PtyPeer peer;
    SerialComm comm;
    QSignalSpy connected(&comm, &SerialComm::connectOk);
    QSignalSpy frames(&comm, &SerialComm::slipFrame);
    comm.openPort(peer.portPath());
    QCOMPARE(peer.read(), probe);
    peer.write("OK\r\nCONNECT\r\n");
    QVERIFY(connected.wait(1000));

    peer.write(QByteArray::fromHex("c04500")); // frame start
    settle();
    QCOMPARE(frames.count(), 0);
    peer.write(QByteArray::fromHex("1122c0")); // its end
    QTRY_COMPARE(frames.count(), 1);
    QCOMPARE(frames.at(0).at(0).toByteArray(), QByteArray::fromHex("45001122c0"));

    // A whole frame in one read, and two frames with noise between them.
    peer.write(QByteArray::fromHex("c0aabbc0"));
    settle();
    peer.write(QByteArray::fromHex("c001c0ffffc002c0"));
    settle();
    QCOMPARE(frames.count(), 4);
    QCOMPARE(frames.at(1).at(0).toByteArray(), QByteArray::fromHex("aabbc0"));
    QCOMPARE(frames.at(2).at(0).toByteArray(), QByteArray::fromHex("01c0"));
    QCOMPARE(frames.at(3).at(0).toByteArray(), QByteArray::fromHex("02c0"));
}

void tst_Handshake::sendDataWritesUnchanged()
{
    PtyPeer peer;
    SerialComm comm;
    comm.openPort(peer.portPath());
    QCOMPARE(peer.read(), probe);
    const QByteArray packet = QByteArray::fromHex("c0450000c0");
    comm.sendData(packet);
    QCOMPARE(peer.read(), packet);
}

void tst_Handshake::reopeningStartsOver()
{
    PtyPeer peer;
    SerialComm comm;
    QSignalSpy connected(&comm, &SerialComm::connectOk);
    QSignalSpy frames(&comm, &SerialComm::slipFrame);
    comm.openPort(peer.portPath());
    QCOMPARE(peer.read(), probe);
    peer.write("OK\r\nCONNECT\r\n");
    QVERIFY(connected.wait(1000));
    peer.write(QByteArray::fromHex("c04546")); // half a frame, then the port closes
    QCOMPARE(peer.read(), dial);               // written with the CONNECT read
    comm.closePort();

    // The next opening handshakes again and forgets the half frame.
    comm.openPort(peer.portPath());
    QCOMPARE(peer.read(), probe);
    peer.write(QByteArray::fromHex("47c0"));
    settle();
    QCOMPARE(frames.count(), 0);
    peer.write("OK\r\nCONNECT\r\n");
    QVERIFY(connected.wait(1000));
    peer.write(QByteArray::fromHex("48c0c049c0"));
    QVERIFY(frames.wait(1000));
    QCOMPARE(frames.count(), 1);
    QCOMPARE(frames.at(0).at(0).toByteArray(), QByteArray::fromHex("49c0"));
}

QTEST_GUILESS_MAIN(tst_Handshake)
#include "tst_handshake.moc"
