#include "diagnosticlog.h"

#include <QDir>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

Q_LOGGING_CATEGORY(lcProbe, "vestra.probe")

// A line as the log keeps it: its moment in ISO 8601 with the offset, a blank, the line.
const QRegularExpression Stamped(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d (.*)$)");

// The lines of the log's files, oldest file first, without their moments;
// "unstamped" for a line without one.
QStringList loggedLines(const QString &folder)
{
    QStringList lines;
    for (const char *name : {"vestra.3.log", "vestra.2.log", "vestra.1.log", "vestra.log"}) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        for (const QString &line :
             QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
            const QRegularExpressionMatch stamped = Stamped.match(line);
            lines << (stamped.hasMatch() ? stamped.captured(1) : "unstamped: " + line);
        }
    }
    return lines;
}

// Enough lines from two threads at once to tangle them without a lock.
constexpr int Lines = 2000;

QStringList numbered(int from, int to)
{
    QStringList lines;
    for (int i = from; i <= to; ++i)
        lines << QString("line %1 of the log").arg(i, 3, 10, QChar('0'));
    return lines;
}

// What reaches the handler the log was installed after.
QMutex passing;
QStringList passedOn;
void passOn(QtMsgType, const QMessageLogContext &, const QString &message)
{
    const QMutexLocker lock(&passing);
    passedOn << message;
}

} // namespace

class tst_DiagnosticLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // A line is 26 + 19 + 1 = 46 bytes: at 100 bytes the third line ends a
    // file, and of those before vestra.log the fourth is dropped.
    void rotation_data()
    {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("oldestKept");
        QTest::newRow("below the limit") << 2 << 1 << 1;
        QTest::newRow("at the limit, one file more") << 3 << 2 << 1;
        QTest::newRow("four files") << 11 << 4 << 1;
        QTest::newRow("oldest dropped") << 13 << 4 << 4;
        QTest::newRow("again and again") << 40 << 4 << 31;
    }
    void rotation()
    {
        QFETCH(int, written);
        QFETCH(int, files);
        QFETCH(int, oldestKept);
        QTemporaryDir dir;
        {
            DiagnosticLog log(dir.path(), 100);
            for (const QString &line : numbered(1, written))
                log.write(line);
        }
        QCOMPARE(loggedLines(dir.path()), numbered(oldestKept, written));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), files);
    }

    // Installed, it takes every message as the handler before it writes it,
    // and hands it on; from the link's thread as from the window's, each line whole.
    void installed()
    {
        QTemporaryDir dir;
        const QtMessageHandler before = qInstallMessageHandler(passOn);
        passedOn.clear();
        QStringList expected;
        {
            DiagnosticLog log(dir.path() + "/data");
            QVERIFY(log.install());
            QThread *other = QThread::create([] {
                for (int i = 0; i < Lines; ++i)
                    qCWarning(lcProbe).noquote() << "from the link's thread" << i;
            });
            other->start();
            for (int i = 0; i < Lines; ++i)
                qCDebug(lcProbe).noquote() << "from the window's thread" << i;
            QVERIFY(other->wait(10000));
            delete other;
            for (int i = 0; i < Lines; ++i)
                expected << QString("vestra.probe: from the link's thread %1").arg(i)
                         << QString("vestra.probe: from the window's thread %1").arg(i);
        }
        qDebug() << "after the log";
        qInstallMessageHandler(before);

        QStringList logged = loggedLines(dir.path() + "/data");
        logged.sort();
        expected.sort();
        QCOMPARE(logged, expected);
        QCOMPARE(passedOn.size(), 2 * Lines + 1);
        QCOMPARE(passedOn.last(), "after the log");
    }
};

QTEST_GUILESS_MAIN(tst_DiagnosticLog)
#include "tst_diagnosticlog.moc"
