#pragma once

#include "Call.h"

#include "core/Mode.h"

#include <QStringList>

#include <array>
#include <span>

namespace pelmix::remote {

// What a command takes, checked before its handler runs.
struct Parameters
{
    enum class Kind {
        None,
        Number,   // one number in [min, max], or MINimum, MAXimum, DEFault
        Choice,   // one of `choices`
        Boolean,  // ON, OFF or a number
        Expected, // CONFigure's and MEASure's optional expected value and resolution
    };
    Kind kind = Kind::None;
    double min = 0;
    double max = 0;
    double def = 0;
    bool integer = false; // rounded, then checked against the range
    QStringView unit;     // a suffix it takes, with an SI multiplier: "S", "ms"
    std::array<QStringView, 2> choices{};
};

struct Command
{
    enum class Form {
        Command,
        Query,
        Setting, // a command and its query, which also answers MIN, MAX and DEF
    };
    // "INPut[1]:LEVel": short form in upper case, [optional] nodes, [1] a numeric suffix
    // allowed. The measurement functions come from the table of modes.
    QString header;
    Form form = Form::Command;
    Parameters parameters;
    Handler handler = nullptr;
    Mode function = Mode::Frequency;

    bool takes(bool query) const { return form == Form::Setting || (form == Form::Query) == query; }
};

// The command set, one entry per header.
std::span<const Command> commands();
const Command *findCommand(const QStringList &header, bool query);
// Every form in the set, queries with their '?': what SYSTem:HELP:HEADers? lists.
QStringList commandForms();

} // namespace pelmix::remote
