#include "mainwindow.h"
#include "vestraversion.h"

#include <QApplication>
#include <QFont>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
#ifndef Q_OS_WIN
    // The form is laid out to the pixel for Windows' 8-point dialog font;
    // desktop defaults elsewhere are larger and would clip its labels.
    QApplication::setFont(QFont(QStringLiteral("Arial"), 8));
#endif
    QCoreApplication::setOrganizationName(QStringLiteral("Halvik"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("halvik.no"));
    QCoreApplication::setApplicationName(QStringLiteral("Kova VESTRA"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));

    MainWindow window;
    window.show();
    return app.exec();
}
