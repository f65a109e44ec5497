// Runs arbitrary program messages through the SCPI parser and the command table, as
// clients would send them, against a counter that answers at once.
// Input: lines split at '\n' (Latin-1); odd lines come from a second connection.

#include "remote/Engine.h"
#include "remote/Instrument.h"

#include "FuzzCheck.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

using namespace pelmix;
using namespace pelmix::remote;

namespace {

constexpr qsizetype MaxLines = 64;

// Answers every measurement at once; every fourth one fails.
class InstantCounter final : public Instrument
{
public:
    QString model() const override { return QStringLiteral("Fuzz"); }
    QString port() const override { return QStringLiteral("none"); }
    QString version() const override { return QStringLiteral("0"); }
    QCoro::Task<measure::Result> measure(Setup setup) override
    {
        measure::Result result;
        result.setup = setup;
        if (++m_count % 4 != 0) {
            result.status = Status::Ok;
            result.value = double(m_count);
        }
        co_return result;
    }
    void abort() override {}

private:
    int m_count = 0;
};

QCoro::Task<> runLine(Engine *engine, QString line, std::shared_ptr<Session> session,
                      QString *reply, bool *done)
{
    *reply = co_await engine->execute(std::move(line), std::move(session));
    *done = true;
}

// A reply is printable, one line, unless it holds the help's block of headers.
void checkReply(const QString &reply)
{
    const bool block = reply.contains(u'#');
    for (const QChar c : reply)
        FUZZ_CHECK((c.unicode() >= 0x20 && c.unicode() < 0x7f) || (block && c == u'\n'));
}

void checkState(const Engine &engine, const Session &session)
{
    constexpr quint8 EventBits = 0x01 | 0x04 | 0x08 | 0x10 | 0x20;
    FUZZ_CHECK((session.events & ~EventBits) == 0);
    FUZZ_CHECK(session.errors.size() <= ErrorQueue::Capacity);
    FUZZ_CHECK(engine.settings().setup.isValid());
    FUZZ_CHECK(engine.settings().sampleCount >= 1 && engine.settings().sampleCount <= 1000);
    FUZZ_CHECK(!engine.isMeasuring());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InstantCounter counter;
    Engine engine(counter);
    const std::array sessions{std::make_shared<Session>(), std::make_shared<Session>()};
    const QList<QByteArray> lines =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)).split('\n');
    for (qsizetype i = 0; i < std::min(lines.size(), MaxLines); ++i) {
        const std::shared_ptr<Session> &session = sessions[std::size_t(i % 2)];
        QString reply;
        bool done = false;
        runLine(&engine, QString::fromLatin1(lines[i]), session, &reply, &done);
        // Nothing waits on a counter that answers at once.
        FUZZ_CHECK(done);
        checkReply(reply);
        checkState(engine, *session);
    }
    return 0;
}
