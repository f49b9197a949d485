#include "reportcheck.h"

#include "mainwindow.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <csignal>
#include <sys/resource.h>

namespace ReportCheck {

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0) {
        qWarning("%s failed", qPrintable(program));
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

void useHome(const QTemporaryDir &dir)
{
    qputenv("HOME", dir.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    QDir(dir.path()).mkdir(QStringLiteral("Documents"));
}

QString reportFolder()
{
    return QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation).value(0) +
           QStringLiteral("/VESTRA_Reports");
}

QString layoutText(const QString &pdf)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

QString pdfInfo(const QString &pdf)
{
    return run(QStringLiteral("pdfinfo"), {pdf});
}

QString imageList(const QString &pdf)
{
    return run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
}

QList<Word> words(const QString &pdf)
{
    const QString html =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    QList<Word> found;
    for (const auto &m : word.globalMatch(html)) {
        const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
        QString text = m.captured(5);
        text.replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&quot;"), QLatin1String("\""))
            .replace(QLatin1String("&apos;"), QLatin1String("'"))
            .replace(QLatin1String("&amp;"), QLatin1String("&"));
        found.append({text, QRectF(topLeft, bottomRight)});
    }
    return found;
}

bool hasRow(const QString &layoutText, const QString &label, const QString &value)
{
    const QString gap = label.isEmpty() ? QString() : QStringLiteral(" +");
    const QRegularExpression row(QStringLiteral("^ *") + QRegularExpression::escape(label) + gap +
                                     QRegularExpression::escape(value) + QStringLiteral(" *$"),
                                 QRegularExpression::MultilineOption);
    return row.match(layoutText).hasMatch();
}

void setField(MainWindow *window, const char *objectName, const QString &text)
{
    const QString name = QLatin1String(objectName);
    if (auto *edit = window->findChild<QLineEdit *>(name))
        edit->setText(text);
    else if (auto *label = window->findChild<QLabel *>(name))
        label->setText(text);
    else
        qFatal("No field %s in the window", objectName);
}

void fillTypicalTest(MainWindow *window, const QString &hexMessage)
{
    const struct
    {
        const char *name;
        const char *text;
    } fields[] = {
        {"TxtLabelFreq", "406.0312"},     {"TxtLabelRfLevel", "37"},
        {"TxtLabelCalibration", "06-27"}, {"TxtLabelSerialNo", "12345-67890"},
        {"TxtLabelStatus", "OK"},         {"lineEdit", "MS Fjordlys"},
        {"lineEdit_2", "ACME"},           {"lineEdit_7", "EB-5"},
        {"lineEdit_5", "12/345"},         {"lineEdit_8", "FB-2"},
        {"lineEdit_4", "B-778"},          {"lineEdit_9", "2029-03"},
        {"lineEdit_3", "2026-11"},        {"lineEdit_DD", "2027-01"},
        {"lineEdit_6", "NordSafe"},       {"lineEdit_11", "Kari Holm"},
    };
    for (const auto &field : fields)
        setField(window, field.name, QString::fromUtf8(field.text));
    setField(window, "TxtLabelHexMsg", hexMessage);
    setField(window, "lineEditHexMsg", hexMessage);
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    previous = qint64(limit.rlim_cur);
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(previous);
    setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace ReportCheck

UrlCatcher::UrlCatcher()
{
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
}

UrlCatcher::~UrlCatcher()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}
