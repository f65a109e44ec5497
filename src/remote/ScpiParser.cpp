#include "ScpiParser.h"

#include <QRegularExpression>

#include <array>
#include <cstdlib>
#include <limits>
#include <utility>

namespace pelmix::remote {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A mnemonic: a letter, then letters, digits or underscores.
qsizetype mnemonicEnd(QStringView text, qsizetype from)
{
    if (from >= text.size() || !isLetter(text[from]))
        return -1;
    qsizetype end = from + 1;
    while (end < text.size() && (isLetter(text[end]) || isDigit(text[end]) || text[end] == u'_'))
        ++end;
    return end;
}

std::optional<Parameter> parseNumber(const QString &text)
{
    static const QRegularExpression number(
        uR"(^([+-]?(?:\d+(?:\.\d*)?|\.\d+)(?:[ \t]*[eE][ \t]*[+-]?\d+)?)[ \t]*([A-Za-z]*)$)"_qs);
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    QString digits = match.captured(1);
    digits.remove(u' ').remove(u'\t');
    // strtod, not toDouble: an exponent out of range gives an infinity or zero, which the
    // setting then judges as a value, instead of failing the syntax.
    const double value = std::strtod(digits.toLatin1().constData(), nullptr);
    return Parameter{Parameter::Kind::Numeric, value, match.captured(2).toUpper()};
}

// INFinity, NINFinity and NAN are numbers in SCPI; a sign before INF is taken too.
std::optional<Parameter> parseSpecialNumber(const QString &text)
{
    constexpr double Infinity = std::numeric_limits<double>::infinity();
    QStringView name(text);
    double sign = 1;
    if (name.startsWith(u'+') || name.startsWith(u'-')) {
        sign = name.startsWith(u'-') ? -1 : 1;
        name = name.mid(1);
    }
    if (matchesMnemonic(name, u"INFinity"))
        return Parameter{Parameter::Kind::Numeric, sign * Infinity, {}};
    if (name.size() == text.size() && matchesMnemonic(name, u"NINFinity"))
        return Parameter{Parameter::Kind::Numeric, -Infinity, {}};
    if (name.size() == text.size() && matchesMnemonic(name, u"NAN"))
        return Parameter{Parameter::Kind::Numeric, std::numeric_limits<double>::quiet_NaN(), {}};
    return std::nullopt;
}

std::optional<Parameter> parseString(const QString &text)
{
    const QChar quote = text[0];
    QString contents;
    qsizetype i = 1;
    for (; i < text.size(); ++i) {
        if (text[i] != quote) {
            contents += text[i];
            continue;
        }
        // A doubled quote stands for one.
        if (i + 1 < text.size() && text[i + 1] == quote) {
            contents += quote;
            ++i;
            continue;
        }
        break;
    }
    if (i != text.size() - 1)
        return std::nullopt;
    return Parameter{Parameter::Kind::String, 0, contents};
}

std::optional<Parameter> parseParameter(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    const QChar first = text[0];
    if (first == u'"' || first == u'\'')
        return parseString(text);
    if (auto special = parseSpecialNumber(text))
        return special;
    if (isLetter(first)) {
        if (mnemonicEnd(text, 0) != text.size())
            return std::nullopt;
        return Parameter{Parameter::Kind::Character, 0, text.toUpper()};
    }
    return parseNumber(text);
}

// Splits at `separator` outside quoted strings.
QStringList splitOutsideQuotes(const QString &text, QChar separator)
{
    QStringList parts;
    QString part;
    QChar quote;
    for (const QChar c : text) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == separator) {
            parts << part;
            part.clear();
            continue;
        }
        part += c;
    }
    parts << part;
    return parts;
}

struct Node
{
    QStringView name;
    bool optional = false;
    bool suffix = false; // "INPut[1]": INP1 names it as INP does
};

QList<Node> patternNodes(QStringView pattern)
{
    QList<Node> nodes;
    bool optional = false;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= pattern.size(); ++i) {
        const QChar c = i < pattern.size() ? pattern[i] : QChar(u':');
        const bool nameChar = c != u':' && c != u'[' && c != u']';
        if (c == u'[' && start >= 0 && pattern.mid(i).startsWith(u"[1]")) {
            nodes.append({pattern.mid(start, i - start), optional, true});
            start = -1;
            i += 2;
            continue;
        }
        if (nameChar) {
            if (start < 0)
                start = i;
            continue;
        }
        if (start >= 0) {
            nodes.append({pattern.mid(start, i - start), optional});
            start = -1;
        }
        if (c == u'[')
            optional = true;
        else if (c == u']')
            optional = false;
    }
    return nodes;
}

bool matchNodes(const QList<Node> &nodes, qsizetype node, const QStringList &sent, qsizetype at)
{
    if (node == nodes.size())
        return at == sent.size();
    if (nodes[node].optional && matchNodes(nodes, node + 1, sent, at))
        return true;
    if (at >= sent.size())
        return false;
    const QString &name = sent[at];
    const bool named = matchesMnemonic(name, nodes[node].name) ||
                       (nodes[node].suffix && name.endsWith(u'1') &&
                        matchesMnemonic(QStringView(name).chopped(1), nodes[node].name));
    return named && matchNodes(nodes, node + 1, sent, at + 1);
}

} // namespace

QStringList splitUnits(const QString &line)
{
    QStringList units;
    for (const QString &unit : splitOutsideQuotes(line, u';')) {
        if (!unit.trimmed().isEmpty())
            units << unit;
    }
    return units;
}

ParsedUnit parseUnit(const QString &text)
{
    ParsedUnit parsed;
    ProgramUnit &unit = parsed.unit;
    auto syntaxError = [&parsed] {
        parsed.error = ErrorCode::Syntax;
        return parsed;
    };

    qsizetype at = 0;
    while (at < text.size() && isBlank(text[at]))
        ++at;
    if (at < text.size() && text[at] == u'*') {
        unit.common = true;
        const qsizetype end = mnemonicEnd(text, at + 1);
        if (end < 0)
            return syntaxError();
        unit.mnemonics << text.mid(at, end - at).toUpper();
        at = end;
    } else {
        if (at < text.size() && text[at] == u':') {
            unit.absolute = true;
            ++at;
        }
        for (;;) {
            const qsizetype end = mnemonicEnd(text, at);
            if (end < 0)
                return syntaxError();
            unit.mnemonics << text.mid(at, end - at).toUpper();
            at = end;
            if (at >= text.size() || text[at] != u':')
                break;
            ++at;
        }
    }
    if (at < text.size() && text[at] == u'?') {
        unit.query = true;
        ++at;
    }
    if (at < text.size() && !isBlank(text[at]))
        return syntaxError();

    const QString rest = text.mid(at).trimmed();
    if (rest.isEmpty())
        return parsed;
    for (const QString &part : splitOutsideQuotes(rest, u',')) {
        const std::optional<Parameter> parameter = parseParameter(part.trimmed());
        if (!parameter)
            return syntaxError();
        unit.parameters << *parameter;
    }
    return parsed;
}

bool matchesMnemonic(QStringView sent, QStringView mnemonic)
{
    if (sent.compare(mnemonic, Qt::CaseInsensitive) == 0)
        return true;
    QString shortForm;
    for (const QChar c : mnemonic) {
        if (!c.isLower())
            shortForm += c;
    }
    return sent.compare(shortForm, Qt::CaseInsensitive) == 0;
}

bool matchesHeader(QStringView pattern, const QStringList &mnemonics)
{
    return matchNodes(patternNodes(pattern), 0, mnemonics, 0);
}

std::optional<double> scaledValue(const Parameter &parameter, QStringView unit)
{
    if (parameter.kind != Parameter::Kind::Numeric)
        return std::nullopt;
    const QString &suffix = parameter.text;
    if (suffix.isEmpty() || suffix == unit)
        return parameter.number;
    if (!suffix.endsWith(unit))
        return std::nullopt;
    static const std::array<std::pair<QStringView, double>, 12> multipliers{{
        {u"EX", 1e18},
        {u"PE", 1e15},
        {u"T", 1e12},
        {u"G", 1e9},
        {u"MA", 1e6},
        {u"K", 1e3},
        {u"M", 1e-3},
        {u"U", 1e-6},
        {u"N", 1e-9},
        {u"P", 1e-12},
        {u"F", 1e-15},
        {u"A", 1e-18},
    }};
    const QStringView prefix = QStringView(suffix).chopped(unit.size());
    for (const auto &[name, factor] : multipliers) {
        if (prefix == name)
            return parameter.number * factor;
    }
    return std::nullopt;
}

} // namespace pelmix::remote
