// vestra-sim: stands in for the VESTRA instrument on a pseudo-terminal, for
// demonstrations, training and the end-to-end tests.

#include "simpage.h"
#include "simsession.h"
#include "vestraversion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// 38400 baud, 10 bits a byte on the wire.
constexpr auto ByteTime = std::chrono::microseconds(260);
constexpr auto ClosedPollInterval = 20ms;
constexpr auto SplitConnectPause = 50ms;
constexpr auto GarbagePause = 20ms;
constexpr auto ByteByBytePause = 1ms;
constexpr int PacedChunk = 8;

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int)
{
    stopRequested = 1;
}

struct LineOptions
{
    bool silent = false;
    bool splitConnect = false;
    bool garbage = false;
    bool byteByByte = false;
    bool pace = false;
};

struct Pending
{
    Clock::time_point due;
    QByteArray bytes;
};

// Everything written to the PC goes through here, so that pacing, splitting
// and dropping on close apply to every reply alike.
class Line
{
public:
    explicit Line(const LineOptions &options) : m_options(options) {}

    void received(int bytes, Clock::time_point now)
    {
        if (!m_options.pace)
            return;
        m_receiveDone = std::max(m_receiveDone, now) + bytes * ByteTime;
    }

    void send(const SimSession::Reply &reply, Clock::time_point now)
    {
        if (m_options.silent)
            return;
        Clock::time_point at = std::max(now, m_sendFree);
        if (m_options.pace)
            at = std::max(at, m_receiveDone);

        if (reply.kind == SimSession::Kind::Frame && m_options.garbage) {
            static const QByteArray noise("\x7E\x01\xFF\x55\x00\xAA", 6);
            at = queue(noise, at, false);
            at += GarbagePause;
        }
        if (reply.kind == SimSession::Kind::Connect && m_options.splitConnect) {
            at = queue(reply.bytes.left(4), at, false);
            at += SplitConnectPause;
            at = queue(reply.bytes.mid(4), at, false);
        } else {
            at = queue(reply.bytes, at,
                       reply.kind == SimSession::Kind::Frame && m_options.byteByByte);
        }
        m_sendFree = at;
    }

    void clear()
    {
        m_pending.clear();
        m_sendFree = {};
        m_receiveDone = {};
    }

    bool hasPending() const { return !m_pending.empty(); }
    Clock::time_point nextDue() const { return m_pending.front().due; }

    // Writes what is due; false when the slave side went away under us.
    bool writeDue(int fd, Clock::time_point now)
    {
        while (!m_pending.empty() && m_pending.front().due <= now) {
            Pending &p = m_pending.front();
            const ssize_t n = ::write(fd, p.bytes.constData(), size_t(p.bytes.size()));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == EAGAIN)
                    return true;
                return false;
            }
            if (n < p.bytes.size()) {
                p.bytes.remove(0, qsizetype(n));
                return true;
            }
            m_pending.pop_front();
        }
        return true;
    }

private:
    Clock::time_point queue(const QByteArray &bytes, Clock::time_point at, bool oneByOne)
    {
        const int chunk = oneByOne ? 1 : m_options.pace ? PacedChunk : int(bytes.size());
        for (int i = 0; i < bytes.size(); i += chunk) {
            const QByteArray piece = bytes.mid(i, chunk);
            m_pending.push_back({at, piece});
            if (m_options.pace)
                at += int(piece.size()) * ByteTime;
            else if (oneByOne)
                at += ByteByBytePause;
        }
        return at;
    }

    const LineOptions m_options;
    std::deque<Pending> m_pending;
    Clock::time_point m_sendFree{};
    Clock::time_point m_receiveDone{};
};

int fail(const QString &text)
{
    std::fprintf(stderr, "vestra-sim: %s\n", qPrintable(text));
    return 2;
}

bool setRawSlave(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    termios tio{};
    bool ok = ::tcgetattr(fd, &tio) == 0;
    if (ok) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B38400);
        ::cfsetospeed(&tio, B38400);
        tio.c_cflag |= CLOCAL | CREAD;
        ok = ::tcsetattr(fd, TCSANOW, &tio) == 0;
    }
    ::close(fd);
    return ok;
}

// On Linux what the master wrote stays in the slave's input queue across a
// close and reaches the next opener. A real line loses it, so flush it.
void discardUndelivered(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return;
    ::tcflush(fd, TCIFLUSH);
    ::close(fd);
}

timespec toTimespec(Clock::duration d)
{
    if (d < Clock::duration::zero())
        d = Clock::duration::zero();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return timespec{time_t(ns / 1000000000), long(ns % 1000000000)};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vestra-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));

    const QString fields = SimPage::fieldNames().join(QStringLiteral(", "));
    QCommandLineParser parser;
    // The help text is also the man page (help2man): one-line summary first.
    parser.setApplicationDescription(QStringLiteral(
        "Simulates the VESTRA 406 MHz beacon test receiver on a pseudo-terminal.\n"
        "\n"
        "vestra-sim is a demonstration and training instrument: it stands in for the\n"
        "VESTRA receiver, so that the VESTRA program can be shown and learnt without\n"
        "the real instrument. It answers the modem handshake and serves a measurement\n"
        "page with the readings below, and it can put faults on the link. It prints\n"
        "the serial device to use on its first line and runs until SIGTERM or SIGINT."));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Displays this help."));
    parser.addOption(helpOption);
    parser.addVersionOption();
    const SimPage::Options defaults;
    auto valueOption = [&](const char *name, const QString &text, SimPage::Field field) {
        return QCommandLineOption(
            QLatin1String(name),
            text + QStringLiteral(" (default \"%1\").").arg(QLatin1String(defaults.values[field])),
            QStringLiteral("text"), QLatin1String(defaults.values[field]));
    };
    const QCommandLineOption valueOptions[SimPage::FieldCount] = {
        valueOption("hex", QStringLiteral("Beacon hex message"), SimPage::Hex),
        valueOption("frequency", QStringLiteral("Frequency in MHz"), SimPage::Frequency),
        valueOption("rf-level", QStringLiteral("RF level"), SimPage::RfLevel),
        valueOption("calibration", QStringLiteral("Calibration due, digits"), SimPage::Calibration),
        valueOption("status", QStringLiteral("Status word"), SimPage::Status),
        valueOption("serial", QStringLiteral("Instrument serial number, digits"), SimPage::Serial),
    };
    const QCommandLineOption silentOption(QStringLiteral("silent"),
                                          QStringLiteral("Never answer anything."));
    const QCommandLineOption noConnectOption(
        QStringLiteral("no-connect"), QStringLiteral("Answer the probe but never send CONNECT."));
    const QCommandLineOption splitConnectOption(
        QStringLiteral("split-connect"),
        QStringLiteral("Send CONNECT in two writes 50 ms apart (\"CONN\", \"ECT\\r\\n\")."));
    const QCommandLineOption stopAfterOption(
        QStringLiteral("stop-after"),
        QStringLiteral("Answer only the first N frames after each SYN (the SYN included), "
                       "then stay silent."),
        QStringLiteral("N"));
    const QCommandLineOption garbageOption(
        QStringLiteral("garbage"),
        QStringLiteral("Send a few noise bytes (no END among them) 20 ms before every frame."));
    const QCommandLineOption escapePayloadOption(
        QStringLiteral("escape-payload"),
        QStringLiteral("Put raw 0xC0 and 0xDB bytes into the page, outside the readings."));
    const QCommandLineOption zeroInOption(
        QStringLiteral("zero-in"),
        QStringLiteral("Put a zero byte in the middle of that reading (%1).").arg(fields),
        QStringLiteral("field"));
    const QCommandLineOption omitMarkerOption(
        QStringLiteral("omit-marker"),
        QStringLiteral("Leave that reading's marker out of the page (%1).").arg(fields),
        QStringLiteral("field"));
    const QCommandLineOption tcpOptionsOption(
        QStringLiteral("tcp-options"),
        QStringLiteral("Answer with a 24-byte TCP header (four no-operation options)."));
    const QCommandLineOption byteByByteOption(
        QStringLiteral("byte-by-byte"),
        QStringLiteral("Write every frame one byte per write, 1 ms apart."));
    const QCommandLineOption paceOption(
        QStringLiteral("pace"),
        QStringLiteral("Keep to the line rate of 38400 baud in both directions."));
    const QCommandLineOption linkOption(
        QStringLiteral("link"),
        QStringLiteral("Also make PATH a symbolic link to the serial device (removed at exit)."),
        QStringLiteral("path"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Log what happens to standard error."));
    for (const QCommandLineOption &option : valueOptions)
        parser.addOption(option);
    for (const QCommandLineOption &option :
         {silentOption, noConnectOption, splitConnectOption, stopAfterOption, garbageOption,
          escapePayloadOption, zeroInOption, omitMarkerOption, tcpOptionsOption, byteByByteOption,
          paceOption, linkOption, verboseOption})
        parser.addOption(option);
    parser.process(app);
    if (parser.isSet(helpOption)) {
        // Name the program as installed, not by the path it was started with.
        QString help = parser.helpText();
        help.replace(0, help.indexOf(QLatin1Char('\n')),
                     QStringLiteral("Usage: vestra-sim [options]"));
        std::fputs(qPrintable(help), stdout);
        return 0;
    }

    if (parser.isSet(verboseOption))
        QLoggingCategory::setFilterRules(QStringLiteral("vestra.sim.debug=true"));

    SimPage::Options page;
    for (int i = 0; i < SimPage::FieldCount; ++i)
        page.values[i] = parser.value(valueOptions[i]).toLatin1();
    for (const QString &name : parser.values(zeroInOption)) {
        const std::optional<SimPage::Field> field = SimPage::fieldFromName(name);
        if (!field)
            return fail(QStringLiteral("unknown field \"%1\"; one of %2").arg(name, fields));
        page.zeroIn[*field] = true;
    }
    for (const QString &name : parser.values(omitMarkerOption)) {
        const std::optional<SimPage::Field> field = SimPage::fieldFromName(name);
        if (!field)
            return fail(QStringLiteral("unknown field \"%1\"; one of %2").arg(name, fields));
        page.omitMarker[*field] = true;
    }
    page.escapeBytes = parser.isSet(escapePayloadOption);
    QString error;
    const QByteArray answer = SimPage::buildAnswer(page, &error);
    if (answer.isEmpty())
        return fail(error);

    SimSession::Options sessionOptions;
    sessionOptions.noConnect = parser.isSet(noConnectOption);
    sessionOptions.tcpOptions = parser.isSet(tcpOptionsOption);
    if (parser.isSet(stopAfterOption)) {
        bool ok = false;
        sessionOptions.stopAfter = parser.value(stopAfterOption).toInt(&ok);
        if (!ok || sessionOptions.stopAfter < 0)
            return fail(QStringLiteral("--stop-after needs a count of 0 or more"));
    }
    LineOptions lineOptions;
    lineOptions.silent = parser.isSet(silentOption);
    lineOptions.splitConnect = parser.isSet(splitConnectOption);
    lineOptions.garbage = parser.isSet(garbageOption);
    lineOptions.byteByByte = parser.isSet(byteByByteOption);
    lineOptions.pace = parser.isSet(paceOption);

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return fail(QStringLiteral("cannot open a pseudo-terminal: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    const QByteArray slavePath = ::ptsname(master);
    if (slavePath.isEmpty() || !setRawSlave(slavePath))
        return fail(QStringLiteral("cannot set up the pseudo-terminal"));

    // Signals stay blocked except inside ppoll, so a stop cannot slip in
    // between the check and the wait.
    sigset_t stopSignals;
    sigset_t waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    QString linkPath;
    if (parser.isSet(linkOption)) {
        linkPath = parser.value(linkOption);
        const QFileInfo existing(linkPath);
        if (existing.isSymLink())
            QFile::remove(linkPath);
        else if (existing.exists())
            return fail(QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath));
        if (!QFile::link(QString::fromLocal8Bit(slavePath), linkPath))
            return fail(QStringLiteral("cannot create the link %1").arg(linkPath));
    }

    std::printf("%s\n", slavePath.constData());
    std::fflush(stdout);

    SimSession session(answer, sessionOptions);
    Line line(lineOptions);
    bool slaveOpen = false;
    char buffer[4096];

    while (!stopRequested) {
        pollfd pfd{master, POLLIN, 0};
        if (slaveOpen && line.hasPending())
            pfd.events |= POLLOUT;
        timespec timeout{};
        const timespec *timeoutPtr = nullptr;
        if (slaveOpen && line.hasPending()) {
            timeout = toTimespec(line.nextDue() - Clock::now());
            timeoutPtr = &timeout;
            if (Clock::now() < line.nextDue())
                pfd.events &= ~POLLOUT;
        }
        const int ready = ::ppoll(&pfd, 1, timeoutPtr, &waitMask);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return fail(QStringLiteral("poll failed: %1")
                            .arg(QString::fromLocal8Bit(std::strerror(errno))));
        }

        bool hungUp = pfd.revents & (POLLHUP | POLLERR);
        if (!hungUp && !slaveOpen) {
            qCDebug(lcSim).noquote() << "port opened by the PC";
            slaveOpen = true;
            session.reset();
            line.clear();
        }
        if (pfd.revents & POLLIN) {
            // Bytes the PC wrote just before closing are still readable; they
            // are handled, but their replies go nowhere.
            for (;;) {
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0) {
                    const auto now = Clock::now();
                    line.received(int(n), now);
                    const QList<SimSession::Reply> replies =
                        session.feed(QByteArray(buffer, int(n)));
                    for (const SimSession::Reply &reply : replies)
                        line.send(reply, now);
                    continue;
                }
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0 && errno == EIO)
                    hungUp = true;
                break;
            }
        }

        if (hungUp) {
            if (slaveOpen) {
                qCDebug(lcSim).noquote() << "port closed by the PC";
                slaveOpen = false;
                session.reset();
                line.clear();
                discardUndelivered(slavePath);
            }
            // The master keeps reporting the hang-up while nobody has the
            // slave open, so look again after a short sleep rather than spin.
            const timespec pause = toTimespec(ClosedPollInterval);
            ::ppoll(nullptr, 0, &pause, &waitMask);
            continue;
        }
        if (!line.writeDue(master, Clock::now())) {
            qCDebug(lcSim).noquote() << "write failed, port closed";
        }
    }

    ::close(master);
    if (!linkPath.isEmpty())
        QFile::remove(linkPath);
    qCDebug(lcSim).noquote() << "stopped";
    return 0;
}
