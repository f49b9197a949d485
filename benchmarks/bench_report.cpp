// Times "Make Report" from the press to the finished file and weighs the files,
// over a run of reports of different serial numbers.
// Usage: bench-report [reports] [home] [hex message]; with a home folder the
// reports stay in its Documents/VESTRA_Reports for a look at them.
#include "vestraversion.h"
#include "mainwindow.h"
#include "reportcheck.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

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
    ReportCheck::fillTypicalTest(&window,
                                 argc > 3 ? QString::fromLatin1(argv[3])
                                          : QStringLiteral("FFFED093C21E24012D814A62ECF7B1412A02"));
    auto *button = window.findChild<QPushButton *>(QStringLiteral("pbDecodeData"));
    button->setEnabled(true);
    UrlCatcher viewer;

    QList<double> millis;
    QList<qint64> sizes;
    for (int i = 0; i < reports; ++i) {
        ReportCheck::setField(&window, "lineEdit_5", QString::number(1000 + i));
        QElapsedTimer timer;
        timer.start();
        button->click();
        millis.append(timer.nsecsElapsed() / 1e6);
        if (viewer.urls.size() != i + 1) {
            std::fprintf(stderr, "report %d was not written\n", i + 1);
            return 1;
        }
        sizes.append(QFileInfo(viewer.urls.last().toLocalFile()).size());
    }

    std::printf("reports: %d\n", reports);
    std::printf("first report: %.1f ms\n", millis.first());
    std::sort(millis.begin(), millis.end());
    std::printf("time per report: min %.1f ms, median %.1f ms, max %.1f ms\n", millis.first(),
                millis.at(millis.size() / 2), millis.last());
    std::sort(sizes.begin(), sizes.end());
    std::printf("file size: min %lld bytes, max %lld bytes\n", sizes.first(), sizes.last());
    return 0;
}
