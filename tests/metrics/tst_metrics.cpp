// The metrics of a session on the simulated counter, as a scrape reads them, and the HTTP
// endpoint that serves them.

#include "../common/RunTask.h"
#include "../common/SimRig.h"

#include "measure/Session.h"
#include "metrics/Exporter.h"
#include "metrics/HttpEndpoint.h"

#include <QRegularExpression>
#include <QTcpSocket>

using namespace pelmix;

namespace {

constexpr int Patience = 20000;

// The value of the series `name` with the `labels` given, if the exposition has it.
std::optional<double> sample(const std::string &exposition, const QString &name,
                             const QString &labels = {})
{
    const QRegularExpression line(u"^"_qs + name + u"\\{[^}]*"_qs +
                                      QRegularExpression::escape(labels) + u"[^}]*\\} (\\S+)$"_qs,
                                  QRegularExpression::MultilineOption);
    const auto match = line.match(QString::fromStdString(exposition));
    return match.hasMatch() ? std::optional(match.captured(1).toDouble()) : std::nullopt;
}

struct SessionRig
{
    sim::CounterModel model;
    sim::PtyServer server{model};
    test::RecordingReporter reporter;
    measure::Session session{reporter};
    metrics::Exporter exporter{u"Simulated counter"_qs, u"Com2"_qs};

    SessionRig()
    {
        if (auto error = server.start())
            qFatal("cannot start the simulated counter: %s", qPrintable(*error));
        if (auto error = session.openPort(2, server.devicePath()))
            qFatal("cannot open the simulated counter: %s", qPrintable(*error));
        exporter.follow(session);
    }
    ~SessionRig() { session.shutDown(); }
};

} // namespace

class MetricsTest : public QObject
{
    Q_OBJECT

private slots:
    // Each step measures once: "ok" with the counter answering, "silent" without an answer,
    // "gone" after the device has gone.
    void scrapeAfter_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<double>("readings");
        QTest::addColumn<double>("timeouts");
        QTest::addColumn<bool>("lastValue"); // shown
        QTest::addColumn<bool>("series");    // its mean shown
        QTest::addColumn<double>("portOpen");

        QTest::newRow("three readings") << u"ok ok ok"_qs << 3.0 << 0.0 << true << true << 1.0;
        QTest::newRow("no answer after a reading")
            << u"ok silent"_qs << 1.0 << 1.0 << false << true << 1.0;
        QTest::newRow("a reading after no answer")
            << u"silent ok"_qs << 1.0 << 1.0 << true << true << 1.0;
        QTest::newRow("device gone after a reading")
            << u"ok gone"_qs << 1.0 << 0.0 << false << false << 0.0;
    }
    void scrapeAfter()
    {
        QFETCH(QString, steps);
        QFETCH(double, readings);
        QFETCH(double, timeouts);
        QFETCH(bool, lastValue);
        QFETCH(double, portOpen);
        SessionRig rig;
        const Setup setup{Mode::Frequency, 0};
        measure::Result last;
        qint64 lastUtcMs = 0;
        for (const QString &step : steps.split(u' ')) {
            rig.model.faults().silent = step == u"silent";
            if (step == u"gone")
                rig.server.hangUp();
            last = test::run(rig.session.meter().measure(setup));
            if (last.hasValue())
                lastUtcMs = last.utcMs;
        }

        const std::string scrape = rig.exporter.exposition();
        const QString frequency = u"mode=\"frequency\""_qs;
        QCOMPARE(sample(scrape, u"pelmix_readings_total"_qs, frequency), std::optional(readings));
        QCOMPARE(sample(scrape, u"pelmix_gaps_total"_qs, frequency + u",reason=\"timeout\""_qs),
                 std::optional(timeouts));
        QCOMPARE(sample(scrape, u"pelmix_port_open"_qs), std::optional(portOpen));
        QCOMPARE(sample(scrape, u"pelmix_last_value_timestamp_seconds"_qs, frequency),
                 std::optional(double(lastUtcMs) / 1000));
        QCOMPARE(sample(scrape, u"pelmix_last_value_hertz"_qs, frequency),
                 lastValue ? std::optional(last.value) : std::nullopt);
        QTEST(sample(scrape, u"pelmix_series_mean_hertz"_qs).has_value(), "series");
        QCOMPARE(sample(scrape, u"pelmix_measurement_duration_seconds_count"_qs, frequency),
                 std::optional(double(steps.count(u' ') + 1)));
    }

    void http_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply"); // its start

        const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Type: text/plain; version=0.0.4";
        QTest::newRow("scrape") << QByteArray("GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n")
                                << ok + "; charset=utf-8\r\nContent-Length: 12\r\n"
                                        "Connection: close\r\n\r\npelmix_up 1\n";
        QTest::newRow("scrape with a query")
            << QByteArray("GET /metrics?x=1 HTTP/1.0\r\n\r\n") << ok;
        QTest::newRow("head") << QByteArray("HEAD /metrics HTTP/1.1\r\n\r\n") << ok;
        QTest::newRow("post") << QByteArray("POST /metrics HTTP/1.1\r\n\r\n")
                              << QByteArray("HTTP/1.1 405 Method Not Allowed");
        QTest::newRow("other path")
            << QByteArray("GET /metric HTTP/1.1\r\n\r\n") << QByteArray("HTTP/1.1 404 Not Found");
        QTest::newRow("not HTTP") << QByteArray("hello\r\n\r\n")
                                  << QByteArray("HTTP/1.1 400 Bad Request");
        QTest::newRow("endless header") << "GET /metrics HTTP/1.1\r\nX: " + QByteArray(9000, 'x')
                                        << QByteArray("HTTP/1.1 431 ");
    }
    void http()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        metrics::HttpEndpoint endpoint([] { return std::string("pelmix_up 1\n"); });
        QVERIFY(endpoint.listen(QHostAddress::LocalHost, 0));
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, endpoint.port());
        client.write(request);
        // The endpoint answers and closes; a closed connection has the whole reply.
        QVERIFY(QTest::qWaitFor([&] { return client.state() == QAbstractSocket::UnconnectedState; },
                                Patience));
        const QByteArray received = client.readAll();
        QVERIFY2(received.startsWith(reply), received.constData());
        QCOMPARE(received.endsWith("\r\n\r\n"), request.startsWith("HEAD"));
    }
};

QTEST_GUILESS_MAIN(MetricsTest)
#include "tst_metrics.moc"
