#include "messagediagnosis.h"
#include "messageencoder.h"

#include <QTest>

using E = MessageEncoder;
using Errors = MessageDiagnosis::Errors;

class tst_MessageDiagnosis : public QObject
{
    Q_OBJECT

private slots:
    void diagnosis_data();
    void diagnosis();
};

void tst_MessageDiagnosis::diagnosis_data()
{
    QTest::addColumn<QString>("sent");     // an encoder description, or a text sent as it is
    QTest::addColumn<QList<int>>("flips"); // message bit numbers flipped on the way
    QTest::addColumn<int>("errors");
    QTest::addColumn<QString>("reason"); // "": the check failures of the bits received

    const QString shortMessage = "short u7 40-85=0x2468ACE13579B seal";
    const QString longMessage = "long l2 41-85=0x123456789ABC 107-132=0x2C0FFEE seal";
    const int located = int(Errors::Located), tooMany = int(Errors::TooMany);
    const int none = int(Errors::NotLocated);
    const QString notHex = "not hexadecimal: \"%1\" at position %2";
    // clang-format off
    QTest::newRow("valid") << longMessage << QList<int>{} << none << "";
    QTest::newRow("BCH-1, first protected bit") << longMessage << QList<int>{25} << located << "";
    QTest::newRow("BCH-1, last data bit") << shortMessage << QList<int>{85} << located << "";
    QTest::newRow("BCH-1, first check bit") << shortMessage << QList<int>{86} << located << "";
    QTest::newRow("BCH-1, last check bit") << longMessage << QList<int>{106} << located << "";
    QTest::newRow("BCH-1, two at the edges") << shortMessage << QList<int>{25, 106} << located << "";
    QTest::newRow("BCH-1, three at the edges") << longMessage << QList<int>{25, 26, 106} << located << "";
    QTest::newRow("BCH-1, three in data and check") << shortMessage << QList<int>{60, 85, 86} << located << "";
    QTest::newRow("BCH-1, four") << longMessage << QList<int>{25, 26, 105, 106} << tooMany << "";
    QTest::newRow("BCH-2, first protected bit") << longMessage << QList<int>{107} << located << "";
    QTest::newRow("BCH-2, last check bit") << longMessage << QList<int>{144} << located << "";
    QTest::newRow("BCH-2, two at the edges") << longMessage << QList<int>{107, 144} << located << "";
    QTest::newRow("BCH-2, three") << longMessage << QList<int>{107, 120, 144} << tooMany << "";
    QTest::newRow("both fields") << longMessage << QList<int>{40, 132} << located << "";
    QTest::newRow("self-test filler, one flip") << "long l4 16-24=0xD0 seal 133-144=0" << QList<int>{140} << located << "";
    QTest::newRow("short, no BCH-2") << "long 25=0 u7 seal 133-144=0x123" << QList<int>{} << none << "";
    QTest::newRow("empty text") << "" << QList<int>{} << none << "";
    QTest::newRow("not hex") << "FFFE2F53CE91Q2B3C4D5" << QList<int>{} << none << notHex.arg("Q").arg(13);
    QTest::newRow("not hex, no preamble") << "53ce91q2b3" << QList<int>{} << none << notHex.arg("q").arg(7);
    QTest::newRow("not hex, blank") << "FFFE2F 53CE" << QList<int>{} << none << notHex.arg(" ").arg(7);
    QTest::newRow("not hex, outside the BMP") << "FF\U0001F600\u00E9" << QList<int>{} << none << notHex.arg("\U0001F600").arg(3);
    // clang-format on
}

void tst_MessageDiagnosis::diagnosis()
{
    QFETCH(QString, sent);
    QFETCH(QList<int>, flips);
    QFETCH(int, errors);
    QFETCH(QString, reason);
    const bool encoded = sent.startsWith("short") || sent.startsWith("long");
    const E message = E::parse(encoded ? sent : "short");
    E received = message;
    for (const int bit : flips)
        received.flip(bit);
    // A check compares the check bits received with those computed from the
    // protected bits received.
    const E computed = received.sealed();
    const unsigned long long bch2 = received.get(133, 144);
    QStringList failures;
    if (received.get(86, 106) != computed.get(86, 106))
        failures << QString::asprintf("BCH-1 fails: received %06llX, computed %06llX",
                                      received.get(86, 106), computed.get(86, 106));
    // The length that counts is that of the message with its BCH-1 errors corrected.
    const E &corrected = errors == int(Errors::TooMany) ? received : message;
    if (corrected.get(25, 25) && bch2 != 0 && bch2 != 4095 && bch2 != computed.get(133, 144))
        failures << QString::asprintf("BCH-2 fails: received %03llX, computed %03llX", bch2,
                                      computed.get(133, 144));
    if (reason.isEmpty() && encoded)
        reason = failures.join("; ");

    const MessageDiagnosis diagnosis = diagnoseMessage(encoded ? received.hex() : sent);
    QCOMPARE(diagnosis.valid, reason.isEmpty());
    QCOMPARE(diagnosis.reason, reason);
    QCOMPARE(int(diagnosis.errors), errors);
    QCOMPARE(diagnosis.errorBits, errors == int(Errors::Located) ? flips : QList<int>());
    QCOMPARE(diagnosis.corrected, errors == int(Errors::Located) ? message.hex() : QString());
}

QTEST_APPLESS_MAIN(tst_MessageDiagnosis)
#include "tst_messagediagnosis.moc"
