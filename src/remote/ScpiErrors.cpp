#include "ScpiErrors.h"

namespace pelmix::remote {

namespace {

// Error details come from the counter's side and end up inside a quoted reply: keep them
// short and printable, with quotes doubled as a string response needs.
constexpr qsizetype MaxDetail = 80;

QString quotedDetail(const QString &detail)
{
    QString text;
    for (const QChar c : detail.left(MaxDetail)) {
        if (c == u'"')
            text += u"\"\""_qs;
        else if (c.unicode() >= 0x20 && c.unicode() < 0x7f)
            text += c;
        else
            text += u' ';
    }
    return text.trimmed();
}

} // namespace

QString errorText(ErrorCode code)
{
    switch (code) {
    case ErrorCode::NoError:
        return u"No error"_qs;
    case ErrorCode::Command:
        return u"Command error"_qs;
    case ErrorCode::Syntax:
        return u"Syntax error"_qs;
    case ErrorCode::DataType:
        return u"Data type error"_qs;
    case ErrorCode::ParameterNotAllowed:
        return u"Parameter not allowed"_qs;
    case ErrorCode::MissingParameter:
        return u"Missing parameter"_qs;
    case ErrorCode::UndefinedHeader:
        return u"Undefined header"_qs;
    case ErrorCode::InvalidSuffix:
        return u"Invalid suffix"_qs;
    case ErrorCode::SuffixNotAllowed:
        return u"Suffix not allowed"_qs;
    case ErrorCode::Parameter:
        return u"Parameter error"_qs;
    case ErrorCode::DataOutOfRange:
        return u"Data out of range"_qs;
    case ErrorCode::IllegalParameterValue:
        return u"Illegal parameter value"_qs;
    case ErrorCode::InitIgnored:
        return u"Init ignored"_qs;
    case ErrorCode::DataStale:
        return u"Data corrupt or stale"_qs;
    case ErrorCode::QueueOverflow:
        return u"Queue overflow"_qs;
    case ErrorCode::InputBufferOverrun:
        return u"Input buffer overrun"_qs;
    case ErrorCode::QueryInterrupted:
        return u"Query INTERRUPTED"_qs;
    case ErrorCode::QueryUnterminated:
        return u"Query UNTERMINATED"_qs;
    case ErrorCode::NoReply:
        return u"No reply from the counter"_qs;
    case ErrorCode::TooManyClients:
        return u"Too many clients"_qs;
    }
    return u"Unknown error"_qs;
}

bool isCommandError(ErrorCode code)
{
    return int(code) <= -100 && int(code) >= -199;
}

quint8 eventBit(ErrorCode code)
{
    const int n = int(code);
    if (n == 0)
        return 0;
    if (n <= -400)
        return EventBit::QueryError;
    if (n <= -300 || n > 0)
        return EventBit::DeviceError;
    if (n <= -200)
        return EventBit::ExecutionError;
    return EventBit::CommandError;
}

QString formatError(const Error &error)
{
    QString text = errorText(error.code);
    const QString detail = quotedDetail(error.detail);
    if (!detail.isEmpty())
        text += u';' + detail;
    return QString::asprintf("%+d", int(error.code)) + u",\""_qs + text + u'"';
}

void ErrorQueue::push(ErrorCode code, const QString &detail)
{
    if (m_errors.size() < Capacity) {
        m_errors.push_back({code, detail});
        return;
    }
    m_errors.back() = {ErrorCode::QueueOverflow, {}};
}

Error ErrorQueue::pop()
{
    if (m_errors.empty())
        return {};
    Error error = m_errors.front();
    m_errors.pop_front();
    return error;
}

} // namespace pelmix::remote
