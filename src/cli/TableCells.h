#pragma once

#include <QByteArray>

namespace pelmix::cli {

// Right-aligned cells of the command line's text tables; a dash where there is no figure.
// Seven significant digits in exponent form, as published stability tables give them.
QByteArray cell(double value, int width);
// Up to seven significant digits, without an exponent where none is needed.
QByteArray shortCell(double value, int width);

} // namespace pelmix::cli
