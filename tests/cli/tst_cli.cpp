// pelmix-cli run as a separate process, against the simulated counter on a pseudo-terminal.

#include "analysis/Csv.h"
#include "tests/analysis/ReferenceData.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace pelmix;

namespace {

// Generous: these bound a hang, they do not judge speed.
constexpr int Patience = 20000;

struct Finished
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Finished runCli(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(PELMIX_CLI_PATH), arguments);
    if (!process.waitForFinished(Patience))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// pelmix-sim in its own process; its device path is its first line.
struct SimProcess
{
    QProcess process;
    QString device;

    explicit SimProcess(const QStringList &arguments)
    {
        process.start(QStringLiteral(PELMIX_SIM_PATH), arguments);
        if (process.waitForStarted() && process.waitForReadyRead(Patience))
            device = QString::fromLocal8Bit(process.readLine()).trimmed();
    }
    ~SimProcess()
    {
        process.terminate();
        process.waitForFinished(Patience);
    }
};

QStringList withDevice(QStringList arguments, const QString &device)
{
    arguments.replaceInStrings(QStringLiteral("{device}"), device);
    return arguments;
}

std::vector<analysis::CsvRow> csvRows(const QByteArray &bytes, QString *error = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    std::vector<analysis::CsvRow> rows;
    if (const auto failure = analysis::readCsv(&buffer, rows); failure && error)
        *error = failure->message;
    return rows;
}

QJsonObject jsonOf(const QByteArray &line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError)
        qWarning("not JSON: %s", line.constData());
    return document.object();
}

} // namespace

class CliTest : public QObject
{
    Q_OBJECT

private slots:
    void measuresInEachFormat_data();
    void measuresInEachFormat();
    void sendsWhatTheFrontPanelSends();
    void exitStatus_data();
    void exitStatus();
    void firstInterruptFinishesTheMeasurement();
    void analyzeReproducesPublishedDeviations_data();
    void analyzeReproducesPublishedDeviations();
    void analyzesWhatMeasureAppended();
    void serveReportsAMeasurementWithoutAnswer();
    void serveAnswersPyVisa();
};

void CliTest::measuresInEachFormat_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("count");

    QTest::newRow("csv") << u"csv"_qs << 3;
    QTest::newRow("jsonl") << u"jsonl"_qs << 2;
    QTest::newRow("text") << u"text"_qs << 2;
}

// 12345.678 Hz counted for 1 ms: 12 pulses, 12 kHz.
void CliTest::measuresInEachFormat()
{
    QFETCH(QString, format);
    QFETCH(int, count);

    const Finished run = runCli({u"measure"_qs, u"--simulate"_qs, u"--count"_qs,
                                 QString::number(count), u"--format"_qs, format});
    QCOMPARE(run.status, 0);
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    if (format == u"csv") {
        QString error;
        const std::vector<analysis::CsvRow> rows = csvRows(run.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(int(rows.size()), count);
        QCOMPARE(lines.size(), count + 1);
        for (const analysis::CsvRow &row : rows) {
            QCOMPARE(row.reading.status, analysis::Status::Ok);
            QCOMPARE(row.reading.value, 12000.0);
        }
    } else if (format == u"jsonl") {
        QCOMPARE(lines.size(), count);
        for (const QByteArray &line : lines) {
            const QJsonObject reading = jsonOf(line);
            QCOMPARE(reading.value(u"status"_qs).toString(), u"ok"_qs);
            QCOMPARE(reading.value(u"value"_qs).toDouble(), 12000.0);
            QCOMPARE(reading.value(u"mode"_qs).toString(), u"frequency"_qs);
        }
    } else {
        QCOMPARE(lines.size(), count);
        for (const QByteArray &line : lines) {
            QVERIFY2(line.endsWith("Z  12 kHz"), line.constData());
            QVERIFY(analysis::parseUtc(line.left(line.indexOf(' '))).has_value());
        }
    }
}

// What the window sends for period, analog, falling edge, filter on, level 2, multiplier
// position 1 from the counter's reset state: the status query, the upload (mode 't', edge
// 'k', filter 'b', calibration off 'j', the level stepped twice, the multiplier once), the
// data request; then the cycle's pause, and the same again with nothing left to step.
void CliTest::sendsWhatTheFrontPanelSends()
{
    QTemporaryDir dir;
    const QString record = dir.filePath(u"commands.txt"_qs);
    SimProcess sim({u"--record"_qs, record});
    QVERIFY(!sim.device.isEmpty());

    const Finished run = runCli(
        {u"measure"_qs, u"--port"_qs, sim.device, u"--count"_qs, u"2"_qs, u"--pause"_qs, u"0.2"_qs,
         u"--mode"_qs, u"period"_qs, u"--input"_qs, u"analog"_qs, u"--edge"_qs, u"falling"_qs,
         u"--filter"_qs, u"on"_qs, u"--level"_qs, u"2"_qs, u"--position"_qs, u"1"_qs});
    QCOMPARE(run.status, 0);

    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray commands;
    QList<double> times;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split(' ');
        times.append(fields.at(0).toDouble());
        commands += fields.at(1);
    }
    QCOMPARE(commands, QByteArray("wtkbj++CDwtkbjD"));
    const qsizetype firstData = commands.indexOf('D');
    QVERIFY2(times.at(firstData + 1) - times.at(firstData) >= 0.2,
             qPrintable(QString::number(times.at(firstData + 1) - times.at(firstData))));
}

void CliTest::exitStatus_data()
{
    QTest::addColumn<QStringList>("sim"); // pelmix-sim's arguments; none: no counter
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");   // on standard error, with the device
    QTest::addColumn<QString>("rowStatus"); // of the one reading written; none: no reading

    QTest::newRow("level out of range")
        << QStringList() << QStringList{u"measure"_qs, u"--simulate"_qs, u"--level"_qs, u"8"_qs}
        << 2 << u"--level '8'"_qs << QString();
    QTest::newRow("unknown command") << QStringList() << QStringList{u"mesure"_qs} << 2
                                     << u"unknown command 'mesure'"_qs << QString();
    QTest::newRow("missing port") << QStringList()
                                  << QStringList{u"measure"_qs, u"--port"_qs,
                                                 u"/dev/pelmix-none"_qs}
                                  << 3 << u"Com0 (/dev/pelmix-none): No such file or directory"_qs
                                  << QString();
    QTest::newRow("port lost while measuring")
        << QStringList{u"--fault"_qs, u"hang-up-after=3"_qs}
        << QStringList{u"measure"_qs, u"--port"_qs, u"{device}"_qs} << 3
        << u"Com0 ({device}): the device is gone"_qs << QString();
    QTest::newRow("silent counter") << QStringList{u"--fault"_qs, u"silent"_qs}
                                    << QStringList{u"measure"_qs, u"--port"_qs, u"{device}"_qs} << 1
                                    << u"Connection Error"_qs << u"timeout"_qs;
}

void CliTest::exitStatus()
{
    QFETCH(QStringList, sim);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QString, rowStatus);

    std::unique_ptr<SimProcess> counter;
    if (!sim.isEmpty())
        counter = std::make_unique<SimProcess>(sim);
    const QString device = counter ? counter->device : QString();
    const Finished run = runCli(withDevice(arguments, device));
    QCOMPARE(run.status, status);
    message.replace(u"{device}"_qs, device);
    QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
    const std::vector<analysis::CsvRow> rows = csvRows(run.out);
    QCOMPARE(rows.size(), rowStatus.isEmpty() ? 0u : 1u);
    if (!rowStatus.isEmpty())
        QCOMPARE(QString(analysis::statusName(rows.front().reading.status)), rowStatus);
}

void CliTest::firstInterruptFinishesTheMeasurement()
{
    QProcess process;
    process.start(QStringLiteral(PELMIX_CLI_PATH),
                  {u"measure"_qs, u"--simulate"_qs, u"--count"_qs, u"0"_qs, u"--pause"_qs,
                   u"0.05"_qs, u"--stats"_qs});
    QByteArray out;
    QVERIFY(QTest::qWaitFor(
        [&] {
            out += process.readAllStandardOutput();
            return out.count('\n') >= 3;
        },
        Patience));
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(Patience));
    out += process.readAllStandardOutput();
    const QByteArray err = process.readAllStandardError();

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY2(out.endsWith("\r\n"), out.constData());
    QString error;
    const std::vector<analysis::CsvRow> rows = csvRows(out, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(rows.size() >= 2);
    // The summary counts every reading written, the one under way at the signal included.
    QVERIFY2(err.contains("values  " + QByteArray::number(qsizetype(rows.size())) + " ("),
             err.constData());
}

void CliTest::analyzeReproducesPublishedDeviations_data()
{
    QTest::addColumn<qint64>("m");
    QTest::addColumn<QString>("oadev");
    QTest::addColumn<qint64>("oadevTerms");
    QTest::addColumn<QString>("mdev");
    QTest::addColumn<qint64>("mdevTerms");

    // NIST SP 1065 table 31, the 1000-point set.
    QTest::newRow("m 1") << 1LL << u"2.922319e-01"_qs << 999LL << u"2.922319e-01"_qs << 999LL;
    QTest::newRow("m 10") << 10LL << u"9.159953e-02"_qs << 981LL << u"6.172376e-02"_qs << 972LL;
    QTest::newRow("m 100") << 100LL << u"3.241343e-02"_qs << 801LL << u"2.170921e-02"_qs << 702LL;
}

void CliTest::analyzeReproducesPublishedDeviations()
{
    QFETCH(qint64, m);
    QFETCH(QString, oadev);
    QFETCH(qint64, oadevTerms);
    QFETCH(QString, mdev);
    QFETCH(qint64, mdevTerms);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"nist1000.txt"_qs);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# NIST SP 1065 1000-point set\n");
    for (const double value : analysis::reference::nist1000())
        file.write(analysis::formatNumber(value) + '\n');
    file.close();

    const Finished run =
        runCli({u"analyze"_qs, u"--json"_qs, u"--taus"_qs, QString::number(m), path});
    QCOMPARE(run.status, 0);
    const QJsonObject result = jsonOf(run.out);
    QCOMPARE(result.value(u"count"_qs).toInteger(), 1000);
    QCOMPARE(result.value(u"tau0"_qs).toDouble(), 1.0);
    const QJsonArray deviations = result.value(u"deviations"_qs).toArray();
    QCOMPARE(deviations.size(), 1);
    const QJsonObject point = deviations.at(0).toObject();
    QCOMPARE(point.value(u"m"_qs).toInteger(), m);
    QCOMPARE(QString::number(point.value(u"oadev"_qs).toDouble(), 'e', 6), oadev);
    QCOMPARE(point.value(u"n_oadev"_qs).toInteger(), oadevTerms);
    QCOMPARE(QString::number(point.value(u"mdev"_qs).toDouble(), 'e', 6), mdev);
    QCOMPARE(point.value(u"n_mdev"_qs).toInteger(), mdevTerms);
    const double mean = result.value(u"mean"_qs).toDouble();
    QCOMPARE(point.value(u"oadev_frac"_qs).toDouble(), point.value(u"oadev"_qs).toDouble() / mean);
}

// Two runs append to one file, the header once; analyze reads it as one series.
void CliTest::analyzesWhatMeasureAppended()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"run.csv"_qs);
    for (const char *count : {"2", "1"}) {
        const Finished run = runCli({u"measure"_qs, u"--simulate"_qs, u"--count"_qs,
                                     QString::fromLatin1(count), u"--output"_qs, path});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.isEmpty());
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count("time_utc"), 1);

    const Finished run = runCli({u"analyze"_qs, u"--json"_qs, u"--nominal"_qs, u"12000"_qs, path});
    QCOMPARE(run.status, 0);
    const QJsonObject result = jsonOf(run.out);
    QCOMPARE(result.value(u"count"_qs).toInteger(), 3);
    QCOMPARE(result.value(u"mean"_qs).toDouble(), 12000.0);
    QCOMPARE(result.value(u"unit"_qs).toString(), u"Hz"_qs);
    QVERIFY(result.value(u"tau0"_qs).toDouble() > 0);
}

// A status line too short to use ends the measurement at once: no value, error +301.
void CliTest::serveReportsAMeasurementWithoutAnswer()
{
    SimProcess sim({u"--fault"_qs, u"short-status"_qs});
    QProcess serve;
    serve.start(QStringLiteral(PELMIX_CLI_PATH),
                {u"serve"_qs, u"--port"_qs, sim.device, u"--listen"_qs, u"127.0.0.1:0"_qs});
    QVERIFY(serve.waitForReadyRead(Patience));
    const QString listening = QString::fromUtf8(serve.readLine()).trimmed();
    QVERIFY2(listening.startsWith(u"Listening on 127.0.0.1:"_qs), qPrintable(listening));

    QTcpSocket socket;
    socket.connectToHost(u"127.0.0.1"_qs, listening.section(u':', -1).toUShort());
    socket.write("MEAS:FREQ?;:SYST:ERR?\n");
    QVERIFY(QTest::qWaitFor([&] { return socket.canReadLine(); }, Patience));
    QCOMPARE(socket.readLine(),
             QByteArray("+9.91000000000000E+037;+301,\"No reply from the counter;unreadable "
                        "reply to the status query\"\n"));

    serve.terminate();
    QVERIFY(serve.waitForFinished(Patience));
    QCOMPARE(serve.exitCode(), 0);
}

// A lab script's PyVISA session measures the simulated counter's 12 kHz through serve.
void CliTest::serveAnswersPyVisa()
{
    QString python;
    for (const QString &candidate : {u"python3"_qs, u"/usr/bin/python3"_qs}) {
        QProcess probe;
        probe.start(candidate, {u"-c"_qs, u"import pyvisa, pyvisa_py"_qs});
        if (probe.waitForFinished(Patience) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0) {
            python = candidate;
            break;
        }
    }
    if (python.isEmpty())
        QSKIP("PyVISA with the pyvisa-py backend is not installed");

    QProcess serve;
    serve.start(QStringLiteral(PELMIX_CLI_PATH),
                {u"serve"_qs, u"--simulate"_qs, u"--listen"_qs, u"127.0.0.1:0"_qs});
    QVERIFY(serve.waitForReadyRead(Patience));
    const QString endpoint =
        QString::fromUtf8(serve.readLine()).trimmed().remove(u"Listening on "_qs);

    QProcess client;
    client.start(python, {QStringLiteral(PELMIX_SCPI_CLIENT), endpoint, u"12000"_qs});
    QVERIFY(client.waitForFinished(Patience));
    QVERIFY2(client.exitCode() == 0, client.readAll().constData());

    serve.terminate();
    QVERIFY(serve.waitForFinished(Patience));
    QCOMPARE(serve.exitCode(), 0);
}

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
