#include "dialogabout.h"
#include "ui_dialogabout.h"

#include "diagnosticlog.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcAbout, "vestra.about")

namespace {

// Our introduction followed by the LGPL-3 text, compiled in.
QString licenceNotice()
{
    QFile file(QStringLiteral(":/licence/notice.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcAbout).noquote() << "Licence notice missing from the resources";
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

} // namespace

DialogAbout::DialogAbout(QWidget *parent) : QDialog(parent), ui(new Ui::DialogAbout)
{
    ui->setupUi(this);
    ui->textEdit->setReadOnly(true);
    ui->logFolderEdit->setText(QDir::toNativeSeparators(DiagnosticLog::folder()));
}

DialogAbout::~DialogAbout()
{
    delete ui;
}

void DialogAbout::setVersion(QString version)
{
    ui->lblVersion->setText(QStringLiteral("Version: ") + version);
    ui->textEdit->setPlainText(licenceNotice());
}
