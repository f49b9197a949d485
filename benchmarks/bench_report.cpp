// Times "Make Report" from the press to the finished file, and on until the
// history and the register have the test (which they take beside the
// window), and weighs the files, over a run of reports of different serial
// numbers.
// Usage: bench-report [reports] [home] [hex message]; with a home folder the
// reports stay in its Documents/VESTRA_Reports for a look at them.
#include "historykeeper.h"
#include "mainwindow.h"
#include "reportcheck.h"
#include "vestraversion.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
#include <cstdio>

// Stands in for the desktop's PDF viewer.
class Viewer : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls.append(url); }
};

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("vestra.*.debug=false"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));
    const int reports = argc > 1 ? QByteArray(argv[1]).toInt() : 20;

    QTemporaryDir home(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/bench-XXXXXX")
                                : QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    home.setAutoRemove(argc <= 2);
    ReportCheck::useHome(home);
    qputenv("VESTRA_PORTS", ",");
    MainWindow window;
    const QString hex = argc > 3 ? QString::fromLatin1(argv[3])
                                 : QStringLiteral("FFFED093C21E24012D814A62ECF7B1412A02");
    const char *fields[][2] = {
        {"lineEdit", "MS Fjordlys"},  {"lineEdit_2", "ACME"},     {"lineEdit_7", "EB-5"},
        {"lineEdit_8", "FB-2"},       {"lineEdit_4", "B-778"},    {"lineEdit_9", "2029-03"},
        {"lineEdit_3", "2026-11"},    {"lineEdit_DD", "2027-01"}, {"lineEdit_6", "NordSafe"},
        {"lineEdit_11", "Kari Holm"},
    };
    for (const auto &field : fields)
        window.findChild<QWidget *>(QLatin1String(field[0]))
            ->setProperty("text", QString::fromUtf8(field[1]));
    // The measurement as the instrument session hands it to the window.
    Measurement measurement;
    measurement.readings = {hex,
                            QStringLiteral("406.0312"),
                            QStringLiteral("37"),
                            QStringLiteral("0627"),
                            QStringLiteral("OK"),
                            QStringLiteral("1234567890")};
    measurement.found = (1u << ReadingCount) - 1;
    QMetaObject::invokeMethod(&window, "onMeasurement", Q_ARG(Measurement, measurement));
    auto *keeper = window.findChild<HistoryKeeper *>();
    // The history and the register take each test beside the window.
    const auto untilIdle = [keeper] {
        QEventLoop loop;
        QObject::connect(keeper, &HistoryKeeper::idle, &loop, &QEventLoop::quit);
        loop.exec();
    };
    untilIdle();
    auto *button = window.findChild<QPushButton *>(QStringLiteral("pbDecodeData"));
    auto *serial = window.findChild<QWidget *>(QStringLiteral("lineEdit_5"));
    Viewer viewer;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &viewer, "open");

    QList<double> millis, stored;
    QList<qint64> sizes;
    for (int i = 0; i < reports; ++i) {
        serial->setProperty("text", QString::number(1000 + i));
        QElapsedTimer timer;
        timer.start();
        button->click();
        millis.append(timer.nsecsElapsed() / 1e6);
        untilIdle();
        stored.append(timer.nsecsElapsed() / 1e6);
        if (viewer.urls.size() != i + 1) {
            std::fprintf(stderr, "report %d was not written\n", i + 1);
            return 1;
        }
        sizes.append(QFileInfo(viewer.urls.last().toLocalFile()).size());
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    const QString registerPath =
        QFileInfo(viewer.urls.last().toLocalFile()).path() + QStringLiteral("/test-register.csv");

    std::printf("reports: %d\n", reports);
    std::printf("first report: %.1f ms\n", millis.first());
    std::sort(millis.begin(), millis.end());
    std::printf("time per report: min %.1f ms, median %.1f ms, max %.1f ms\n", millis.first(),
                millis.at(millis.size() / 2), millis.last());
    std::sort(stored.begin(), stored.end());
    std::printf("until the history and the register have it: min %.1f ms, median %.1f ms, max "
                "%.1f ms\n",
                stored.first(), stored.at(stored.size() / 2), stored.last());
    std::sort(sizes.begin(), sizes.end());
    std::printf("file size: min %lld bytes, max %lld bytes\n", sizes.first(), sizes.last());
    std::printf("test register: %lld bytes for %d lines\n", QFileInfo(registerPath).size(),
                reports);
    return 0;
}

#include "bench_report.moc"
