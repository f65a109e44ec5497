#include "PtyServer.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace pelmix::sim {

namespace {

// 10 bits a character (start, 8 data, stop) at 9600 baud.
constexpr auto CharacterTime = std::chrono::nanoseconds(1'000'000'000LL * 10 / 9600);
constexpr auto SplitGap = std::chrono::milliseconds(2);

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PtyServer::PtyServer(CounterModel &model, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_random(model.signal().seed)
{
    m_pumpTimer.setSingleShot(true);
    m_pumpTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pumpTimer, &QTimer::timeout, this, &PtyServer::pump);
}

PtyServer::~PtyServer()
{
    closeDevice();
    if (!m_linkPath.isEmpty())
        QFile::remove(m_linkPath);
}

std::optional<QString> PtyServer::start()
{
    closeDevice();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        return systemError("posix_openpt");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        const QString error = systemError("unlockpt");
        closeDevice();
        return error;
    }
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        const QString error = systemError("ptsname");
        closeDevice();
        return error;
    }
    m_devicePath = QString::fromLocal8Bit(name);

    // Holding the device side open keeps the master readable without a hang-up while
    // no program has the port open. Raw mode: no echo, no line editing.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slave < 0) {
        const QString error = systemError("open");
        closeDevice();
        return error;
    }
    termios raw{};
    if (::tcgetattr(m_slave, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
    }

    m_readNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &PtyServer::onReadable);
    m_writeNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Write);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &PtyServer::pump);
    return std::nullopt;
}

std::optional<QString> PtyServer::makeLink(const QString &path)
{
    if (QFileInfo(path).isSymLink() || QFileInfo::exists(path)) {
        if (!QFileInfo(path).isSymLink())
            return QStringLiteral("%1 exists and is not a symbolic link").arg(path);
        QFile::remove(path);
    }
    if (!QFile::link(m_devicePath, path))
        return QStringLiteral("cannot create the link %1").arg(path);
    m_linkPath = path;
    return std::nullopt;
}

std::optional<QString> PtyServer::setRecordFile(const QString &path)
{
    m_record = std::make_unique<QFile>(path);
    if (!m_record->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        const QString error = m_record->errorString();
        m_record.reset();
        return QStringLiteral("%1: %2").arg(path, error);
    }
    return std::nullopt;
}

void PtyServer::closeDevice()
{
    m_readNotifier.reset();
    m_writeNotifier.reset();
    m_pumpTimer.stop();
    m_out.clear();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
}

void PtyServer::hangUp()
{
    if (!isUp())
        return;
    closeDevice();
    // The device's name goes with it, as an unplugged adapter's does; the number of the
    // pseudo-terminal may soon belong to another one.
    if (!m_linkPath.isEmpty())
        QFile::remove(m_linkPath);
    emit hungUp();
}

std::optional<QString> PtyServer::comeBack()
{
    if (auto error = start())
        return error;
    if (!m_linkPath.isEmpty())
        return makeLink(m_linkPath);
    return std::nullopt;
}

double PtyServer::secondsSinceStart() const
{
    return std::chrono::duration<double>(Clock::now() - m_started).count();
}

QByteArray PtyServer::commands() const
{
    QByteArray all;
    for (const Received &r : m_received)
        all += r.command;
    return all;
}

void PtyServer::clearRecord()
{
    m_received.clear();
    m_sent.clear();
    m_overlaps = 0;
    m_injected = 0;
}

void PtyServer::onReadable()
{
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                m_readNotifier->setEnabled(false);
            return;
        }
        for (ssize_t i = 0; i < n && isUp(); ++i)
            handle(buffer[i]);
        if (!isUp())
            return;
    }
}

void PtyServer::handle(char command)
{
    const double t = secondsSinceStart();
    if (m_keepRecord)
        m_received.push_back({t, command});
    if (m_record) {
        const QByteArray shown = command > ' ' && command < 127
                                     ? QByteArray(1, command)
                                     : QByteArray("\\x") + QByteArray::number(uchar(command), 16);
        m_record->write(QByteArray::number(t, 'f', 6) + ' ' + shown + '\n');
        m_record->flush();
    }
    emit commandReceived(command);

    if (!m_out.empty())
        ++m_overlaps;
    const Faults &faults = m_model.faults();
    if (faults.hangUpAfter >= 0 && m_commandCount >= faults.hangUpAfter) {
        hangUp();
        return;
    }
    ++m_commandCount;

    const CounterModel::Reply reply = m_model.respond(command);
    Faults now = faults;
    if (faults.random > 0 &&
        std::uniform_real_distribution<double>(0, 1)(m_random) < faults.random) {
        ++m_injected;
        switch (std::uniform_int_distribution<int>(0, 4)(m_random)) {
        case 0:
            now.silent = true;
            break;
        case 1:
            now.slowMs += 300;
            break;
        case 2:
            now.split = true;
            break;
        case 3:
            now.noCr = true;
            break;
        default:
            now.garbage = true;
            break;
        }
    }
    if (now.silent)
        return;
    schedule(distort(reply.bytes, now), reply.delay + std::chrono::milliseconds(now.slowMs),
             now.split);
}

QByteArray PtyServer::distort(QByteArray reply, const Faults &faults)
{
    if (faults.noCr)
        reply.replace('\r', QByteArray());
    if (faults.garbage) {
        static constexpr char noise[] = {'\0', '\n', '\b', char(0xFF)};
        std::uniform_int_distribution<int> count(1, 3);
        std::uniform_int_distribution<int> kind(0, 4);
        std::uniform_int_distribution<int> any(1, 254);
        for (int i = count(m_random); i > 0; --i) {
            const int k = kind(m_random);
            const char c = k < 4 ? noise[k] : char(any(m_random));
            const qsizetype end = reply.endsWith('\r') ? reply.size() - 1 : reply.size();
            std::uniform_int_distribution<qsizetype> at(0, end);
            reply.insert(at(m_random), c);
        }
    }
    return reply;
}

void PtyServer::schedule(const QByteArray &bytes, Clock::duration delay, bool split)
{
    if (bytes.isEmpty())
        return;
    Segment segment;
    segment.due = std::max(Clock::now() + delay, m_lineFree);
    segment.bytes = bytes;
    if (m_lineRate)
        segment.perByte = CharacterTime;
    else if (split)
        segment.perByte = SplitGap;
    m_lineFree = segment.due + segment.perByte * bytes.size();
    m_out.push_back(segment);
    pump();
}

void PtyServer::pump()
{
    using namespace std::chrono;
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    while (!m_out.empty() && isUp()) {
        Segment &head = m_out.front();
        const auto now = Clock::now();
        if (head.due > now)
            break;
        // Every byte whose time has come goes out in one write.
        qsizetype ready = head.bytes.size();
        if (head.perByte > Clock::duration::zero())
            ready = std::min<qsizetype>(ready, (now - head.due) / head.perByte + 1);
        const ssize_t n = ::write(m_master, head.bytes.constData(), size_t(ready));
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                m_writeNotifier->setEnabled(true);
            return;
        }
        const QByteArray written = head.bytes.left(n);
        if (m_keepRecord)
            m_sent += written;
        head.bytes.remove(0, n);
        head.due += head.perByte * n;
        const bool partial = !head.bytes.isEmpty() && n < ready;
        if (head.bytes.isEmpty())
            m_out.pop_front();
        // Listeners may hang up; nothing of the queue is held across the signal.
        emit sentBytes(written);
        if (partial && isUp()) {
            m_writeNotifier->setEnabled(true);
            return;
        }
    }
    if (!m_out.empty()) {
        const auto wait = ceil<milliseconds>(m_out.front().due - Clock::now());
        m_pumpTimer.start(std::max<milliseconds::rep>(0, wait.count()));
    }
}

} // namespace pelmix::sim
