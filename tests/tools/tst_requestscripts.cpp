#include "vestracomm.h"

#include <QTest>

// Both scripts taken apart by this file's own reading of RFC 791, 793 and 1055.
namespace {

enum Flag { FIN = 0x01, SYN = 0x02, PSH = 0x08, ACK = 0x10 };

quint32 be(const QByteArray &b, int at, int size = 2)
{
    quint32 value = 0;
    for (int i = at; i < at + size; ++i)
        value = value << 8 | quint8(b.at(i));
    return value;
}

// The 16-bit word sum of a block with a right checksum is a multiple of 0xFFFF.
bool checksumOk(const QByteArray &b)
{
    quint32 sum = 0;
    for (int i = 0; i < b.size(); i += 2)
        sum += be(b + '\0', i);
    return sum % 0xFFFF == 0;
}

QByteArray expectedRequest(bool dataPage, const QByteArray &host)
{
    return (dataPage ? "GET /h? HTTP/1.1\r\nHost: " : "GET / HTTP/1.1\r\nHost: ") + host +
           "\r\nUser-Agent: Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8) "
           "Gecko/20051111 Firefox/1.5\r\nAccept: text/xml,application/xml,application/xhtml+xml,"
           "text/html;q=0.9,text/plain;q=0.8,image/png,*/*;q=0.5\r\n"
           "Accept-Language: en-us,en;q=0.5\r\nAccept-Encoding: gzip,deflate\r\n"
           "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\nKeep-Alive: 300\r\n"
           "Connection: keep-alive\r\n" +
           (dataPage ? "Referer: http://" + host + "/\r\n" : QByteArray()) + "\r\n";
}

} // namespace

class tst_RequestScripts : public QObject
{
    Q_OBJECT

private slots:
    void script_data();
    void script();
};

void tst_RequestScripts::script_data()
{
    QTest::addColumn<bool>("dataPage");
    QTest::addColumn<int>("count");
    QTest::addColumn<uint>("sourcePort");
    QTest::newRow("main page") << false << 19 << 1283u;
    QTest::newRow("data page") << true << 24 << 1700u;
}

void tst_RequestScripts::script()
{
    QFETCH(bool, dataPage);
    QFETCH(int, count);
    QFETCH(uint, sourcePort);

    QVERIFY(vestraComm::requestPacket(dataPage, count).isEmpty());
    const QByteArray syn = vestraComm::requestPacket(dataPage, 0).mid(1);
    QByteArray host; // the instrument's address, dotted
    for (int i = 16; i < 20; ++i)
        host += QByteArray::number(quint8(syn.at(i))) + (i < 19 ? "." : "");
    const QByteArray request = expectedRequest(dataPage, host);

    quint32 nextSeq = 0; // sequence numbers relative to the SYN's
    quint32 lastAck = 0;
    for (int i = 0; i < count; ++i) {
        const QByteArray frame = vestraComm::requestPacket(dataPage, i);
        const QByteArray at = "packet " + QByteArray::number(i);
        // Nothing inside needs escaping: END, the packet, END. IPv4 with a
        // 20-byte header, whole, time to live 128, TCP, the same addresses.
        const QByteArray ip = frame.mid(1, frame.size() - 2);
        QVERIFY2(frame == '\xC0' + ip + '\xC0', at + " framed by END");
        QVERIFY2(!ip.contains('\xC0') && !ip.contains('\xDB'), at + " nothing to escape");
        QVERIFY2(be(ip, 0) == 0x4500, at + " IPv4, 20-byte header");
        QVERIFY2(be(ip, 2) == quint32(ip.size()), at + " IPv4 total length");
        QVERIFY2((be(ip, 6) & 0xBFFF) == 0, at + " not fragmented");
        QVERIFY2(be(ip, 8) == 0x8006, at + " time to live 128, TCP");
        QVERIFY2(ip.mid(12, 8) == syn.mid(12, 8), at + " addresses of the SYN");
        QVERIFY2(checksumOk(ip.left(20)), at + " IPv4 header checksum");
        const QByteArray tcp = ip.mid(20);
        QVERIFY2(be(tcp, 0, 4) == (sourcePort << 16 | 80), at + " ports");
        QVERIFY2(be(tcp, 18) == 0, at + " urgent pointer");
        const QByteArray pseudo = ip.mid(12, 8) + QByteArray::fromHex("0006") +
                                  char(tcp.size() >> 8) + char(tcp.size() & 0xFF);
        QVERIFY2(checksumOk(pseudo + tcp), at + " TCP checksum");
        const int header = (quint8(tcp.at(12)) >> 4) * 4;
        QCOMPARE(tcp.mid(20, header - 20), QByteArray::fromHex(i ? "" : "020405b401010402"));

        // One connection: SYN, the request in 128-byte pieces (some sent again),
        // acknowledgements of the 1792-byte answer and its FIN, then our FIN.
        const QByteArray payload = tcp.mid(header);
        const quint32 seq = be(tcp, 4, 4) - be(syn, 24, 4);
        const quint32 ack = be(tcp, 8, 4);
        const bool last = !payload.isEmpty() && seq + payload.size() == 1 + request.size();
        const int flags = i == 0 ? SYN : i == count - 1 ? FIN | ACK : last ? PSH | ACK : ACK;
        QCOMPARE(int(quint8(tcp.at(13))), flags);
        QVERIFY2(seq <= nextSeq, at + " sequence within what was sent");
        QVERIFY2(payload.isEmpty() ? seq == nextSeq : seq % 128 == 1, at + " sequence of a piece");
        QVERIFY2(payload.isEmpty() || payload.size() == 128 || (last && payload.size() < 128),
                 at + " 128-byte piece");
        QCOMPARE(payload, request.mid(int(seq) - 1, payload.size()));
        nextSeq = qMax(nextSeq, seq + quint32(payload.size()) + (i == 0));
        QVERIFY2(ack >= lastAck, at + " acknowledgement never goes back");
        QVERIFY2(ack % 128 == 1 || ack == (i ? 1794u : 0u), at + " acknowledgement of a piece");
        lastAck = ack;
    }
    QCOMPARE(nextSeq, 1 + quint32(request.size()));
    QCOMPARE(lastAck, 1 + 1792 + 1u);
}

QTEST_APPLESS_MAIN(tst_RequestScripts)
#include "tst_requestscripts.moc"
