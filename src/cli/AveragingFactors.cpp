#include "AveragingFactors.h"

#include "Arguments.h"

#include "analysis/Allan.h"

#include <algorithm>
#include <numeric>

namespace pelmix::cli {

FactorChoice factorChoiceOf(const QString &option, const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed == u"octave")
        return {FactorChoice::Kind::Octave, {}};
    if (trimmed == u"decade")
        return {FactorChoice::Kind::Decade, {}};
    if (trimmed == u"all")
        return {FactorChoice::Kind::All, {}};
    FactorChoice choice{FactorChoice::Kind::List, {}};
    for (const QString &item : trimmed.split(u',')) {
        bool ok = false;
        const qint64 m = item.trimmed().toLongLong(&ok);
        if (!ok || m < 1) {
            throw UsageError{
                QStringLiteral("--%1 '%2': octave, decade, all, or whole numbers from 1 "
                               "separated by commas, such as 1,10,100")
                    .arg(option, text)};
        }
        choice.list.push_back(m);
    }
    std::sort(choice.list.begin(), choice.list.end());
    choice.list.erase(std::unique(choice.list.begin(), choice.list.end()), choice.list.end());
    return choice;
}

std::vector<qint64> factorsFor(const FactorChoice &choice, qint64 count)
{
    const qint64 largest = analysis::plotFactorLimit(count);
    switch (choice.kind) {
    case FactorChoice::Kind::Octave:
        return analysis::octaveFactors(largest);
    case FactorChoice::Kind::Decade:
        return analysis::decadeFactors(largest);
    case FactorChoice::Kind::All: {
        std::vector<qint64> every(static_cast<std::size_t>(largest));
        std::iota(every.begin(), every.end(), qint64(1));
        return every;
    }
    case FactorChoice::Kind::List:
        break;
    }
    return choice.list;
}

} // namespace pelmix::cli
