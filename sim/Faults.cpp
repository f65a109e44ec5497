#include "Faults.h"

namespace pelmix::sim {

QStringList Faults::names()
{
    return {QStringLiteral("silent"),      QStringLiteral("slow[=MS]"),
            QStringLiteral("split"),       QStringLiteral("no-cr"),
            QStringLiteral("garbage"),     QStringLiteral("short-status"),
            QStringLiteral("stuck-level"), QStringLiteral("stuck-time"),
            QStringLiteral("flood"),       QStringLiteral("hang-up-after=N")};
}

std::optional<QString> Faults::parse(const QString &text)
{
    const QString name = text.section(QLatin1Char('='), 0, 0);
    const QString value = text.section(QLatin1Char('='), 1);
    bool ok = true;
    if (name == QLatin1String("silent"))
        silent = true;
    else if (name == QLatin1String("slow"))
        slowMs = value.isEmpty() ? 300 : value.toInt(&ok);
    else if (name == QLatin1String("split"))
        split = true;
    else if (name == QLatin1String("no-cr"))
        noCr = true;
    else if (name == QLatin1String("garbage"))
        garbage = true;
    else if (name == QLatin1String("short-status"))
        shortStatus = true;
    else if (name == QLatin1String("stuck-level"))
        stuckLevel = true;
    else if (name == QLatin1String("stuck-time"))
        stuckTime = true;
    else if (name == QLatin1String("flood"))
        flood = true;
    else if (name == QLatin1String("hang-up-after"))
        hangUpAfter = value.toInt(&ok);
    else if (name == QLatin1String("random"))
        random = value.toDouble(&ok);
    else
        return QStringLiteral("unknown fault \"%1\"; known: %2").arg(text, names().join(u", "));
    if (!ok || slowMs < 0 || random < 0 || random > 1 ||
        (name == QLatin1String("hang-up-after") && hangUpAfter < 0))
        return QStringLiteral("bad value in \"%1\"").arg(text);
    return std::nullopt;
}

} // namespace pelmix::sim
