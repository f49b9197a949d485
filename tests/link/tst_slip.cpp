#include "slip.h"

#include <QTest>

namespace {

// Frames written out by hand from RFC 1055: C0 ends, DB DC is C0, DB DD is DB.
QByteArray hex(const char *bytes)
{
    return QByteArray::fromHex(bytes);
}

using Chunks = QList<QByteArray>;

} // namespace

class tst_Slip : public QObject
{
    Q_OBJECT

private slots:
    void receiver_data()
    {
        QTest::addColumn<Chunks>("reads");
        QTest::addColumn<Chunks>("frames");

        const QByteArray a = hex("C0 4142 DBDC 43 C0"), b = hex("C0 78797A C0");
        const QByteArray frameA = hex("4142 DBDC 43 C0"), frameB = hex("78797A C0");
        QTest::newRow("one frame, one read") << Chunks{a} << Chunks{frameA};
        QTest::newRow("two frames, one read") << Chunks{a + b} << Chunks{frameA, frameB};
        QTest::newRow("split inside an escape")
            << Chunks{a.left(4), a.mid(4), b} << Chunks{frameA, frameB};
        QTest::newRow("split after the closing END")
            << Chunks{a.left(6), a.mid(6) + b.left(1), b.mid(1)} << Chunks{frameA, frameB};
        QTest::newRow("noise before the first END") << Chunks{"\r\nOK\r\n" + a} << Chunks{frameA};
        QTest::newRow("doubled END is no frame") << Chunks{hex("C0") + a} << Chunks{frameA};
        QTest::newRow("oversize frame dropped, next one kept")
            << Chunks{hex("C0") + QByteArray(SlipReceiver::MaxFrameSize + 10, 'x'), b}
            << Chunks{frameB};
        Chunks bytes;
        for (char c : a + b)
            bytes.append(QByteArray(1, c));
        QTest::newRow("byte by byte") << bytes << Chunks{frameA, frameB};
    }

    void receiver()
    {
        QFETCH(Chunks, reads);
        QFETCH(Chunks, frames);
        SlipReceiver receiver;
        Chunks got;
        for (const QByteArray &read : reads)
            got += receiver.feed(read);
        QCOMPARE(got, frames);
    }

    void decodePackets_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<Chunks>("packets");
        QTest::newRow("plain") << hex("616263 C0") << Chunks{"abc"};
        QTest::newRow("escaped END") << hex("61 DBDC 62 C0") << Chunks{hex("61 C0 62")};
        QTest::newRow("escaped ESC") << hex("61 DBDD 62 C0") << Chunks{hex("61 DB 62")};
        QTest::newRow("other escape dropped with its byte") << hex("61 DB41 62 C0") << Chunks{"ab"};
        QTest::newRow("escape as last byte") << hex("6162 DB") << Chunks{};
        QTest::newRow("two packets") << hex("61 C0 62 C0") << Chunks{"a", "b"};
    }

    void decodePackets()
    {
        QFETCH(QByteArray, frame);
        QFETCH(Chunks, packets);
        QCOMPARE(Slip::decodePackets(frame), packets);
    }

    void pageText()
    {
        const QByteArray headers(40, 'h');
        QCOMPARE(Slip::pageText(headers), QByteArray());
        // Zero bytes in the page end a reading as its closing quote would.
        QCOMPARE(Slip::pageText(headers + hex("763D22 31 00 32")), QByteArray("v=\"1\"2"));
    }
};

QTEST_APPLESS_MAIN(tst_Slip)
#include "tst_slip.moc"
