#pragma once

#include "ScpiErrors.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace pelmix::remote {

struct Parameter
{
    enum class Kind { Numeric, Character, String };
    Kind kind = Kind::Numeric;
    double number = 0;
    // Character data in upper case, a string's contents, or a number's suffix in upper case.
    QString text;
};

// One command or query of a program message, as sent: its header not yet resolved.
struct ProgramUnit
{
    bool common = false;   // *IDN? and the like
    bool absolute = false; // a leading ':' starts again from the root
    QStringList mnemonics; // "MEAS", "FREQ"; for a common command "*IDN"
    bool query = false;
    QList<Parameter> parameters;
};

struct ParsedUnit
{
    ProgramUnit unit;
    ErrorCode error = ErrorCode::NoError;
};

// A line (no terminator) into its units at each ';' outside quotes. Blank units, such as
// the one after a trailing ';', are left out.
QStringList splitUnits(const QString &line);
ParsedUnit parseUnit(const QString &text);

// Does a sent mnemonic name "FREQuency"? Only the short form (its upper-case letters) and
// the long form count, in any case.
bool matchesMnemonic(QStringView sent, QStringView mnemonic);
// Does a full header name the pattern? Bracketed nodes may be left out:
// "MEASure[:SCALar]:FREQuency" is named by MEAS:FREQ and by measure:scalar:frequency.
bool matchesHeader(QStringView pattern, const QStringList &mnemonics);

// A numeric parameter in `unit` ("S", "HZ"), with the SI multiplier of its suffix applied:
// "10 ms" is 0.01 s. Nothing when the suffix is not that unit.
std::optional<double> scaledValue(const Parameter &parameter, QStringView unit);

} // namespace pelmix::remote
