#include "TableCells.h"

#include <cmath>

namespace pelmix::cli {

QByteArray cell(double value, int width)
{
    const QByteArray text = std::isfinite(value) ? QByteArray::number(value, 'e', 6) : "-";
    return text.rightJustified(width);
}

QByteArray shortCell(double value, int width)
{
    const QByteArray text = std::isfinite(value) ? QByteArray::number(value, 'g', 7) : "-";
    return text.rightJustified(width);
}

} // namespace pelmix::cli
