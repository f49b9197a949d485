#include "messagediagnosis.h"
#include "messageencoder.h"

#include <QTest>

using E = MessageEncoder;
using Errors = MessageDiagnosis::Errors;

class tst_MessageDiagnosis : public QObject
{
    Q_OBJECT

private slots:
    void checkFailure_data();
    void checkFailure();
    void notHex_data();
    void notHex();
};

void tst_MessageDiagnosis::checkFailure_data()
{
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QList<int>>("flips"); // message bit numbers
    QTest::addColumn<bool>("located");

    const QString shortMessage = "short u7 40-85=0x2468ACE13579B seal";
    const QString longMessage = "long l2 41-85=0x123456789ABC 107-132=0x2C0FFEE seal";
    // clang-format off
    QTest::newRow("valid") << longMessage << QList<int>{} << true;
    QTest::newRow("BCH-1, first protected bit") << longMessage << QList<int>{25} << true;
    QTest::newRow("BCH-1, last data bit") << shortMessage << QList<int>{85} << true;
    QTest::newRow("BCH-1, first check bit") << shortMessage << QList<int>{86} << true;
    QTest::newRow("BCH-1, last check bit") << longMessage << QList<int>{106} << true;
    QTest::newRow("BCH-1, two at the edges") << shortMessage << QList<int>{25, 106} << true;
    QTest::newRow("BCH-1, three at the edges") << longMessage << QList<int>{25, 26, 106} << true;
    QTest::newRow("BCH-1, three across data and check") << shortMessage << QList<int>{60, 85, 86} << true;
    QTest::newRow("BCH-1, four") << longMessage << QList<int>{25, 26, 105, 106} << false;
    QTest::newRow("BCH-2, first protected bit") << longMessage << QList<int>{107} << true;
    QTest::newRow("BCH-2, last check bit") << longMessage << QList<int>{144} << true;
    QTest::newRow("BCH-2, two at the edges") << longMessage << QList<int>{107, 144} << true;
    QTest::newRow("BCH-2, three") << longMessage << QList<int>{107, 120, 144} << false;
    QTest::newRow("both fields") << longMessage << QList<int>{40, 132} << true;
    QTest::newRow("self-test filler, one flip") << "long l4 16-24=0xD0 seal 133-144=0" << QList<int>{140} << true;
    QTest::newRow("short, no BCH-2") << "long 25=0 u7 seal 133-144=0x123" << QList<int>{} << true;
    // clang-format on
}

void tst_MessageDiagnosis::checkFailure()
{
    QFETCH(QString, sent);
    QFETCH(QList<int>, flips);
    QFETCH(bool, located);
    const E message = E::parse(qPrintable(sent));
    E received = message;
    for (const int bit : flips)
        received.flip(bit);
    // A check compares the check bits received with those of the protected
    // bits received.
    const E recomputed = received.sealed();
    QStringList reasons;
    if (received.get(86, 106) != recomputed.get(86, 106))
        reasons << QString::asprintf("BCH-1 fails: received %06llX, computed %06llX",
                                     received.get(86, 106), recomputed.get(86, 106));
    const unsigned long long bch2 = received.get(133, 144);
    if (received.get(25, 25) && bch2 != 0 && bch2 != 4095 && bch2 != recomputed.get(133, 144))
        reasons << QString::asprintf("BCH-2 fails: received %03llX, computed %03llX", bch2,
                                     recomputed.get(133, 144));

    const MessageDiagnosis diagnosis = diagnoseMessage(received.hex());
    QCOMPARE(diagnosis.valid, flips.isEmpty());
    QCOMPARE(diagnosis.reason, reasons.join("; "));
    if (flips.isEmpty())
        return;
    QCOMPARE(diagnosis.errors, located ? Errors::Located : Errors::TooMany);
    QCOMPARE(diagnosis.errorBits, located ? flips : QList<int>());
    QCOMPARE(diagnosis.corrected, located ? message.hex() : QString());
}

void tst_MessageDiagnosis::notHex_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason"); // empty: valid
    QTest::newRow("empty text") << ""
                                << "";
    QTest::newRow("upper case") << "FFFE2F53CE91Q2B3C4D5E3A1AF80"
                                << "not hexadecimal: \"Q\" at position 13";
    QTest::newRow("lower case, no preamble") << "53ce91q2b3"
                                             << "not hexadecimal: \"q\" at position 7";
    QTest::newRow("blank") << "FFFE2F 53CE"
                           << "not hexadecimal: \" \" at position 7";
    QTest::newRow("outside the BMP") << "FF\U0001F600\u00E9"
                                     << "not hexadecimal: \"\U0001F600\" at position 3";
}

void tst_MessageDiagnosis::notHex()
{
    QFETCH(QString, text);
    QFETCH(QString, reason);
    const MessageDiagnosis diagnosis = diagnoseMessage(text);
    QCOMPARE(diagnosis.valid, reason.isEmpty());
    QCOMPARE(diagnosis.reason, reason);
    QCOMPARE(diagnosis.errors, Errors::NotLocated);
}

QTEST_APPLESS_MAIN(tst_MessageDiagnosis)
#include "tst_messagediagnosis.moc"
