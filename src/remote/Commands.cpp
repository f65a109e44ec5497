#include "Commands.h"

#include "Handlers.h"

#include <vector>

namespace pelmix::remote {

namespace {

using Form = Command::Form;
using Kind = Parameters::Kind;
namespace h = handlers;

constexpr int MaxSampleCount = 1000;

constexpr Parameters number(double min, double max, double def, QStringView unit = {})
{
    return {Kind::Number, min, max, def, false, unit, {}};
}
constexpr Parameters integer(double min, double max, double def)
{
    return {Kind::Number, min, max, def, true, {}, {}};
}
constexpr Parameters choice(QStringView first, QStringView second)
{
    return {Kind::Choice, 0, 1, 0, true, {}, {first, second}};
}
constexpr Parameters None{};
constexpr Parameters Boolean{Kind::Boolean, 0, 1, 0, true, {}, {}};
constexpr Parameters Expected{Kind::Expected, 0, 0, 0, false, {}, {}};

struct Row
{
    QStringView header; // "<function>" stands for each measurement function
    Form form;
    Parameters parameters;
    Handler handler;
};

const Row Rows[] = {
    {u"*IDN", Form::Query, None, &h::identify},
    {u"*RST", Form::Command, None, &h::reset},
    {u"*CLS", Form::Command, None, &h::clearStatus},
    {u"*ESE", Form::Setting, integer(0, 255, 0), &h::eventEnable},
    {u"*ESR", Form::Query, None, &h::eventStatus},
    {u"*SRE", Form::Setting, integer(0, 255, 0), &h::serviceEnable},
    {u"*STB", Form::Query, None, &h::statusByte},
    {u"*OPC", Form::Command, None, &h::operationComplete},
    {u"*OPC", Form::Query, None, &h::operationCompleteQuery},
    {u"*WAI", Form::Command, None, &h::wait},
    {u"*TST", Form::Query, None, &h::selfTest},
    {u"SYSTem:ERRor[:NEXT]", Form::Query, None, &h::nextError},
    {u"SYSTem:ERRor:COUNt", Form::Query, None, &h::errorCount},
    {u"SYSTem:VERSion", Form::Query, None, &h::version},
    {u"SYSTem:HELP:HEADers", Form::Query, None, &h::helpHeaders},
    {u"STATus:OPERation:CONDition", Form::Query, None, &h::operationCondition},
    {u"CONFigure[:SCALar]:<function>", Form::Command, Expected, &h::configure},
    {u"CONFigure", Form::Query, None, &h::configuration},
    {u"MEASure[:SCALar]:<function>", Form::Query, Expected, &h::measure},
    {u"READ", Form::Query, None, &h::read},
    {u"INITiate[:IMMediate]", Form::Command, None, &h::initiate},
    {u"FETCh", Form::Query, None, &h::fetch},
    {u"ABORt", Form::Command, None, &h::abort},
    {u"SAMPle:COUNt", Form::Setting, integer(1, MaxSampleCount, 1), &h::sampleCount},
    {u"[SENSe:]FREQuency:GATE:TIME", Form::Setting, number(1e-3, 10, 1, u"S"), &h::gateTime},
    {u"[SENSe:]PERiod:MULTiplier", Form::Setting, number(1, 1e4, 1), &h::multiplier},
    {u"INPut[1]:LEVel", Form::Setting, integer(0, MaxLevel, 0), &h::level},
    {u"INPut[1]:SLOPe", Form::Setting, choice(u"POSitive", u"NEGative"), &h::slope},
    {u"INPut[1]:FILTer[:LPASs][:STATe]", Form::Setting, Boolean, &h::filter},
    {u"INPut[1]:COUPling", Form::Setting, choice(u"DC", u"AC"), &h::coupling},
    {u"CALCulate:AVERage:ALL", Form::Query, None, &h::averages},
};

std::vector<Command> expanded()
{
    const QString Function = u"<function>"_qs;
    std::vector<Command> table;
    for (const Row &row : Rows) {
        const QString header = row.header.toString();
        if (!header.contains(Function)) {
            table.push_back({header, row.form, row.parameters, row.handler});
            continue;
        }
        for (const ModeInfo &mode : modes()) {
            if (mode.scpiFunction.isEmpty())
                continue;
            QString named = header;
            named.replace(Function, QString(mode.scpiFunction));
            table.push_back({named, row.form, row.parameters, row.handler, mode.mode});
        }
    }
    return table;
}

} // namespace

Settings defaultSettings()
{
    Settings settings;
    settings.setup.position = 3;
    return settings;
}

std::span<const Command> commands()
{
    static const std::vector<Command> table = expanded();
    return table;
}

const Command *findCommand(const QStringList &header, bool query)
{
    for (const Command &command : commands()) {
        if (command.takes(query) && matchesHeader(command.header, header))
            return &command;
    }
    return nullptr;
}

QStringList commandForms()
{
    QStringList forms;
    for (const Command &command : commands()) {
        if (command.form != Form::Query)
            forms << command.header;
        if (command.form != Form::Command)
            forms << command.header + u'?';
    }
    return forms;
}

} // namespace pelmix::remote
