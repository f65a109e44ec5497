// The SCPI server on a made-up counter, for trying clients against it:
//   scpi_fake_server [--listen ADDRESS:PORT] [--run PROGRAM ARGUMENTS...]
// With --run, the program gets the server's ADDRESS:PORT as its last argument, and its exit
// code is this one's; 77 when it cannot be started.
#include "remote/Instrument.h"
#include "remote/Server.h"

#include <QCoreApplication>
#include <QCoroTimer>
#include <QProcess>

#include <chrono>
#include <cstdio>

using namespace pelmix::remote;

namespace {

constexpr int Skipped = 77;

// Frequencies that climb by half a hertz from 10 kHz, periods and intervals from them, and
// a totalizer that never answers.
class DemoCounter : public Instrument
{
public:
    QString model() const override { return u"Demo counter"_qs; }
    QString port() const override { return u"none"_qs; }
    QString version() const override { return u"0"_qs; }

    QCoro::Task<Measurement> measure(Configuration configuration) override
    {
        co_await QCoro::sleepFor(std::chrono::milliseconds(1));
        const double frequency = 10000 + 0.5 * m_taken++;
        switch (configuration.function) {
        case Function::Frequency:
            co_return Measurement{true, frequency, {}};
        case Function::Period:
            co_return Measurement{true, 1 / frequency, {}};
        case Function::Interval:
            co_return Measurement{true, 0.5 / frequency, {}};
        case Function::Totalize:
            break;
        }
        co_return Measurement{false, 0, u"the demo counter does not count"_qs};
    }

private:
    int m_taken = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    Endpoint endpoint{QHostAddress(QHostAddress::LocalHost), 0};
    if (arguments.size() >= 2 && arguments.front() == u"--listen") {
        const std::optional<Endpoint> named = parseEndpoint(arguments.at(1));
        if (!named) {
            std::fprintf(stderr, "Not an ADDRESS:PORT: %s\n", qPrintable(arguments.at(1)));
            return 2;
        }
        endpoint = *named;
        arguments = arguments.mid(2);
    }
    QStringList run;
    if (!arguments.isEmpty() && arguments.front() == u"--run")
        run = arguments.mid(1);

    DemoCounter counter;
    Server server(counter);
    if (!server.listen(endpoint)) {
        std::fprintf(stderr, "Cannot listen: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    const Endpoint listening = server.endpoint();
    const QString host = listening.address.protocol() == QAbstractSocket::IPv6Protocol
                             ? u'[' + listening.address.toString() + u']'
                             : listening.address.toString();
    const QString address = host + u':' + QString::number(listening.port);
    if (run.isEmpty()) {
        std::printf("Listening on %s\n", qPrintable(address));
        std::fflush(stdout);
        return app.exec();
    }

    QProcess client;
    client.setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(&client, &QProcess::finished, &app,
                     [&app](int code, QProcess::ExitStatus status) {
                         app.exit(status == QProcess::NormalExit ? code : 1);
                     });
    QObject::connect(&client, &QProcess::errorOccurred, &app, [&app](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            app.exit(Skipped);
    });
    client.start(run.front(), run.mid(1) << address);
    return app.exec();
}
