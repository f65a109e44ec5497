#include "Engine.h"

#include "Acquisition.h"
#include "Commands.h"
#include "Parameters.h"
#include "ScpiParser.h"

#include <QStringList>

namespace pelmix::remote {

namespace {

// One unit through the table: its parameters checked, then its handler.
QCoro::Task<Reply> dispatch(Call &call)
{
    if (call.isQuery() && call.command.form == Command::Form::Setting) {
        bool named = false;
        Reply reply = limitQuery(call, named);
        if (named)
            co_return reply;
    }
    if (!checkParameters(call))
        co_return std::nullopt;
    co_return co_await call.command.handler(call);
}

QCoro::Task<QString> run(std::shared_ptr<Shared> shared, QString line,
                         std::shared_ptr<Session> session)
{
    QStringList responses;
    // A header after ';' that starts with neither ':' nor '*' continues the previous
    // header's path; each line starts again at the root.
    QStringList path;
    for (const QString &text : splitUnits(line)) {
        if (session->gone)
            break;
        const ParsedUnit parsed = parseUnit(text);
        if (parsed.error != ErrorCode::NoError) {
            session->report(parsed.error);
            break;
        }
        const ProgramUnit &unit = parsed.unit;
        QStringList header = unit.mnemonics;
        if (!unit.common) {
            if (!unit.absolute)
                header = path + header;
            path = header;
            path.removeLast();
        }
        const Command *command = findCommand(header, unit.query);
        if (!command) {
            session->report(ErrorCode::UndefinedHeader);
            break;
        }
        Call call{unit, *command,           *shared, session, !responses.isEmpty(),
                  {},   ErrorCode::NoError, {}};
        const Reply response = co_await dispatch(call);
        if (call.error != ErrorCode::NoError) {
            session->report(call.error, call.detail);
            // A unit that was not understood leaves the rest of its line unread.
            if (isCommandError(call.error))
                break;
        } else if (response) {
            responses << *response;
        }
    }
    co_return responses.join(u';');
}

} // namespace

Engine::Engine(Instrument &instrument)
    : m_shared(std::make_shared<Shared>(Shared{instrument, std::make_shared<Trigger>(instrument)}))
{
}

Engine::~Engine() = default;

QCoro::Task<QString> Engine::execute(QString line, std::shared_ptr<Session> session)
{
    // The shared state lives on with this call when the engine goes during a measurement.
    return run(m_shared, std::move(line), std::move(session));
}

void Engine::abandon(const Session &session)
{
    m_shared->trigger->abort(&session);
}

void Engine::abortAll()
{
    m_shared->trigger->abort();
}

bool Engine::isMeasuring() const
{
    return m_shared->trigger->isBusy();
}

const Settings &Engine::settings() const
{
    return m_shared->settings;
}

} // namespace pelmix::remote
