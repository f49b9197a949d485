#include "vestraversion.h"
#include "simulator.h"
#include "windowdriver.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstring>

using namespace WindowDriver;

namespace {

// The program's own command line. The window reads the application's argument
// list when it is built, so each case writes its word here first.
char programName[] = "vestra";
char commandWord[32] = "";
char *programArgv[] = {programName, commandWord, nullptr};
int programArgc = 2;

void setCommandWord(const QByteArray &word)
{
    QVERIFY(size_t(word.size()) < sizeof commandWord);
    std::strcpy(commandWord, word.constData());
}

} // namespace

class tst_DebugMode : public QObject
{
    Q_OBJECT

private slots:
    void argument_data();
    void argument();
    void script_data();
    void script();
};

void tst_DebugMode::argument_data()
{
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<bool>("debug");
    QTest::newRow("debug") << QByteArray("debug") << true;
    QTest::newRow("Debug") << QByteArray("Debug") << false;
    QTest::newRow("-debug") << QByteArray("-debug") << false;
    QTest::newRow("debug2") << QByteArray("debug2") << false;
    QTest::newRow("none") << QByteArray("") << false;
}

void tst_DebugMode::argument()
{
    QFETCH(QByteArray, word);
    QFETCH(bool, debug);
    setCommandWord(word);
    QCOMPARE(QCoreApplication::arguments().value(1), QString::fromLatin1(word));

    auto window = startWindow({QStringLiteral(",")});
    auto *label = widget<QLabel>(window.get(), "TxtLabelHexMsg");
    auto *edit = widget<QLineEdit>(window.get(), "lineEditHexMsg");
    QCOMPARE(edit->isVisible(), debug);
    QCOMPARE(label->isVisible(), !debug);
    QVERIFY(!edit->isReadOnly());
    QCOMPARE(edit->geometry(), QRect(100, 30, 261, 20));
    QCOMPARE(label->geometry(), QRect(110, 30, 261, 20));
}

void tst_DebugMode::script_data()
{
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<bool>("completes");
    // An instrument that answers 19 frames is enough for the main page (debug
    // mode) and too few for the data page (normal use).
    QTest::newRow("debug: main page") << QByteArray("debug") << true;
    QTest::newRow("normal: data page") << QByteArray("") << false;
}

void tst_DebugMode::script()
{
    QFETCH(QByteArray, word);
    QFETCH(bool, completes);
    setCommandWord(word);

    Simulator instrument({QStringLiteral("--stop-after"), QStringLiteral("19"),
                          QStringLiteral("--frequency"), QStringLiteral("406.0321")});
    QVERIFY(instrument.start());
    auto window = startWindow({instrument.portPath()});
    QCOMPARE(requestData(window.get(), 5000), completes);
    if (completes)
        QCOMPARE(widget<QLabel>(window.get(), "TxtLabelFreq")->text(), QStringLiteral("406.0321"));
}

int main(int argc, char *argv[])
{
    QApplication app(programArgc, programArgv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));
    tst_DebugMode test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_debugmode.moc"
