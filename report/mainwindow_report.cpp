#include "mainwindow.h"

#include "pdfreport.h"
#include "ui_mainwindow.h"

#include <QDesktopServices>
#include <QFile>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

namespace {

const char InvalidFileChars[] = "\"*/:<>?\\|";

} // namespace

QString MainWindow::removeInvalidFileChars(QString text)
{
    const QString invalid = QLatin1String(InvalidFileChars);
    QString cleaned;
    cleaned.reserve(text.size());
    for (const QChar c : text) {
        if (!invalid.contains(c))
            cleaned.append(c);
    }
    return cleaned;
}

void MainWindow::on_pbDecodeData_clicked()
{
    QMessageBox messageBox;
    const QString cannotWrite = QStringLiteral("The report cannot be written.\nIf the report is "
                                               "open in another\napplication please close it");

    if (!decodeMessage()) {
        messageBox.setText(QStringLiteral("Message received incorrect\nTry again."));
        messageBox.exec();
        return;
    }

    if (ui->lineEdit_2->text().isEmpty() || ui->lineEdit_7->text().isEmpty() ||
        ui->lineEdit_5->text().isEmpty()) {
        messageBox.setText(QStringLiteral("Please enter at least\nManufacturer\nModel and Serial"));
        messageBox.exec();
        return;
    }

    const QStringList documents =
        QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) {
        messageBox.setText(cannotWrite);
        messageBox.exec();
        return;
    }
    const QString fileName = documents.first() + QStringLiteral("/VESTRA_Reports") + u'/' +
                             removeInvalidFileChars(ui->lineEdit_2->text()) + u' ' +
                             removeInvalidFileChars(ui->lineEdit_7->text()) + u' ' +
                             removeInvalidFileChars(ui->lineEdit_5->text()) +
                             QStringLiteral(".pdf");

    // Fails while a viewer holds the report locked or the folder is gone.
    const bool existedBefore = QFile::exists(fileName);
    QFile writeTest(fileName);
    if (!writeTest.open(QIODevice::ReadWrite)) {
        messageBox.setText(cannotWrite);
        messageBox.exec();
        return;
    }
    writeTest.close();

    pdfReport report(this);
    if (!report.createReport(fileName, this)) {
        // Leave no empty file behind that only the write test made.
        if (!existedBefore)
            QFile::remove(fileName);
        messageBox.setText(cannotWrite);
        messageBox.exec();
        return;
    }
    ui->listWidgetStatus->insertItem(0, QStringLiteral("Saving: ") + fileName);

    QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
}
