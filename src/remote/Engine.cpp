#include "Engine.h"

#include "ScpiFormat.h"
#include "ScpiParser.h"

#include "analysis/Statistics.h"

#include <QList>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <initializer_list>
#include <limits>
#include <vector>

namespace pelmix::remote {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr int LevelMax = 7;
constexpr std::array<double, 5> GateSeconds{1e-3, 1e-2, 1e-1, 1, 10};

// An *IDN? field may not carry the separators of the reply itself.
QString identityField(const QString &text)
{
    QString field;
    for (const QChar c : text) {
        const bool printable = c.unicode() >= 0x20 && c.unicode() < 0x7f;
        field += printable && c != u',' && c != u';' ? c : QChar(u' ');
    }
    return field.simplified();
}

// The short form: the long form's upper-case letters.
QString functionName(Mode mode)
{
    QString name;
    for (const char c : modeInfo(mode).scpiFunction) {
        if (c >= 'A' && c <= 'Z')
            name += QLatin1Char(c);
    }
    return name;
}

// What *RST sets: a 1 s measuring time.
Setup defaultSetup()
{
    Setup setup;
    setup.position = 3;
    return setup;
}

// Why a measurement has no value, in words.
QString failureText(const measure::Result &result)
{
    if (!result.error.isEmpty())
        return result.error;
    if (!result.dataRequested) {
        return result.status == Status::Timeout ? u"no reply to the status query"_qs
                                                : u"unreadable reply to the status query"_qs;
    }
    if (result.status == Status::Unconfirmed)
        return u"the counter did not confirm its settings"_qs;
    return QString(statusName(result.status));
}

} // namespace

std::optional<int> gatePosition(double seconds)
{
    // A little slack so that "10 ms", which is 10 * 0.001, counts as 0.01.
    constexpr double Slack = 1e-9;
    if (!(seconds >= GateSeconds.front() * (1 - Slack) &&
          seconds <= GateSeconds.back() * (1 + Slack)))
        return std::nullopt;
    const int position = int(std::lround(std::log10(seconds))) + 3;
    return std::clamp(position, 0, int(GateSeconds.size()) - 1);
}

double gateSeconds(int position)
{
    return GateSeconds.at(std::size_t(std::clamp(position, 0, int(GateSeconds.size()) - 1)));
}

class Engine::State
{
public:
    explicit State(Instrument &instrument)
        : m_instrument(instrument)
    {
    }

    QCoro::Task<QString> execute(QString line, std::shared_ptr<Session> session);

    Setup configuration = defaultSetup();
    int sampleCount = 1;

private:
    using Reply = std::optional<QString>;

    struct Call
    {
        const ProgramUnit &unit;
        Session &session;
        Mode function;
        ErrorCode error = ErrorCode::NoError;

        void fail(ErrorCode code) { error = code; }
    };
    using Handler = QCoro::Task<Reply> (State::*)(Call &);
    struct Command
    {
        QStringView pattern;
        bool query;
        Handler handler;
        Mode function = Mode::Frequency;
    };
    static const std::vector<Command> &commands();
    static const Command *find(const QStringList &header, bool query);

    QCoro::Task<Reply> identify(Call &call);
    QCoro::Task<Reply> reset(Call &call);
    QCoro::Task<Reply> clearStatus(Call &call);
    QCoro::Task<Reply> operationComplete(Call &call);
    QCoro::Task<Reply> wait(Call &call);
    QCoro::Task<Reply> nextError(Call &call);
    QCoro::Task<Reply> systemVersion(Call &call);
    QCoro::Task<Reply> configure(Call &call);
    QCoro::Task<Reply> configurationQuery(Call &call);
    QCoro::Task<Reply> measure(Call &call);
    QCoro::Task<Reply> read(Call &call);
    QCoro::Task<Reply> initiate(Call &call);
    QCoro::Task<Reply> fetch(Call &call);
    QCoro::Task<Reply> setSampleCount(Call &call);
    QCoro::Task<Reply> sampleCountQuery(Call &call);
    QCoro::Task<Reply> setGate(Call &call);
    QCoro::Task<Reply> gateQuery(Call &call);
    QCoro::Task<Reply> setLevel(Call &call);
    QCoro::Task<Reply> levelQuery(Call &call);
    QCoro::Task<Reply> setSlope(Call &call);
    QCoro::Task<Reply> slopeQuery(Call &call);
    QCoro::Task<Reply> setFilter(Call &call);
    QCoro::Task<Reply> filterQuery(Call &call);
    QCoro::Task<Reply> setCoupling(Call &call);
    QCoro::Task<Reply> couplingQuery(Call &call);
    QCoro::Task<Reply> averages(Call &call);

    static bool noParameters(Call &call);
    static bool oneParameter(Call &call);
    static bool expectedValue(Call &call);
    static std::optional<double> numericSetting(Call &call, double min, double max, double def,
                                                QStringView unit = {});
    static std::optional<double> settingQuery(Call &call, double current, double min, double max,
                                              double def);
    static std::optional<int> choice(Call &call, std::initializer_list<QStringView> mnemonics);
    static std::optional<bool> booleanSetting(Call &call);
    static std::optional<int> wholeNumber(Call &call, std::optional<double> value, int min,
                                          int max);

    void invalidate();
    QCoro::Task<bool> take(Session &session);
    QString readingsText() const;

    Instrument &m_instrument;
    std::optional<QList<double>> m_readings;
    analysis::RunningStatistics m_statistics;
};

const std::vector<Engine::State::Command> &Engine::State::commands()
{
    using S = State;
    static const std::vector<Command> table{
        {u"*IDN", true, &S::identify},
        {u"*RST", false, &S::reset},
        {u"*CLS", false, &S::clearStatus},
        {u"*OPC", true, &S::operationComplete},
        {u"*WAI", false, &S::wait},
        {u"SYSTem:ERRor[:NEXT]", true, &S::nextError},
        {u"SYSTem:VERSion", true, &S::systemVersion},
        {u"CONFigure[:SCALar]:FREQuency", false, &S::configure, Mode::Frequency},
        {u"CONFigure[:SCALar]:PERiod", false, &S::configure, Mode::Period},
        {u"CONFigure[:SCALar]:TINTerval", false, &S::configure, Mode::Interval},
        {u"CONFigure[:SCALar]:TOTalize", false, &S::configure, Mode::Count},
        {u"CONFigure", true, &S::configurationQuery},
        {u"MEASure[:SCALar]:FREQuency", true, &S::measure, Mode::Frequency},
        {u"MEASure[:SCALar]:PERiod", true, &S::measure, Mode::Period},
        {u"MEASure[:SCALar]:TINTerval", true, &S::measure, Mode::Interval},
        {u"MEASure[:SCALar]:TOTalize", true, &S::measure, Mode::Count},
        {u"READ", true, &S::read},
        {u"INITiate[:IMMediate]", false, &S::initiate},
        {u"FETCh", true, &S::fetch},
        {u"SAMPle:COUNt", false, &S::setSampleCount},
        {u"SAMPle:COUNt", true, &S::sampleCountQuery},
        {u"[SENSe:]FREQuency:GATE:TIME", false, &S::setGate},
        {u"[SENSe:]FREQuency:GATE:TIME", true, &S::gateQuery},
        {u"INPut:LEVel", false, &S::setLevel},
        {u"INPut:LEVel", true, &S::levelQuery},
        {u"INPut:SLOPe", false, &S::setSlope},
        {u"INPut:SLOPe", true, &S::slopeQuery},
        {u"INPut:FILTer[:LPASs][:STATe]", false, &S::setFilter},
        {u"INPut:FILTer[:LPASs][:STATe]", true, &S::filterQuery},
        {u"INPut:COUPling", false, &S::setCoupling},
        {u"INPut:COUPling", true, &S::couplingQuery},
        {u"CALCulate:AVERage:ALL", true, &S::averages},
    };
    return table;
}

const Engine::State::Command *Engine::State::find(const QStringList &header, bool query)
{
    for (const Command &command : commands()) {
        if (command.query == query && matchesHeader(command.pattern, header))
            return &command;
    }
    return nullptr;
}

QCoro::Task<QString> Engine::State::execute(QString line, std::shared_ptr<Session> session)
{
    QStringList responses;
    // A header after ';' that starts with neither ':' nor '*' continues the previous
    // header's path; each line starts again at the root.
    QStringList path;
    for (const QString &text : splitUnits(line)) {
        if (session->gone)
            break;
        const ParsedUnit parsed = parseUnit(text);
        if (parsed.error != ErrorCode::NoError) {
            session->errors.push(parsed.error);
            break;
        }
        const ProgramUnit &unit = parsed.unit;
        QStringList header = unit.mnemonics;
        if (!unit.common) {
            if (!unit.absolute)
                header = path + header;
            path = header;
            path.removeLast();
        }
        const Command *command = find(header, unit.query);
        if (!command) {
            session->errors.push(ErrorCode::UndefinedHeader);
            break;
        }
        Call call{unit, *session, command->function};
        const Reply response = co_await (this->*command->handler)(call);
        if (call.error != ErrorCode::NoError) {
            session->errors.push(call.error);
            // A unit that was not understood leaves the rest of its line unread.
            if (isCommandError(call.error))
                break;
        } else if (response) {
            responses << *response;
        }
    }
    co_return responses.join(u';');
}

bool Engine::State::noParameters(Call &call)
{
    if (!call.unit.parameters.isEmpty())
        call.fail(ErrorCode::ParameterNotAllowed);
    return call.unit.parameters.isEmpty();
}

bool Engine::State::oneParameter(Call &call)
{
    if (call.unit.parameters.isEmpty())
        call.fail(ErrorCode::MissingParameter);
    else if (call.unit.parameters.size() > 1)
        call.fail(ErrorCode::ParameterNotAllowed);
    return call.unit.parameters.size() == 1;
}

// CONFigure and MEASure take an expected value and a resolution, as other counters do; this
// counter ranges itself, so they are checked and left unused.
bool Engine::State::expectedValue(Call &call)
{
    if (call.unit.parameters.size() > 2) {
        call.fail(ErrorCode::ParameterNotAllowed);
        return false;
    }
    for (const Parameter &parameter : call.unit.parameters) {
        if (parameter.kind == Parameter::Kind::String) {
            call.fail(ErrorCode::DataType);
            return false;
        }
        if (parameter.kind == Parameter::Kind::Character &&
            !matchesMnemonic(parameter.text, u"MINimum") &&
            !matchesMnemonic(parameter.text, u"MAXimum") &&
            !matchesMnemonic(parameter.text, u"DEFault")) {
            call.fail(ErrorCode::IllegalParameterValue);
            return false;
        }
    }
    return true;
}

std::optional<double> Engine::State::numericSetting(Call &call, double min, double max, double def,
                                                    QStringView unit)
{
    if (!oneParameter(call))
        return std::nullopt;
    const Parameter &parameter = call.unit.parameters.front();
    switch (parameter.kind) {
    case Parameter::Kind::Character:
        if (matchesMnemonic(parameter.text, u"MINimum"))
            return min;
        if (matchesMnemonic(parameter.text, u"MAXimum"))
            return max;
        if (matchesMnemonic(parameter.text, u"DEFault"))
            return def;
        call.fail(ErrorCode::IllegalParameterValue);
        return std::nullopt;
    case Parameter::Kind::String:
        call.fail(ErrorCode::DataType);
        return std::nullopt;
    case Parameter::Kind::Numeric:
        break;
    }
    if (unit.isEmpty()) {
        if (!parameter.text.isEmpty()) {
            call.fail(ErrorCode::SuffixNotAllowed);
            return std::nullopt;
        }
        return parameter.number;
    }
    const std::optional<double> value = scaledValue(parameter, unit);
    if (!value)
        call.fail(ErrorCode::InvalidSuffix);
    return value;
}

// A setting's query gives its value, or one of its limits when named: GATE:TIME? MIN.
std::optional<double> Engine::State::settingQuery(Call &call, double current, double min,
                                                  double max, double def)
{
    const QList<Parameter> &parameters = call.unit.parameters;
    if (parameters.isEmpty())
        return current;
    if (parameters.size() == 1 && parameters.front().kind == Parameter::Kind::Numeric) {
        call.fail(ErrorCode::DataType);
        return std::nullopt;
    }
    return numericSetting(call, min, max, def);
}

std::optional<int> Engine::State::choice(Call &call, std::initializer_list<QStringView> mnemonics)
{
    if (!oneParameter(call))
        return std::nullopt;
    const Parameter &parameter = call.unit.parameters.front();
    if (parameter.kind != Parameter::Kind::Character) {
        call.fail(ErrorCode::DataType);
        return std::nullopt;
    }
    int index = 0;
    for (const QStringView mnemonic : mnemonics) {
        if (matchesMnemonic(parameter.text, mnemonic))
            return index;
        ++index;
    }
    call.fail(ErrorCode::IllegalParameterValue);
    return std::nullopt;
}

std::optional<bool> Engine::State::booleanSetting(Call &call)
{
    if (!oneParameter(call))
        return std::nullopt;
    const Parameter &parameter = call.unit.parameters.front();
    if (parameter.kind == Parameter::Kind::Numeric && parameter.text.isEmpty())
        return std::lround(parameter.number) != 0;
    const std::optional<int> index = choice(call, {u"OFF", u"ON"});
    if (!index)
        return std::nullopt;
    return *index == 1;
}

// Numbers for whole-number settings are rounded, as instruments do.
std::optional<int> Engine::State::wholeNumber(Call &call, std::optional<double> value, int min,
                                              int max)
{
    if (!value)
        return std::nullopt;
    if (!(*value >= min - 0.5 && *value < max + 0.5)) {
        call.fail(ErrorCode::DataOutOfRange);
        return std::nullopt;
    }
    return int(std::lround(*value));
}

void Engine::State::invalidate()
{
    m_readings.reset();
    m_statistics.clear();
}

QCoro::Task<bool> Engine::State::take(Session &session)
{
    m_readings.reset();
    const Setup settings = configuration;
    QList<double> readings;
    bool failed = false;
    for (int i = 0; i < sampleCount; ++i) {
        // After one failure the rest are not tried: a silent counter would make each
        // wait its full time-out.
        if (failed) {
            readings << NaN;
            continue;
        }
        measure::Result result;
        try {
            result = co_await m_instrument.measure(settings);
        } catch (const std::exception &error) {
            result.error = QString::fromLocal8Bit(error.what());
        }
        if (session.gone)
            co_return false;
        if (result.hasValue()) {
            readings << result.value;
            m_statistics.add(result.value);
        } else {
            readings << NaN;
            session.errors.push(ErrorCode::NoReply, failureText(result));
            failed = true;
        }
    }
    m_readings = std::move(readings);
    co_return true;
}

QString Engine::State::readingsText() const
{
    QStringList texts;
    for (const double reading : *m_readings)
        texts << formatNumber(reading);
    return texts.join(u',');
}

QCoro::Task<Engine::State::Reply> Engine::State::identify(Call &call)
{
    if (!noParameters(call))
        co_return std::nullopt;
    co_return u"Pelmix,"_qs + identityField(m_instrument.model()) + u',' +
        identityField(m_instrument.port()) + u',' + identityField(m_instrument.version());
}

QCoro::Task<Engine::State::Reply> Engine::State::reset(Call &call)
{
    if (noParameters(call)) {
        configuration = defaultSetup();
        sampleCount = 1;
        invalidate();
    }
    co_return std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::clearStatus(Call &call)
{
    if (noParameters(call)) {
        call.session.errors.clear();
        m_statistics.clear();
    }
    co_return std::nullopt;
}

// Every command before it on the same connection has finished when it runs.
QCoro::Task<Engine::State::Reply> Engine::State::operationComplete(Call &call)
{
    if (!noParameters(call))
        co_return std::nullopt;
    co_return u"1"_qs;
}

QCoro::Task<Engine::State::Reply> Engine::State::wait(Call &call)
{
    noParameters(call);
    co_return std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::nextError(Call &call)
{
    if (!noParameters(call))
        co_return std::nullopt;
    co_return formatError(call.session.errors.pop());
}

QCoro::Task<Engine::State::Reply> Engine::State::systemVersion(Call &call)
{
    if (!noParameters(call))
        co_return std::nullopt;
    co_return u"1999.0"_qs;
}

QCoro::Task<Engine::State::Reply> Engine::State::configure(Call &call)
{
    if (expectedValue(call)) {
        configuration.mode = call.function;
        invalidate();
    }
    co_return std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::configurationQuery(Call &call)
{
    if (!noParameters(call))
        co_return std::nullopt;
    co_return u'"' + functionName(configuration.mode) + u'"';
}

QCoro::Task<Engine::State::Reply> Engine::State::measure(Call &call)
{
    if (!expectedValue(call))
        co_return std::nullopt;
    configuration.mode = call.function;
    invalidate();
    const bool taken = co_await take(call.session);
    co_return taken ? Reply(readingsText()) : std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::read(Call &call)
{
    if (!noParameters(call))
        co_return std::nullopt;
    // Not inside a condition: GCC 12 miscompiles co_await in a short-circuit operand.
    const bool taken = co_await take(call.session);
    co_return taken ? Reply(readingsText()) : std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::initiate(Call &call)
{
    if (noParameters(call))
        co_await take(call.session);
    co_return std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::fetch(Call &call)
{
    if (!noParameters(call))
        co_return std::nullopt;
    if (!m_readings) {
        call.fail(ErrorCode::DataStale);
        co_return std::nullopt;
    }
    co_return readingsText();
}

QCoro::Task<Engine::State::Reply> Engine::State::setSampleCount(Call &call)
{
    const auto count =
        wholeNumber(call, numericSetting(call, 1, MaxSampleCount, 1), 1, MaxSampleCount);
    if (count) {
        sampleCount = *count;
        m_readings.reset();
    }
    co_return std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::sampleCountQuery(Call &call)
{
    const std::optional<double> count = settingQuery(call, sampleCount, 1, MaxSampleCount, 1);
    co_return count ? Reply(formatInteger(qint64(*count))) : std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::setGate(Call &call)
{
    const std::optional<double> seconds =
        numericSetting(call, GateSeconds.front(), GateSeconds.back(), 1, u"S");
    if (!seconds)
        co_return std::nullopt;
    const std::optional<int> position = gatePosition(*seconds);
    if (!position) {
        call.fail(ErrorCode::DataOutOfRange);
        co_return std::nullopt;
    }
    configuration.position = *position;
    invalidate();
    co_return std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::gateQuery(Call &call)
{
    const std::optional<double> seconds = settingQuery(call, gateSeconds(configuration.position),
                                                       GateSeconds.front(), GateSeconds.back(), 1);
    co_return seconds ? Reply(formatNumber(*seconds)) : std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::setLevel(Call &call)
{
    const auto level = wholeNumber(call, numericSetting(call, 0, LevelMax, 0), 0, LevelMax);
    if (level) {
        configuration.level = *level;
        invalidate();
    }
    co_return std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::levelQuery(Call &call)
{
    const std::optional<double> level = settingQuery(call, configuration.level, 0, LevelMax, 0);
    co_return level ? Reply(formatInteger(qint64(*level))) : std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::setSlope(Call &call)
{
    if (const auto index = choice(call, {u"POSitive", u"NEGative"})) {
        configuration.fallingEdge = *index == 1;
        invalidate();
    }
    co_return std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::slopeQuery(Call &call)
{
    if (!noParameters(call))
        co_return std::nullopt;
    co_return configuration.fallingEdge ? u"NEG"_qs : u"POS"_qs;
}

QCoro::Task<Engine::State::Reply> Engine::State::setFilter(Call &call)
{
    if (const auto on = booleanSetting(call)) {
        configuration.filter = *on;
        invalidate();
    }
    co_return std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::filterQuery(Call &call)
{
    if (!noParameters(call))
        co_return std::nullopt;
    co_return configuration.filter ? u"1"_qs : u"0"_qs;
}

QCoro::Task<Engine::State::Reply> Engine::State::setCoupling(Call &call)
{
    if (const auto index = choice(call, {u"DC", u"AC"})) {
        configuration.analog = *index == 1;
        invalidate();
    }
    co_return std::nullopt;
}

QCoro::Task<Engine::State::Reply> Engine::State::couplingQuery(Call &call)
{
    if (!noParameters(call))
        co_return std::nullopt;
    co_return configuration.analog ? u"AC"_qs : u"DC"_qs;
}

QCoro::Task<Engine::State::Reply> Engine::State::averages(Call &call)
{
    if (!noParameters(call))
        co_return std::nullopt;
    const bool empty = m_statistics.count() == 0;
    const std::array<double, 4> values{
        empty ? NaN : m_statistics.mean(),
        empty ? NaN : m_statistics.stddev(),
        empty ? NaN : m_statistics.min(),
        empty ? NaN : m_statistics.max(),
    };
    QStringList texts;
    for (const double value : values)
        texts << formatNumber(value);
    co_return texts.join(u',');
}

Engine::Engine(Instrument &instrument)
    : m_state(std::make_shared<State>(instrument))
{
}

Engine::~Engine() = default;

QCoro::Task<QString> Engine::execute(QString line, std::shared_ptr<Session> session)
{
    // The state lives on with this call when the engine is destroyed during a measurement.
    const std::shared_ptr<State> state = m_state;
    co_return co_await state->execute(std::move(line), std::move(session));
}

const Setup &Engine::configuration() const
{
    return m_state->configuration;
}

int Engine::sampleCount() const
{
    return m_state->sampleCount;
}

} // namespace pelmix::remote
