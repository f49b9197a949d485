#include "packetcheck.h"
#include "requestscripts.h"

#include <QTest>

#include <map>

using namespace PacketCheck;

namespace {

enum Flag { FIN = 0x01, SYN = 0x02, PSH = 0x08, ACK = 0x10 };
constexpr quint32 MainIsn = 3085807318u;
constexpr quint32 DataIsn = 2067510325u;

QByteArray expectedRequest(bool dataPage)
{
    const QByteArray host = RequestScripts::instrumentAddress;
    QByteArray r = dataPage ? "GET /h? HTTP/1.1\r\n" : "GET / HTTP/1.1\r\n";
    r += "Host: " + host +
         "\r\n"
         "User-Agent: Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8) Gecko/20051111 "
         "Firefox/1.5\r\n"
         "Accept: text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,"
         "text/plain;q=0.8,image/png,*/*;q=0.5\r\n"
         "Accept-Language: en-us,en;q=0.5\r\n"
         "Accept-Encoding: gzip,deflate\r\n"
         "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n"
         "Keep-Alive: 300\r\n"
         "Connection: keep-alive\r\n";
    if (dataPage)
        r += "Referer: http://" + host + "/\r\n";
    return r + "\r\n";
}

QByteArray frameBytes(bool dataPage, int index)
{
    const RequestScripts::Packet &p =
        dataPage ? RequestScripts::dataPage[index] : RequestScripts::mainPage[index];
    return QByteArray(reinterpret_cast<const char *>(p.bytes), p.length);
}

} // namespace

class tst_RequestScripts : public QObject
{
    Q_OBJECT

private slots:
    void packet_data();
    void packet();
    void request_data();
    void request();
    void addresses();
};

void tst_RequestScripts::packet_data()
{
    QTest::addColumn<bool>("dataPage");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("flags");
    QTest::addColumn<uint>("seq");
    QTest::addColumn<uint>("ack");
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("firstByte"); // request offset carried, -1 for none
    QTest::addColumn<int>("payloadSize");
    QTest::addColumn<int>("ipId");
    QTest::addColumn<bool>("df");

    struct Row
    {
        int length, flags;
        uint seq, ack;
        int window, first, size, id;
    };
    const Row mainRows[] = {
        {50, SYN, 0, 0, 8192, -1, 0, 0x1F97},
        {42, ACK, 1, 1, 8576, -1, 0, 0x1F98},
        {170, ACK, 1, 1, 8576, 0, 128, 0x1F99},
        {170, ACK, 129, 129, 8448, 128, 128, 0x1F9A},
        {170, ACK, 257, 257, 8320, 256, 128, 0x1F9B},
        {51, PSH | ACK, 385, 385, 8192, 384, 9, 0x1F9C},
        {42, ACK, 394, 513, 8064, -1, 0, 0x1F9D},
        {42, ACK, 394, 641, 8576, -1, 0, 0x1F9E},
        {42, ACK, 394, 769, 8448, -1, 0, 0x1F9F},
        {42, ACK, 394, 897, 8320, -1, 0, 0x1FA0},
        {42, ACK, 394, 1025, 8192, -1, 0, 0x1FA1},
        {42, ACK, 394, 1153, 8064, -1, 0, 0x1FA2},
        {42, ACK, 394, 1281, 8576, -1, 0, 0x1FA3},
        {42, ACK, 394, 1409, 8448, -1, 0, 0x1FA4},
        {42, ACK, 394, 1537, 8320, -1, 0, 0x1FA5},
        {42, ACK, 394, 1665, 8192, -1, 0, 0x1FA6},
        {42, ACK, 394, 1793, 8064, -1, 0, 0x1FA7},
        {42, ACK, 394, 1794, 8064, -1, 0, 0x1FA8},
        {42, FIN | ACK, 394, 1794, 8064, -1, 0, 0x1FAB},
    };
    const Row dataRows[] = {
        {50, SYN, 0, 0, 8192, -1, 0, 0x9F1D},
        {42, ACK, 1, 1, 8576, -1, 0, 0x9F1E},
        {170, ACK, 1, 1, 8576, 0, 128, 0x9F1F},
        {170, ACK, 1, 1, 8576, 0, 128, 0x9F20},
        {170, ACK, 1, 1, 8576, 0, 128, 0x9F5B},
        {170, ACK, 1, 1, 8576, 0, 128, 0x9F62},
        {170, ACK, 1, 1, 8576, 0, 128, 0x9F9F},
        {170, ACK, 1, 1, 8576, 0, 128, 0x9F9F},
        {170, ACK, 129, 129, 8448, 128, 128, 0xA013},
        {170, ACK, 257, 257, 8320, 256, 128, 0xA014},
        {81, PSH | ACK, 385, 385, 8192, 384, 39, 0xA015},
        {42, ACK, 424, 513, 8064, -1, 0, 0xA016},
        {42, ACK, 424, 641, 8576, -1, 0, 0xA017},
        {42, ACK, 424, 769, 8448, -1, 0, 0xA018},
        {42, ACK, 424, 897, 8320, -1, 0, 0xA019},
        {42, ACK, 424, 1025, 8192, -1, 0, 0xA01A},
        {42, ACK, 424, 1153, 8064, -1, 0, 0xA01D},
        {42, ACK, 424, 1281, 8576, -1, 0, 0xA01E},
        {42, ACK, 424, 1409, 8448, -1, 0, 0xA01F},
        {42, ACK, 424, 1537, 8320, -1, 0, 0xA020},
        {42, ACK, 424, 1665, 8192, -1, 0, 0xA025},
        {42, ACK, 424, 1793, 8064, -1, 0, 0xA026},
        {42, ACK, 424, 1794, 8064, -1, 0, 0xA027},
        {42, FIN | ACK, 424, 1794, 8064, -1, 0, 0xA02B},
    };
    for (int i = 0; i < RequestScripts::MainPagePackets; ++i) {
        const Row &r = mainRows[i];
        QTest::addRow("main %d", i) << false << i << r.length << r.flags << r.seq << r.ack
                                    << r.window << r.first << r.size << r.id << true;
    }
    for (int i = 0; i < RequestScripts::DataPagePackets; ++i) {
        const Row &r = dataRows[i];
        QTest::addRow("data %d", i) << true << i << r.length << r.flags << r.seq << r.ack
                                    << r.window << r.first << r.size << r.id << (i <= 4);
    }
}

void tst_RequestScripts::packet()
{
    QFETCH(bool, dataPage);
    QFETCH(int, index);
    QFETCH(int, length);
    QFETCH(int, flags);
    QFETCH(uint, seq);
    QFETCH(uint, ack);
    QFETCH(int, window);
    QFETCH(int, firstByte);
    QFETCH(int, payloadSize);
    QFETCH(int, ipId);
    QFETCH(bool, df);

    const QByteArray frame = frameBytes(dataPage, index);
    QCOMPARE(frame.size(), length);
    QCOMPARE(quint8(frame.front()), 0xC0);
    QCOMPARE(quint8(frame.back()), 0xC0);
    const QByteArray ip = frame.mid(1, frame.size() - 2);
    QVERIFY2(!ip.contains(char(0xC0)) && !ip.contains(char(0xDB)), "byte needing SLIP escape");

    QCOMPARE(quint8(ip[0]), 0x45);
    QCOMPARE(quint8(ip[1]), 0);
    QCOMPARE(be16(ip, 2), quint32(ip.size()));
    QCOMPARE(be16(ip, 4), quint32(ipId));
    QCOMPARE(be16(ip, 6), df ? 0x4000u : 0u);
    QCOMPARE(quint8(ip[8]), 128);
    QCOMPARE(quint8(ip[9]), 6);
    QVERIFY(ipHeaderChecksumOk(ip));
    QCOMPARE(be32(ip, 12), address(RequestScripts::pcAddress));
    QCOMPARE(be32(ip, 16), address(RequestScripts::instrumentAddress));

    const QByteArray tcp = ip.mid(20);
    QCOMPARE(be16(tcp, 0), dataPage ? 1700u : 1283u);
    QCOMPARE(be16(tcp, 2), 80u);
    QCOMPARE(be32(tcp, 4), (dataPage ? DataIsn : MainIsn) + seq);
    QCOMPARE(be32(tcp, 8), ack);
    QCOMPARE(quint8(tcp[13]), flags);
    QCOMPARE(be16(tcp, 14), quint32(window));
    QCOMPARE(be16(tcp, 18), 0u);
    QVERIFY(tcpChecksumOk(ip));
    if (flags & SYN) {
        QCOMPARE(tcpHeaderLength(ip), 28);
        QCOMPARE(tcp.mid(20, 8).toHex(), QByteArray("020405b401010402"));
    } else {
        QCOMPARE(tcpHeaderLength(ip), 20);
    }

    const QByteArray payload = tcpPayload(ip);
    QCOMPARE(payload.size(), payloadSize);
    if (firstByte >= 0) {
        QCOMPARE(seq, uint(firstByte + 1));
        QCOMPARE(payload, expectedRequest(dataPage).mid(firstByte, payloadSize));
    }
}

void tst_RequestScripts::request_data()
{
    QTest::addColumn<bool>("dataPage");
    QTest::addColumn<int>("size");
    QTest::newRow("main page") << false << 393;
    QTest::newRow("data page") << true << 423;
}

void tst_RequestScripts::request()
{
    QFETCH(bool, dataPage);
    QFETCH(int, size);

    // Reassemble as the instrument's TCP would: by sequence offset, with the
    // repeated segments required to agree.
    const quint32 isn = dataPage ? DataIsn : MainIsn;
    const int count = dataPage ? RequestScripts::DataPagePackets : RequestScripts::MainPagePackets;
    std::map<quint32, QByteArray> pieces;
    for (int i = 0; i < count; ++i) {
        const QByteArray frame = frameBytes(dataPage, i);
        const QByteArray ip = frame.mid(1, frame.size() - 2);
        const QByteArray payload = tcpPayload(ip);
        if (payload.isEmpty())
            continue;
        const quint32 offset = be32(ip, 24) - isn - 1;
        auto [it, inserted] = pieces.emplace(offset, payload);
        QVERIFY2(inserted || it->second == payload, qPrintable(QString::number(i)));
    }
    QByteArray request;
    for (const auto &[offset, payload] : pieces) {
        QCOMPARE(offset, quint32(request.size()));
        request += payload;
    }
    QCOMPARE(request.size(), size);
    QCOMPARE(request, expectedRequest(dataPage));
}

void tst_RequestScripts::addresses()
{
    const quint32 pc = address(RequestScripts::pcAddress);
    const quint32 instrument = address(RequestScripts::instrumentAddress);
    QCOMPARE(qstrlen(RequestScripts::instrumentAddress), 9u);
    QVERIFY(pc != instrument);
    QCOMPARE(pc >> 8, instrument >> 8);
    const auto isPrivate = [](quint32 a) {
        return (a >> 24) == 10 || (a >> 20) == 0xAC1 || (a >> 16) == 0xC0A8;
    };
    QVERIFY(isPrivate(pc));
    QVERIFY(isPrivate(instrument));
}

QTEST_APPLESS_MAIN(tst_RequestScripts)
#include "tst_requestscripts.moc"
