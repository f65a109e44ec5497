#include "Parameters.h"

#include "Commands.h"
#include "ScpiFormat.h"

#include <cmath>

namespace pelmix::remote {

namespace {

using Kind = Parameters::Kind;

// A little slack so that "10 ms", which is 10 * 0.001, counts as 0.01.
constexpr double Slack = 1e-9;

std::optional<double> limit(const Parameters &takes, const Parameter &parameter)
{
    if (parameter.kind != Parameter::Kind::Character)
        return std::nullopt;
    if (matchesMnemonic(parameter.text, u"MINimum"))
        return takes.min;
    if (matchesMnemonic(parameter.text, u"MAXimum"))
        return takes.max;
    if (matchesMnemonic(parameter.text, u"DEFault"))
        return takes.def;
    return std::nullopt;
}

bool one(Call &call)
{
    const qsizetype count = call.unit.parameters.size();
    if (count == 0)
        call.fail(ErrorCode::MissingParameter);
    else if (count > 1)
        call.fail(ErrorCode::ParameterNotAllowed);
    return count == 1;
}

bool checkNumber(Call &call, const Parameters &takes)
{
    if (!one(call))
        return false;
    const Parameter &parameter = call.unit.parameters.front();
    if (parameter.kind == Parameter::Kind::String) {
        call.fail(ErrorCode::DataType);
        return false;
    }
    if (parameter.kind == Parameter::Kind::Character) {
        const std::optional<double> named = limit(takes, parameter);
        if (!named)
            call.fail(ErrorCode::IllegalParameterValue);
        call.value.number = named.value_or(0);
        return named.has_value();
    }
    if (!parameter.text.isEmpty() && takes.unit.isEmpty()) {
        call.fail(ErrorCode::SuffixNotAllowed);
        return false;
    }
    const std::optional<double> scaled = scaledValue(parameter, takes.unit);
    if (!scaled) {
        call.fail(ErrorCode::InvalidSuffix);
        return false;
    }
    double value = *scaled;
    if (std::isnan(value)) {
        call.fail(ErrorCode::IllegalParameterValue);
        return false;
    }
    if (takes.integer)
        value = std::round(value);
    const bool inRange = takes.integer
                             ? value >= takes.min && value <= takes.max
                             : value >= takes.min * (1 - Slack) && value <= takes.max * (1 + Slack);
    if (!inRange) {
        call.fail(ErrorCode::DataOutOfRange);
        return false;
    }
    call.value.number = value;
    return true;
}

bool checkChoice(Call &call, const Parameters &takes)
{
    if (!one(call))
        return false;
    const Parameter &parameter = call.unit.parameters.front();
    if (parameter.kind != Parameter::Kind::Character) {
        call.fail(ErrorCode::DataType);
        return false;
    }
    for (int i = 0; i < int(takes.choices.size()); ++i) {
        if (matchesMnemonic(parameter.text, takes.choices[std::size_t(i)])) {
            call.value.index = i;
            return true;
        }
    }
    call.fail(ErrorCode::IllegalParameterValue);
    return false;
}

bool checkBoolean(Call &call)
{
    if (!one(call))
        return false;
    const Parameter &parameter = call.unit.parameters.front();
    if (parameter.kind == Parameter::Kind::Numeric && parameter.text.isEmpty()) {
        if (std::isnan(parameter.number)) {
            call.fail(ErrorCode::IllegalParameterValue);
            return false;
        }
        call.value.index = std::round(parameter.number) != 0 ? 1 : 0;
        return true;
    }
    return checkChoice(call, {Kind::Choice, 0, 1, 0, true, {}, {u"OFF", u"ON"}});
}

// CONFigure and MEASure take an expected value and a resolution, as other counters do; this
// counter ranges itself, so they are checked and left unused.
bool checkExpected(Call &call)
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
        if (parameter.kind == Parameter::Kind::Character && !limit({}, parameter)) {
            call.fail(ErrorCode::IllegalParameterValue);
            return false;
        }
    }
    return true;
}

} // namespace

bool checkParameters(Call &call)
{
    const Parameters &takes = call.command.parameters;
    // A setting's query takes at most a limit's name, which limitQuery() answers.
    const Kind kind =
        call.isQuery() && call.command.form == Command::Form::Setting ? Kind::None : takes.kind;
    switch (kind) {
    case Kind::None:
        if (!call.unit.parameters.isEmpty())
            call.fail(ErrorCode::ParameterNotAllowed);
        return call.unit.parameters.isEmpty();
    case Kind::Number:
        return checkNumber(call, takes);
    case Kind::Choice:
        return checkChoice(call, takes);
    case Kind::Boolean:
        return checkBoolean(call);
    case Kind::Expected:
        return checkExpected(call);
    }
    return false;
}

Reply limitQuery(Call &call, bool &named)
{
    const Parameters &takes = call.command.parameters;
    const QList<Parameter> &parameters = call.unit.parameters;
    named = takes.kind == Kind::Number && parameters.size() == 1;
    if (!named)
        return std::nullopt;
    const std::optional<double> value = limit(takes, parameters.front());
    if (!value) {
        call.fail(parameters.front().kind == Parameter::Kind::Character
                      ? ErrorCode::IllegalParameterValue
                      : ErrorCode::DataType);
        return std::nullopt;
    }
    return takes.integer ? formatInteger(qint64(*value)) : formatNumber(*value);
}

} // namespace pelmix::remote
