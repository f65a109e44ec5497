#include "PortChoice.h"

#include "Arguments.h"

#include "device/PortNames.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace pelmix::cli {

namespace {

QString resolved(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

} // namespace

std::unique_ptr<QSettings> windowSettings()
{
    return std::make_unique<QSettings>(QStringLiteral("Pelmix"), QStringLiteral("Pelmix"));
}

PortChoice portChoiceOf(const QString &text, const QSettings &settings)
{
    static const QRegularExpression comN(QStringLiteral("^com(\\d+)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = comN.match(text.trimmed());
    if (match.hasMatch()) {
        bool ok = false;
        const int number = match.captured(1).toInt(&ok);
        if (!ok || number < 1 || number > 8)
            throw UsageError{QStringLiteral("--port '%1': the ports are Com1 to Com8").arg(text)};
        return {number, device::systemPortFor(number, settings)};
    }
    if (text.isEmpty())
        throw UsageError{QStringLiteral("--port: no port named")};
    // Called as the window calls it, where a ComN names this device.
    const QList<int> numbers = comNumbersFor(text, settings);
    return {numbers.isEmpty() ? 0 : numbers.front(), text};
}

QList<int> comNumbersFor(const QString &device, const QSettings &settings)
{
    const QString wanted = resolved(device);
    QList<int> numbers;
    for (int n = 1; n <= 8; ++n) {
        if (resolved(device::systemPortFor(n, settings)) == wanted)
            numbers.append(n);
    }
    return numbers;
}

} // namespace pelmix::cli
