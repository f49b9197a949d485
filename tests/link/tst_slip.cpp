#include "slip.h"

#include <QTest>

// Frames written out by hand from RFC 1055: C0 ends, DB DC is C0, DB DD is DB.
class tst_Slip : public QObject
{
    Q_OBJECT

private slots:
    void receiver_data();
    void receiver();
    void decodePackets_data();
    void decodePackets();
    void pageText();
};

void tst_Slip::receiver_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QList<QByteArray>>("frames");

    const QByteArray a("\xC0"
                       "AB\xDB\xDC"
                       "C\xC0");
    const QByteArray b("\xC0"
                       "xyz\xC0");
    const QByteArray wholeA("AB\xDB\xDC"
                            "C\xC0");
    const QByteArray wholeB("xyz\xC0");
    QTest::newRow("one frame, one read") << QList<QByteArray>{a} << QList<QByteArray>{wholeA};
    QTest::newRow("two frames, one read")
        << QList<QByteArray>{a + b} << QList<QByteArray>{wholeA, wholeB};
    QTest::newRow("split inside an escape")
        << QList<QByteArray>{a.left(4), a.mid(4), b} << QList<QByteArray>{wholeA, wholeB};
    QTest::newRow("split after the closing END")
        << QList<QByteArray>{a.left(6), a.mid(6) + b.left(1), b.mid(1)}
        << QList<QByteArray>{wholeA, wholeB};
    QTest::newRow("noise before the first END")
        << QList<QByteArray>{"\r\nOK\r\n" + a} << QList<QByteArray>{wholeA};
    QTest::newRow("doubled END is no frame")
        << QList<QByteArray>{"\xC0" + a} << QList<QByteArray>{wholeA};
    QTest::newRow("oversize frame dropped, next one kept")
        << QList<QByteArray>{"\xC0" + QByteArray(SlipReceiver::MaxFrameSize + 10, 'x'), b}
        << QList<QByteArray>{wholeB};

    QList<QByteArray> bytes;
    for (char c : a + b)
        bytes.append(QByteArray(1, c));
    QTest::newRow("byte by byte") << bytes << QList<QByteArray>{wholeA, wholeB};
}

void tst_Slip::receiver()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QList<QByteArray>, frames);
    SlipReceiver receiver;
    QList<QByteArray> got;
    for (const QByteArray &read : reads)
        got += receiver.feed(read);
    QCOMPARE(got, frames);
}

void tst_Slip::decodePackets_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QList<QByteArray>>("packets");

    QTest::newRow("plain") << QByteArray("abc\xC0") << QList<QByteArray>{"abc"};
    QTest::newRow("escaped END") << QByteArray("a\xDB\xDC"
                                               "b\xC0")
                                 << QList<QByteArray>{"a\xC0"
                                                      "b"};
    QTest::newRow("escaped ESC") << QByteArray("a\xDB\xDD"
                                               "b\xC0")
                                 << QList<QByteArray>{"a\xDB"
                                                      "b"};
    QTest::newRow("other escape dropped with its byte")
        << QByteArray("a\xDBxb\xC0") << QList<QByteArray>{"ab"};
    QTest::newRow("escape as last byte") << QByteArray("ab\xDB") << QList<QByteArray>{};
    QTest::newRow("two packets") << QByteArray("a\xC0"
                                               "b\xC0")
                                 << QList<QByteArray>{"a", "b"};
}

void tst_Slip::decodePackets()
{
    QFETCH(QByteArray, frame);
    QFETCH(QList<QByteArray>, packets);
    QCOMPARE(Slip::decodePackets(frame), packets);
}

void tst_Slip::pageText()
{
    const QByteArray headers(40, 'h');
    QCOMPARE(Slip::pageText(headers), QByteArray());
    // Zero bytes in the page end a reading as its closing quote would.
    QCOMPARE(Slip::pageText(headers + QByteArray("v=\"1\0"
                                                 "2",
                                                 6)),
             QByteArray("v=\"1\"2"));
}

QTEST_APPLESS_MAIN(tst_Slip)
#include "tst_slip.moc"
