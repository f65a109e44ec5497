// pelmix-cli run as a separate process, against the simulated counter on a pseudo-terminal.

#include "readings/CsvReader.h"
#include "readings/ReadingText.h"
#include "tests/analysis/ReferenceData.h"
#include "tests/common/SmallDisk.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace pelmix;

namespace {

// Generous: these bound a hang, they do not judge speed.
constexpr int Patience = 20000;

QStringList words(const QString &line)
{
    return line.split(u' ');
}

struct Finished
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// With a settings folder of its own when one is named.
Finished runCli(const QStringList &arguments, const QString &configHome = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!configHome.isEmpty())
        environment.insert(u"XDG_CONFIG_HOME"_qs, configHome);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(PELMIX_CLI_PATH), arguments);
    if (!process.waitForFinished(Patience))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// A program that runs until the test ends it; pelmix-sim's first line is its device path,
// `serve`'s is where it listens.
struct Running
{
    QProcess process;
    QString firstLine;

    Running(const char *program, const QStringList &arguments)
    {
        process.start(QString::fromUtf8(program), arguments);
        if (process.waitForStarted() && process.waitForReadyRead(Patience))
            firstLine = QString::fromUtf8(process.readLine()).trimmed();
    }
    // SIGTERM ends either with status 0.
    int end()
    {
        process.terminate();
        return process.waitForFinished(Patience) ? process.exitCode() : -1;
    }
    ~Running() { end(); }
};

// `serve` on pelmix-sim started with `simArguments`; none: on its own --simulate.
struct Served
{
    std::optional<Running> sim;
    std::optional<Running> serve;

    explicit Served(const QString &simArguments)
    {
        const QStringList listen = words(u"serve --listen 127.0.0.1:0"_qs);
        if (simArguments.isEmpty()) {
            serve.emplace(PELMIX_CLI_PATH, listen + QStringList{u"--simulate"_qs});
            return;
        }
        sim.emplace(PELMIX_SIM_PATH, words(simArguments));
        serve.emplace(PELMIX_CLI_PATH, listen + QStringList{u"--port"_qs, sim->firstLine});
    }
    quint16 port() const { return serve->firstLine.section(u':', -1).toUShort(); }
};

int statusOf(const QString &arguments)
{
    return runCli(words(arguments)).status;
}

QJsonObject jsonOf(const QByteArray &line)
{
    return QJsonDocument::fromJson(line).object();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class CliTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    bool write(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

private slots:
    void runs_data()
    {
        QTest::addColumn<QString>("sim"); // pelmix-sim's arguments; none: no counter
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message"); // on standard error, with the device
        QTest::addColumn<QString>("out");     // a pattern for all of standard output

        const QString time = uR"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)"_qs;
        const QString header = u"time_utc,.*\r\n"_qs;
        // 12345.678 Hz counted for 1 ms reads 12 kHz.
        QTest::newRow("jsonl")
            << QString() << u"measure --simulate --format jsonl"_qs << 0 << QString()
            << uR"(\{.*"mode":"frequency",.*"status":"ok","time_utc":"%1","unit":"Hz",)"
               uR"("value":12000\}\n)"_qs.arg(time);
        QTest::newRow("text") << QString() << u"measure --simulate --format text"_qs << 0
                              << QString() << time + u"  12 kHz\n"_qs;
        QTest::newRow("level out of range") << QString() << u"measure --simulate --level 8"_qs << 2
                                            << u"--level '8'"_qs << QString();
        QTest::newRow("analyze: unknown deviation")
            << QString() << u"analyze --deviations oadev,xdev -"_qs << 2
            << u"--deviations 'oadev,xdev'"_qs << QString();
        QTest::newRow("unknown command")
            << QString() << u"mesure"_qs << 2 << u"unknown command 'mesure'"_qs << QString();
        QTest::newRow("missing port")
            << QString() << u"measure --port /dev/pelmix-none"_qs << 3
            << u"/dev/pelmix-none: No such file or directory"_qs << QString();
        QTest::newRow("port lost while measuring")
            << u"--fault hang-up-after=3"_qs << u"measure --port {device}"_qs << 3
            << u"{device}: the device is gone"_qs
            << header + u"%1,[^,]+,frequency,,Hz,,s,0,lost,digital,0,rising,off\r\n"_qs.arg(time);
        QTest::newRow("a pipe named as the output: the header too")
            << QString() << u"measure --simulate --output /dev/stdout"_qs << 0 << QString()
            << header + u"%1,[^,]+,frequency,12000,Hz,.*\r\n"_qs.arg(time);
        QTest::newRow("an output that takes nothing")
            << QString() << u"measure --simulate --output /dev/full"_qs << 1
            << u"cannot write to /dev/full: No space left on device"_qs << QString();
        // 12345.678 Hz counted for 10 s reads 12345.678 Hz, but the counter kept 1 ms.
        QTest::newRow("stuck measuring time: unconfirmed, its value kept")
            << u"--fault stuck-time"_qs << u"measure --position 3 --port {device}"_qs << 1
            << u"Connection Error"_qs
            << header +
                   u"%1,[^,]+,frequency,12,Hz,[^,]+,s,3,unconfirmed,digital,0,rising,off\r\n"_qs
                       .arg(time);
        QTest::newRow("silent counter: a gap")
            << u"--fault silent"_qs << u"measure --port {device}"_qs << 1 << u"Connection Error"_qs
            << header +
                   u"%1,[^,]+,frequency,,Hz,,s,0,timeout,digital,0,rising,off\r\n"_qs.arg(time);
    }
    void runs()
    {
        QFETCH(QString, sim);
        QFETCH(QString, arguments);
        QFETCH(QString, message);
        QFETCH(QString, out);
        std::optional<Running> counter;
        if (!sim.isEmpty())
            counter.emplace(PELMIX_SIM_PATH, words(sim));
        const QString device = counter ? counter->firstLine : QString();
        const Finished run = runCli(words(arguments.replace(u"{device}"_qs, device)));
        QTEST(run.status, "status");
        QVERIFY2(QString::fromUtf8(run.err).contains(message.replace(u"{device}"_qs, device)),
                 run.err.constData());
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(out))
                     .match(QString::fromUtf8(run.out))
                     .hasMatch(),
                 run.out.constData());
    }

    // What the window sends for period, analog, falling edge, filter on, level 2, multiplier
    // position 1 from the counter's reset state: the status query, the upload (mode 't', edge
    // 'k', filter 'b', calibration off 'j', the level stepped twice, the multiplier once), the
    // data request; then the cycle's pause, and the same again with nothing left to step.
    void sendsWhatTheFrontPanelSends()
    {
        const QString record = m_dir.filePath(u"commands.txt"_qs);
        Running sim(PELMIX_SIM_PATH, {u"--record"_qs, record});
        const Finished run = runCli(words(u"measure --count 2 --pause 0.2 --mode period --input "
                                          "analog --edge falling --filter on --level 2 "
                                          "--position 1 --port"_qs)
                                    << sim.firstLine);
        QCOMPARE(run.status, 0);

        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray commands;
        QList<double> times;
        for (const QByteArray &line : file.readAll().trimmed().split('\n')) {
            times << line.split(' ').at(0).toDouble();
            commands += line.split(' ').at(1);
        }
        QCOMPARE(commands, QByteArray("wtkbj++CDwtkbjD"));
        const qsizetype firstData = commands.indexOf('D');
        QVERIFY2(times.at(firstData + 1) - times.at(firstData) >= 0.2,
                 qPrintable(QString::number(times.at(firstData + 1) - times.at(firstData))));
    }

    // The first interrupt lets the measurement under way finish and be written; the summary
    // counts every reading written.
    void firstInterruptFinishesTheMeasurement()
    {
        QProcess process;
        process.start(QStringLiteral(PELMIX_CLI_PATH),
                      words(u"measure --simulate --count 0 --pause 0.05 --stats"_qs));
        QByteArray out;
        QVERIFY(QTest::qWaitFor(
            [&] {
                out += process.readAllStandardOutput();
                return out.count('\n') >= 2;
            },
            Patience));
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(Patience));
        out += process.readAllStandardOutput();
        const QByteArray err = process.readAllStandardError();
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY2(out.endsWith("\r\n"), out.constData());
        QBuffer buffer(&out);
        buffer.open(QIODevice::ReadOnly);
        std::vector<readings::Row> rows;
        const auto error = readings::readCsv(&buffer, rows).error;
        QVERIFY2(!error && !rows.empty(), qPrintable(error ? error->message : QString()));
        QVERIFY2(err.contains("values  " + QByteArray::number(qsizetype(rows.size())) + " ("),
                 err.constData());
    }

    // NIST SP 1065 table 31: the 1000-point set as plain numbers, the factors as a list:
    // today's keys, and the stability of the set taken as fractional frequency.
    void analyzeReproducesPublishedDeviations()
    {
        QByteArray text = "# NIST SP 1065 1000-point set\n";
        for (const double value : analysis::reference::nist1000())
            text += readings::formatNumber(value) + '\n';
        QVERIFY(write(u"nist1000.txt"_qs, text));
        const QString path = m_dir.filePath(u"nist1000.txt"_qs);
        const Finished run = runCli(words(u"analyze --json --taus 1,10,100 --data fractional "
                                          u"--deviations adev,tdev,totdev"_qs)
                                    << path);
        QCOMPARE(run.status, 0);
        const QJsonObject result = jsonOf(run.out);
        QCOMPARE(result.value(u"count"_qs).toInteger(), 1000);
        QCOMPARE(result.value(u"tau0"_qs).toDouble(), 1.0);
        QStringList points;
        for (const QJsonValue &value : result.value(u"deviations"_qs).toArray()) {
            const QJsonObject p = value.toObject();
            QCOMPARE(p.value(u"oadev_frac"_qs).toDouble(),
                     p.value(u"oadev"_qs).toDouble() / result.value(u"mean"_qs).toDouble());
            QStringList point;
            for (const QString &key :
                 {u"m"_qs, u"oadev"_qs, u"n_oadev"_qs, u"mdev"_qs, u"n_mdev"_qs})
                point << QString::number(p.value(key).toDouble(), 'g', 7);
            points << point.join(u' ');
        }
        QCOMPARE(points, (QStringList{u"1 0.2922319 999 0.2922319 999"_qs,
                                      u"10 0.09159953 981 0.06172376 972"_qs,
                                      u"100 0.03241343 801 0.02170921 702"_qs}));

        QCOMPARE(result.value(u"data"_qs).toString(), u"fractional"_qs);
        const QJsonObject stability = result.value(u"stability"_qs).toObject();
        QCOMPARE(stability.keys(), (QStringList{u"adev"_qs, u"tdev"_qs, u"totdev"_qs}));
        QStringList rows;
        for (const QString &kind : stability.keys()) {
            for (const QJsonValue &value : stability.value(kind).toArray()) {
                const QJsonObject p = value.toObject();
                QVERIFY(p.value(u"low"_qs).toDouble() < p.value(u"value"_qs).toDouble());
                QVERIFY(p.value(u"high"_qs).toDouble() > p.value(u"value"_qs).toDouble());
                QVERIFY(p.value(u"edf"_qs).toDouble() > 0);
                // White FM at every factor, as the reference program finds it.
                QCOMPARE(p.value(u"alpha"_qs), QJsonValue(0));
                QCOMPARE(p.value(u"alpha_assumed"_qs), QJsonValue(false));
                rows << u"%1 %2 %3 %4"_qs.arg(kind)
                            .arg(p.value(u"m"_qs).toInteger())
                            .arg(p.value(u"n"_qs).toInteger())
                            .arg(p.value(u"value"_qs).toDouble(), 0, 'e', 6);
            }
        }
        QCOMPARE(rows,
                 (QStringList{u"adev 1 999 2.922319e-01"_qs, u"adev 10 99 9.965736e-02"_qs,
                              u"adev 100 9 3.897804e-02"_qs, u"tdev 1 999 1.687202e-01"_qs,
                              u"tdev 10 972 3.563623e-01"_qs, u"tdev 100 702 1.253382e+00"_qs,
                              u"totdev 1 999 2.922319e-01"_qs, u"totdev 10 999 9.134743e-02"_qs,
                              u"totdev 100 999 3.406530e-02"_qs}));
    }

    // Counts have no stability, and say so; time intervals are phase data. Two runs append
    // to one file, the header once; analyze reads it as one series.
    void analyzeTakesTheModeOfReadings_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("data"); // none: no stability
        QTest::addColumn<QString>("text");
        QTest::newRow("count") << u"count"_qs << QString()
                               << u"stability: count readings have no frequency stability"_qs;
        QTest::newRow("interval") << u"interval"_qs << u"phase"_qs
                                  << u"stability of phase data in seconds"_qs;
        QTest::newRow("frequency") << u"frequency"_qs << u"frequency"_qs
                                   << u"fractional frequency against the mean 12000 Hz"_qs;
    }
    void analyzeTakesTheModeOfReadings()
    {
        QFETCH(QString, mode);
        QFETCH(QString, data);
        QFETCH(QString, text);
        const QString path = m_dir.filePath(mode + u".csv"_qs);
        for (const QString &count : {u"2"_qs, u"1"_qs}) {
            const Finished run = runCli(words(
                u"measure --simulate --count %1 --mode %2 --output %3"_qs.arg(count, mode, path)));
            QCOMPARE(run.status, 0);
            QVERIFY(run.out.isEmpty());
        }
        const Finished json = runCli(words(u"analyze --json --taus 1 "_qs + path));
        QCOMPARE(json.status, 0);
        const QJsonObject result = jsonOf(json.out);
        QCOMPARE(result.value(u"count"_qs).toInteger(), 3);
        QCOMPARE(result.value(u"data"_qs).toString(), data);
        QCOMPARE(result.value(u"stability"_qs).isNull(), data.isNull());
        const Finished table = runCli(words(u"analyze --taus 1 "_qs + path));
        QVERIFY2(table.out.contains(text.toUtf8()), table.out.constData());
    }

    // Files that are no one series are refused, naming both and what differs; a plain
    // file's first line is read as a number; a torn row is skipped with a warning.
    void analyzeReadsFilesOfOneKind_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message"); // on standard error

        QTest::newRow("readings, then plain numbers")
            << QStringList{u"run.csv"_qs, u"white.txt"_qs} << 1
            << u"run.csv holds frequency readings in Hz at setting 0, white.txt holds plain "
               "numbers: they are no one series"_qs;
        QTest::newRow("plain numbers, then readings")
            << QStringList{u"white.txt"_qs, u"run.csv"_qs} << 1
            << u"run.csv holds readings, white.txt holds plain numbers"_qs;
        QTest::newRow("frequencies, then periods")
            << QStringList{u"run.csv"_qs, u"periods.csv"_qs} << 1
            << u"run.csv holds frequency readings in Hz at setting 0, periods.csv holds period "
               "readings in s at setting 0"_qs;
        QTest::newRow("a first line that is no number")
            << QStringList{u"comma.txt"_qs} << 1 << u"comma.txt: line 1: '1,5' is not a number"_qs;
        QTest::newRow("a torn row")
            << QStringList{u"torn.csv"_qs} << 0 << u"torn.csv: skipped a torn row (line 4)"_qs;
    }
    void analyzeReadsFilesOfOneKind()
    {
        QFETCH(QStringList, files);
        QDir::setCurrent(m_dir.path());
        const QString run = m_dir.filePath(u"run.csv"_qs);
        if (!QFile::exists(m_dir.filePath(u"white.txt"_qs))) {
            QFile::remove(run);
            QCOMPARE(statusOf(u"measure --simulate --count 2 --output run.csv"_qs), 0);
            QCOMPARE(
                statusOf(u"measure --simulate --mode period --count 2 --output periods.csv"_qs), 0);
            const QByteArray lines = contents(run);
            QVERIFY(write(u"comma.txt"_qs, "1,5\n2\n") &&
                    write(u"torn.csv"_qs, lines + lines.split('\n').at(1).left(40) + "\n" +
                                              lines.split('\n').at(2)) &&
                    write(u"white.txt"_qs, "8.1e-05\n8.2e-05\n"));
        }
        const Finished analysis = runCli(QStringList{u"analyze"_qs} + files);
        QTEST(analysis.status, "status");
        QFETCH(QString, message);
        QVERIFY2(QString::fromUtf8(analysis.err).contains(message), analysis.err.constData());
    }

    // On a disk that fills up, --output stops with the system's reason and leaves whole
    // lines only; once there is room again, the next run goes on in the same file.
    void outputOnAFullDisk()
    {
        test::SmallDisk disk;
        if (!disk.isMounted())
            QSKIP(qPrintable(disk.why()));
        const QString path = disk.path(u"run.csv"_qs);
        const QStringList measure = words(u"measure --simulate --pause 0 --output"_qs) << path;
        QCOMPARE(runCli(measure + words(u"--count 2"_qs)).status, 0);
        // Room for the lock file beside it, and a few lines.
        disk.fill(10000);
        const Finished full = runCli(measure + words(u"--count 0"_qs));
        QCOMPARE(full.status, 1);
        QVERIFY2(full.err.contains(": No space left on device\n"), full.err.constData());
        QCOMPARE(full.err.count("No space"), 1);
        QVERIFY(contents(path).endsWith("\r\n"));
        disk.free();
        QCOMPARE(runCli(measure + words(u"--count 1"_qs)).status, 0);
        const Finished analysis = runCli(words(u"analyze --json"_qs) << path);
        QCOMPARE(analysis.status, 0);
        QVERIFY2(analysis.err.isEmpty(), analysis.err.constData());
        QCOMPARE(jsonOf(analysis.out).value(u"count"_qs).toInteger(),
                 contents(path).count('\n') - 1);
    }

    // A second `measure` into a file that one is writing is refused, naming the first.
    void twoWritersOfOneOutput()
    {
        const QString path = m_dir.filePath(u"shared.csv"_qs);
        QProcess first;
        first.start(QStringLiteral(PELMIX_CLI_PATH),
                    words(u"measure --simulate --count 0 --pause 0.05 --output"_qs) << path);
        QVERIFY(QTest::qWaitFor([&] { return contents(path).count('\n') >= 2; }, Patience));
        const Finished second = runCli(words(u"measure --simulate --output"_qs) << path);
        QCOMPARE(second.status, 1);
        QVERIFY2(second.err.contains("is being written by pelmix-cli (process " +
                                     QByteArray::number(first.processId())),
                 second.err.constData());
        first.terminate();
        QVERIFY(first.waitForFinished(Patience));
        QCOMPARE(first.exitCode(), 0);
    }

    // A port the settings give a ComN is listed with it, beside the name it has anyway.
    void portsNamesTheComOfAPort()
    {
        const Finished plain = runCli({u"ports"_qs}, m_dir.filePath(u"plain"_qs));
        QCOMPARE(plain.status, 0);
        if (plain.out.isEmpty())
            QSKIP("this machine has no serial port");
        const QByteArray device = plain.out.split('\n').at(1).split(' ').at(0);
        const QString config = m_dir.filePath(u"mapped"_qs);
        QSettings(config + u"/Pelmix/Pelmix.conf"_qs, QSettings::IniFormat)
            .setValue(u"Ports/Com7"_qs, device);
        const Finished mapped = runCli({u"ports"_qs}, config);
        QCOMPARE(mapped.status, 0);
        QVERIFY2(QRegularExpression(u"^DEVICE +COM +DESCRIPTION.*\n"_qs + device +
                                    u" +(Com\\d,)*Com7 "_qs)
                     .match(QString::fromUtf8(mapped.out))
                     .hasMatch(),
                 mapped.out.constData());
    }

    // A status line too short to use ends the measurement at once: no value, error +301.
    void serveReportsAMeasurementWithoutAnswer()
    {
        Served served(u"--fault short-status"_qs);
        QVERIFY2(served.serve->firstLine.startsWith(u"Listening on 127.0.0.1:"_qs),
                 qPrintable(served.serve->firstLine));
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_qs, served.port());
        socket.write("MEAS:FREQ?;:SYST:ERR?\n");
        QVERIFY(QTest::qWaitFor([&] { return socket.canReadLine(); }, Patience));
        QCOMPARE(socket.readLine(),
                 QByteArray("+9.91000000000000E+037;+301,\"No reply from the counter;unreadable "
                            "reply to the status query\"\n"));
        QCOMPARE(served.serve->end(), 0);
    }

    // Against a counter that spoils 5 % of its replies, every sample of a READ? is taken: a
    // failed one reads 9.91E37 and has its own error.
    void serveReadsThroughSpoiledReplies()
    {
        Served served(u"--fault random=0.05 --seed 4"_qs);
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_qs, served.port());
        socket.write("FREQ:GATE:TIME 0.001;:SAMP:COUN 20;:READ?;:SYST:ERR:COUN?\n");
        QVERIFY(QTest::qWaitFor([&] { return socket.canReadLine(); }, 4 * Patience));
        const QList<QByteArray> replies = socket.readLine().trimmed().split(';');
        const QList<QByteArray> readings = replies.front().split(',');
        QCOMPARE(readings.size(), 20);
        const qsizetype failed = readings.count("+9.91000000000000E+037");
        QVERIFY2(failed > 0 && failed < 20, replies.front().constData());
        QCOMPARE(replies.back().toInt(), int(failed));
        socket.write("SYST:ERR?\n");
        QVERIFY(QTest::qWaitFor([&] { return socket.canReadLine(); }, Patience));
        QVERIFY(socket.readLine().startsWith("+301,\"No reply from the counter;"));
        QCOMPARE(served.serve->end(), 0);
    }

    // SIGTERM during a READ?: the measurement stops at its next exchange, the query gets
    // the readings taken, then the server closes and exits 0.
    void serveAnswersReadOnSigterm()
    {
        Served served(u"--time-scale 0.2"_qs);
        QProcess &serve = served.serve->process;
        QTcpSocket reading;
        QTcpSocket watching;
        reading.connectToHost(u"127.0.0.1"_qs, served.port());
        watching.connectToHost(u"127.0.0.1"_qs, served.port());
        reading.write("FREQ:GATE:TIME 1;:SAMP:COUN 50;:READ?\n");
        QVERIFY(QTest::qWaitFor(
            [&] {
                watching.write("STAT:OPER:COND?\n");
                return watching.waitForReadyRead(Patience) && watching.readAll() == "+16\n";
            },
            Patience));
        serve.terminate();
        QVERIFY(QTest::qWaitFor([&] { return reading.canReadLine(); }, Patience));
        const QList<QByteArray> readings = reading.readLine().trimmed().split(',');
        QVERIFY(readings.size() < 50);
        QVERIFY(serve.state() == QProcess::NotRunning || serve.waitForFinished(Patience));
        QCOMPARE(serve.exitCode(), 0);
        QVERIFY(reading.state() == QAbstractSocket::UnconnectedState ||
                reading.waitForDisconnected(Patience));
    }

    // Two PyVISA clients: one starts a long measurement and polls its status, the other asks
    // who it is and aborts it; a lab script's session measures the simulated 12 kHz.
    void serveForPyVisa_data()
    {
        QTest::addColumn<QString>("sim");
        QTest::addColumn<bool>("abort"); // or measure 12 kHz
        QTest::newRow("abort") << u"--time-scale 0.05"_qs << true;
        QTest::newRow("measure") << QString() << false;
    }
    void serveForPyVisa()
    {
        QFETCH(QString, sim);
        QFETCH(bool, abort);
        if (QStringLiteral(PELMIX_PYVISA_PYTHON).isEmpty())
            QSKIP("PyVISA with the pyvisa-py backend is not installed");
        Served served(sim);
        const QString address = served.serve->firstLine.remove(u"Listening on "_qs);
        QProcess process;
        process.start(QStringLiteral(PELMIX_PYVISA_PYTHON),
                      {QStringLiteral(PELMIX_SCPI_CLIENT), abort ? u"--abort"_qs : address,
                       abort ? address : u"12000"_qs});
        QVERIFY(process.waitForFinished(2 * Patience));
        QVERIFY2(process.exitCode() == 0, process.readAll().constData());
        QCOMPARE(served.serve->end(), 0);
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
