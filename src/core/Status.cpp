#include "Status.h"

#include <array>

namespace pelmix {

namespace {

using namespace Qt::StringLiterals;

constexpr std::array Names = {"ok"_L1,          "timeout"_L1, "unreadable"_L1, "overflow"_L1,
                              "unconfirmed"_L1, "lost"_L1,    "stopped"_L1};
static_assert(Names.size() == StatusCount);

static_assert(Names.size() == StatusCount);

} // namespace

QLatin1StringView statusName(Status status)
{
    return Names[std::size_t(status)];
}

std::optional<Status> statusFromName(QByteArrayView name)
{
    for (std::size_t i = 0; i < Names.size(); ++i) {
        if (name == QByteArrayView(Names[i].data(), Names[i].size()))
            return Status(i);
    }
    return std::nullopt;
}

} // namespace pelmix
