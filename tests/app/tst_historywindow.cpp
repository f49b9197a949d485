#include "historymodel.h"
#include "historywindow.h"
#include "reportcheck.h"
#include "testhistory.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimeZone>

#include <algorithm>

using namespace ReportCheck;

namespace {

TestRecord sample(const QDate &day, const QString &manufacturer, const QString &hex = Hex)
{
    TestRecord r;
    r.time = QDateTime(day, QTime(9, 0), QTimeZone(3600));
    r.beacon = {"MS Fjordlys", manufacturer, "EB-5", "42", "", "", "", "", "", "", ""};
    r.targetIndex = 2;
    r.hexMessage = hex;
    r.frequency = "406.0312";
    return r;
}

// Records added to the history in folder, numbered 1, 2, ... in their order.
bool addTests(const QString &folder, const QList<TestRecord> &records)
{
    TestHistory history(TestHistory::path(folder));
    return std::all_of(records.begin(), records.end(),
                       [&](const TestRecord &r) { return bool(history.add(r)); });
}

template <typename T> T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

QString countText(QWidget *window)
{
    return child<QLabel>(window, "lblCount")->text();
}

// The "Due" tab of the history in folder, once its two beacons are in.
bool showDue(HistoryWindow &window, const QString &folder)
{
    window.load(folder);
    window.show();
    child<QTabWidget>(&window, "tabWidget")->setCurrentIndex(1);
    return QTest::qWaitFor([&] { return countText(&window) == "2 of 2 beacons"; });
}

qint64 numberAt(QTableView *view, int row)
{
    return view->model()->index(row, 0).data(ListingModel::TestNumberRole).toLongLong();
}

} // namespace

class tst_HistoryWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir home;
    QList<QUrl> opened; // by the desktop's PDF viewer

public slots:
    void open(const QUrl &url) { opened.append(url); }

private slots:
    void initTestCase()
    {
        useHome(home);
        QStandardPaths::setTestModeEnabled(true);
        QLoggingCategory::setFilterRules("vestra.*.debug=false");
        QDesktopServices::setUrlHandler("file", this, "open");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("file"); }

    // Newest first until a header is clicked; then by that column, a second
    // click the other way round.
    void sortsByHeader_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<qint64>("first");
        QTest::newRow("no click: newest number") << 0 << 0 << qint64(3);
        QTest::newRow("No. once: lowest number") << 0 << 1 << qint64(1);
        QTest::newRow("No. twice: highest number") << 0 << 2 << qint64(3);
        QTest::newRow("Date once: earliest day") << 1 << 1 << qint64(3);
        QTest::newRow("Date twice: latest day") << 1 << 2 << qint64(2);
        QTest::newRow("Manufacturer once: Alfa") << 3 << 1 << qint64(2);
        QTest::newRow("Manufacturer twice: Charlie") << 3 << 2 << qint64(3);
    }
    void sortsByHeader()
    {
        QFETCH(int, column);
        QFETCH(int, clicks);
        QFETCH(qint64, first);
        QTemporaryDir dir(home.filePath("s-XXXXXX"));
        QVERIFY(addTests(dir.path(), {sample(QDate(2026, 3, 2), "Bravo"),
                                      sample(QDate(2026, 3, 3), "Alfa", OtherHex),
                                      sample(QDate(2026, 3, 1), "Charlie")}));
        HistoryWindow window;
        window.load(dir.path());
        window.show();
        QTRY_COMPARE(countText(&window), "3 of 3 tests");
        auto *view = child<QTableView>(&window, "testsView");
        QHeaderView *header = view->horizontalHeader();
        const QPoint middle(header->sectionViewportPosition(column) +
                                header->sectionSize(column) / 2,
                            header->height() / 2);
        for (int click = 0; click < clicks; ++click)
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
        QCOMPARE(numberAt(view, 0), first);
    }

    // A report saved while the history is being read is read after it.
    void readAgainAfterSave()
    {
        QTemporaryDir dir(home.filePath("r-XXXXXX"));
        QVERIFY(addTests(dir.path(), {sample(QDate(2026, 3, 1), "ACME")}));
        HistoryWindow window;
        window.load(dir.path());
        // The reading thread done with the history, its rows not yet taken in.
        auto *reader = window.findChild<QThread *>();
        QObject probe;
        probe.moveToThread(reader);
        QMetaObject::invokeMethod(
            &probe, [&] { probe.moveToThread(QApplication::instance()->thread()); },
            Qt::BlockingQueuedConnection);
        QVERIFY(addTests(dir.path(), {sample(QDate(2026, 3, 2), "ACME")}));
        window.load(dir.path());
        QTRY_COMPARE(countText(&window), "2 of 2 tests");
    }

    // The days beside "Mark what falls due within", 60 unless changed, decide
    // which beacons stand out, and a change shows at once.
    void dueHorizon_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<QList<bool>>("standsOut"); // due in 59 days, in 61
        QTest::newRow("60, unchanged") << 0 << QList<bool>{true, false};
        QTest::newRow("61 takes in the later") << 61 << QList<bool>{true, true};
        QTest::newRow("58 lets both go") << 58 << QList<bool>{false, false};
    }
    void dueHorizon()
    {
        QFETCH(int, days);
        QFETCH(QList<bool>, standsOut);
        QTemporaryDir dir(home.filePath("h-XXXXXX"));
        const QDate today = QDate::currentDate();
        TestRecord soon = sample(today, "ACME"), later = sample(today, "ACME", OtherHex);
        soon.beacon.batteryExpiry = today.addDays(59).toString(Qt::ISODate);
        later.beacon.batteryExpiry = today.addDays(61).toString(Qt::ISODate);
        QVERIFY(addTests(dir.path(), {later, soon}));
        HistoryWindow window;
        QVERIFY(showDue(window, dir.path()));
        const QAbstractItemModel *shown = child<QTableView>(&window, "dueView")->model();
        QSignalSpy marked(shown, &QAbstractItemModel::dataChanged);
        auto *horizon = child<QSpinBox>(&window, "horizonSpin");
        QCOMPARE(horizon->value(), 60);
        if (days)
            horizon->setValue(days);
        for (int row = 0; row < 2; ++row)
            QCOMPARE(shown->index(row, 0).data(DueModel::StandsOutRole).toBool(), standsOut[row]);
        QCOMPARE(marked.isEmpty(), days == 0);
        for (const QList<QVariant> &change : std::as_const(marked))
            QVERIFY(change.at(2).value<QList<int>>().contains(Qt::BackgroundRole));
    }

    // The "Due" tab reprints the beacon's latest test, however it is asked.
    void openFromDue_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Enter on the row") << "enter";
        QTest::newRow("Open report") << "button";
        QTest::newRow("Enter in Find") << "find";
    }
    void openFromDue()
    {
        QFETCH(QString, how);
        QTemporaryDir dir(home.filePath("d-XXXXXX"));
        QVERIFY(addTests(dir.path(),
                         {sample(QDate(2026, 3, 1), "ACME"), sample(QDate(2026, 3, 3), "ACME"),
                          sample(QDate(2026, 3, 4), "Nord", OtherHex)}));
        HistoryWindow window;
        QSignalSpy said(&window, &HistoryWindow::statusLine);
        QVERIFY(showDue(window, dir.path()));
        auto *view = child<QTableView>(&window, "dueView");
        view->setCurrentIndex(view->model()->index(0, 0)); // soonest: ACME, tested last 2026-03-03
        opened.clear();
        if (how == "enter")
            QTest::keyClick(view, Qt::Key_Return);
        else if (how == "button")
            QTest::mouseClick(child<QPushButton>(&window, "pbOpenReport"), Qt::LeftButton);
        else
            QTest::keyClick(child<QLineEdit>(&window, "filterEdit"), Qt::Key_Return);
        QTRY_COMPARE(opened.size(), 1);
        const QString path = opened[0].toLocalFile();
        QCOMPARE(path, dir.filePath("Reprints/ACME EB-5 42 2026-03-03.pdf"));
        QVERIFY(contents(path).startsWith("%PDF"));
        QCOMPARE(said.size(), 1);
        QCOMPARE(said[0][0].toString(), "Saving reprint: " + QDir::toNativeSeparators(path));
    }

    // A history that another program holds keeps the window answering.
    void waitsForHeldHistory()
    {
        QTemporaryDir dir(home.filePath("w-XXXXXX"));
        QVERIFY(addTests(dir.path(), {sample(QDate(2026, 3, 1), "ACME")}));
        {
            QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
            holder.setDatabaseName(TestHistory::path(dir.path()));
            QVERIFY(holder.open());
            QSqlQuery hold(holder);
            QVERIFY(hold.exec("BEGIN EXCLUSIVE"));
            HistoryWindow window;
            window.load(dir.path());
            window.show();
            QTRY_COMPARE(countText(&window), "waiting for the test history…");
            QTest::keyClicks(child<QLineEdit>(&window, "filterEdit"), "acme");
            QCOMPARE(child<QLineEdit>(&window, "filterEdit")->text(), "acme");
            QVERIFY(hold.exec("ROLLBACK"));
            QTRY_COMPARE(countText(&window), "1 of 1 tests");
        }
        QSqlDatabase::removeDatabase("holder");
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    tst_HistoryWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_historywindow.moc"
