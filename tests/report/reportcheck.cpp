#include "reportcheck.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace ReportCheck {

void useHome(const QTemporaryDir &dir)
{
    qputenv("HOME", dir.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    const uid_t nobody = 65534;
    if (geteuid() == 0 && (chown(QFile::encodeName(dir.path()), nobody, nobody) != 0 ||
                           setresgid(nobody, nobody, 0) != 0 || setresuid(nobody, nobody, 0) != 0))
        qFatal("Cannot go on as an ordinary user");
    QDir(dir.path()).mkdir("Documents");
}

QString poppler(const QStringList &command)
{
    QProcess process;
    process.start(command.first(), command.mid(1));
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        qWarning("%s failed", qPrintable(command.first()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool hasRow(const QString &layoutText, const QString &label, const QString &value)
{
    const QString row = QRegularExpression::escape(label) + (label.isEmpty() ? "" : " +") +
                        QRegularExpression::escape(value);
    return layoutText.contains(
        QRegularExpression("^ *" + row + " *$", QRegularExpression::MultilineOption));
}

QList<QStringList> readCsv(const QByteArray &bytes)
{
    static const QRegularExpression field(R"re(("(?:[^"]|"")*"|[^",\r\n]*)(,|\r\n))re");
    const QString text = QString::fromUtf8(bytes);
    QList<QStringList> rows{{}};
    for (qsizetype at = 0; at < text.size();) {
        const auto m = field.match(text, at, QRegularExpression::NormalMatch,
                                   QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            return {};
        const QString value = m.captured(1);
        rows.last().append(
            value.startsWith(u'"') ? value.mid(1, value.size() - 2).replace("\"\"", "\"") : value);
        if (m.captured(2) == "\r\n")
            rows.append(QStringList());
        at = m.capturedEnd();
    }
    rows.removeLast();
    return rows;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void onFullDisk(qint64 bytes, const std::function<void()> &f)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t previous = std::exchange(limit.rlim_cur, rlim_t(bytes));
    setrlimit(RLIMIT_FSIZE, &limit);
    f();
    limit.rlim_cur = previous;
    setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace ReportCheck
