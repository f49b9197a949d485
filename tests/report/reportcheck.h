#ifndef REPORTCHECK_H
#define REPORTCHECK_H

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>
#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

// Reports read back with poppler, registers read back as CSV, a home of their own.
namespace ReportCheck {

// Points HOME at dir with an empty Documents folder in it; run as root, goes on
// as an ordinary user, for whom a read-only file is read-only. Windows finds
// Documents without HOME, and has no users to switch to.
inline void useHome(const QTemporaryDir &dir)
{
#ifndef Q_OS_WIN
    qputenv("HOME", dir.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    const uid_t nobody = 65534;
    if (geteuid() == 0 && (chown(QFile::encodeName(dir.path()), nobody, nobody) != 0 ||
                           setresgid(nobody, nobody, 0) != 0 || setresuid(nobody, nobody, 0) != 0))
        qFatal("Cannot go on as an ordinary user");
#endif
    QDir(dir.path()).mkdir("Documents");
}

// Runs one of poppler's tools, program first, and returns what it printed.
inline QString poppler(const QStringList &command)
{
    QProcess process;
    process.start(command.first(), command.mid(1));
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// RFC 4180 rows, read independently of the writer; none for a line not ended by CR LF.
inline QList<QStringList> readCsv(const QByteArray &bytes)
{
    static const QRegularExpression field(R"re((?:"((?:[^"]|"")*)"|([^",\r\n]*))(,|\r\n))re");
    const QString text = QString::fromUtf8(bytes);
    QList<QStringList> rows{{}};
    for (qsizetype at = 0; at < text.size();) {
        const auto m = field.match(text, at, QRegularExpression::NormalMatch,
                                   QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            return {};
        rows.last() << m.captured(1).replace("\"\"", "\"") + m.captured(2);
        if (m.captured(3) == "\r\n")
            rows.append(QStringList());
        at = m.capturedEnd();
    }
    rows.removeLast();
    return rows;
}

inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs f with every file capped at bytes (-1: no cap), as on a full disk.
inline void onFullDisk(qint64 bytes, const std::function<void()> &f)
{
#ifdef Q_OS_WIN
    if (bytes >= 0)
        qFatal("No file-size cap on Windows: a full disk cannot be made here");
    f();
#else
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t previous = std::exchange(limit.rlim_cur, rlim_t(bytes));
    setrlimit(RLIMIT_FSIZE, &limit);
    f();
    limit.rlim_cur = previous;
    setrlimit(RLIMIT_FSIZE, &limit);
#endif
}

} // namespace ReportCheck

#endif // REPORTCHECK_H
