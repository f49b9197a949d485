#include "slip.h"

#include <QTest>

using Frames = QList<QByteArray>;

namespace {

QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// Feeds the reads one by one and gathers every frame handed over.
Frames feedAll(SlipReceiver &receiver, const QList<QByteArray> &reads)
{
    Frames frames;
    for (const QByteArray &read : reads)
        frames += receiver.feed(read);
    return frames;
}

} // namespace

class tst_SlipReceiver : public QObject
{
    Q_OBJECT

private slots:
    void reads_data();
    void reads();
    void everySplitOfTwoFrames();
    void oversizeFrameIsDropped();
    void resetForgetsAHalfFrame();
    void decodePackets_data();
    void decodePackets();
    void pageText_data();
    void pageText();
};

void tst_SlipReceiver::reads_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<Frames>("frames");

    // Reads that split exactly at frame boundaries, as an instrument that
    // writes one frame at a time over a slow line delivers them.
    QTest::newRow("start, then end")
        << QList<QByteArray>{bytes("c04500"), bytes("1122c0")} << Frames{bytes("45001122c0")};
    QTest::newRow("start, middle, end")
        << QList<QByteArray>{bytes("c045"), bytes("0011"), bytes("22c0")}
        << Frames{bytes("45001122c0")};
    QTest::newRow("read not starting with END is dropped")
        << QList<QByteArray>{bytes("4500"), bytes("c011c0")} << Frames{bytes("11c0")};
    QTest::newRow("escapes stay in place")
        << QList<QByteArray>{bytes("c0dbdc"), bytes("dbddc0")} << Frames{bytes("dbdcdbddc0")};
    // What a pseudo-terminal or a USB adapter delivers.
    QTest::newRow("whole frame in one read")
        << QList<QByteArray>{bytes("c0450011c0")} << Frames{bytes("450011c0")};
    QTest::newRow("two frames in one read")
        << QList<QByteArray>{bytes("c001c0c002c0")} << Frames{bytes("01c0"), bytes("02c0")};
    QTest::newRow("a frame and the start of the next")
        << QList<QByteArray>{bytes("c001c0c002"), bytes("03c0")}
        << Frames{bytes("01c0"), bytes("0203c0")};
    // Between frames only an END opens one: what follows a closing END
    // without a new END is noise.
    QTest::newRow("bytes after a closing END are noise")
        << QList<QByteArray>{bytes("c001c002c0")} << Frames{bytes("01c0")};
    QTest::newRow("doubled END is an empty frame, skipped")
        << QList<QByteArray>{bytes("c0c0c00102c0")} << Frames{bytes("0102c0")};
    QTest::newRow("noise before and between frames")
        << QList<QByteArray>{bytes("4f4b0d0ac001c0"), bytes("ffee"), bytes("c002c0")}
        << Frames{bytes("01c0"), bytes("02c0")};
    QTest::newRow("byte by byte") << QList<QByteArray>{bytes("c0"), bytes("45"), bytes("db"),
                                                       bytes("dc"), bytes("c0")}
                                  << Frames{bytes("45dbdcc0")};
    QTest::newRow("END alone opens, END alone closes")
        << QList<QByteArray>{bytes("c0"), bytes("01"), bytes("c0")} << Frames{bytes("01c0")};
    QTest::newRow("unfinished frame gives nothing")
        << QList<QByteArray>{bytes("c00102")} << Frames{};
    QTest::newRow("empty reads change nothing")
        << QList<QByteArray>{QByteArray(), bytes("c001"), QByteArray(), bytes("c0")}
        << Frames{bytes("01c0")};
}

void tst_SlipReceiver::reads()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(Frames, frames);
    SlipReceiver receiver;
    QCOMPARE(feedAll(receiver, reads), frames);
}

void tst_SlipReceiver::everySplitOfTwoFrames()
{
    const QByteArray stream = bytes("c0450000dbdc11c0c0460000dbdd22c0");
    const Frames expected{bytes("450000dbdc11c0"), bytes("460000dbdd22c0")};
    for (int cut = 0; cut <= stream.size(); ++cut) {
        SlipReceiver receiver;
        const Frames frames = feedAll(receiver, {stream.left(cut), stream.mid(cut)});
        QVERIFY2(frames == expected, qPrintable(QStringLiteral("cut at %1").arg(cut)));
    }
}

void tst_SlipReceiver::oversizeFrameIsDropped()
{
    SlipReceiver receiver;
    // A device streaming without END: nothing is handed over, and the
    // receiver does not keep the stream.
    const QByteArray endless(SlipReceiver::MaxFrameSize * 3, 'x');
    QCOMPARE(receiver.feed(bytes("c0") + endless), Frames{});
    QVERIFY(!receiver.inFrame());
    // The next proper frame still comes through.
    QCOMPARE(receiver.feed(bytes("c00102c0")), Frames{bytes("0102c0")});
    // The largest frame that may come is kept whole.
    const QByteArray largest(SlipReceiver::MaxFrameSize, 'y');
    QCOMPARE(receiver.feed(bytes("c0") + largest + bytes("c0")), Frames{largest + bytes("c0")});
}

void tst_SlipReceiver::resetForgetsAHalfFrame()
{
    SlipReceiver receiver;
    QCOMPARE(receiver.feed(bytes("c00102")), Frames{});
    receiver.reset();
    // Without the reset, the rest of the old frame would join the next.
    QCOMPARE(receiver.feed(bytes("03c0c004c0")), Frames{bytes("04c0")});
}

void tst_SlipReceiver::decodePackets_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<Frames>("packets");
    QTest::newRow("plain") << bytes("010203c0") << Frames{bytes("010203")};
    QTest::newRow("escaped END") << bytes("01dbdc02c0") << Frames{bytes("01c002")};
    QTest::newRow("escaped ESC") << bytes("01dbdd02c0") << Frames{bytes("01db02")};
    QTest::newRow("bad escape drops both bytes") << bytes("01db4102c0") << Frames{bytes("0102")};
    QTest::newRow("ESC as last byte") << bytes("0102db") << Frames{};
    QTest::newRow("two packets") << bytes("01c002c0") << Frames{bytes("01"), bytes("02")};
    QTest::newRow("no END, no packet") << bytes("0102") << Frames{};
}

void tst_SlipReceiver::decodePackets()
{
    QFETCH(QByteArray, frame);
    QFETCH(Frames, packets);
    QCOMPARE(Slip::decodePackets(frame), packets);
}

void tst_SlipReceiver::pageText_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QByteArray>("text");
    const QByteArray headers(40, '\x45');
    QTest::newRow("headers only") << headers << QByteArray();
    QTest::newRow("shorter than headers") << QByteArray(20, 'a') << QByteArray();
    QTest::newRow("payload") << headers + "<b>" << QByteArray("<b>");
    QTest::newRow("zero bytes become quotes") << headers + QByteArray("12\0"
                                                                      "34",
                                                                      5)
                                              << QByteArray("12\"34");
    // Zero bytes in the headers are header bytes, not page text.
    QTest::newRow("zeros in headers untouched") << QByteArray(40, '\0') + "x" << QByteArray("x");
    QTest::newRow("TCP options count as payload")
        << headers + QByteArray("\x01\x01\x01\x01", 4) + "ab"
        << QByteArray("\x01\x01\x01\x01"
                      "ab");
}

void tst_SlipReceiver::pageText()
{
    QFETCH(QByteArray, packet);
    QFETCH(QByteArray, text);
    QCOMPARE(Slip::pageText(packet), text);
}

QTEST_APPLESS_MAIN(tst_SlipReceiver)
#include "tst_slipreceiver.moc"
