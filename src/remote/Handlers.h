#pragma once

#include "Call.h"

// The commands' handlers. Each gets its parameter checked (Call::value); a setting's
// handler both sets and answers its query.
namespace pelmix::remote::handlers {

// IEEE 488.2 common commands and SYSTem (StatusHandlers.cpp).
QCoro::Task<Reply> identify(Call &call);
QCoro::Task<Reply> reset(Call &call);
QCoro::Task<Reply> clearStatus(Call &call);
QCoro::Task<Reply> eventEnable(Call &call);
QCoro::Task<Reply> eventStatus(Call &call);
QCoro::Task<Reply> serviceEnable(Call &call);
QCoro::Task<Reply> statusByte(Call &call);
QCoro::Task<Reply> operationComplete(Call &call);
QCoro::Task<Reply> operationCompleteQuery(Call &call);
QCoro::Task<Reply> wait(Call &call);
QCoro::Task<Reply> selfTest(Call &call);
QCoro::Task<Reply> nextError(Call &call);
QCoro::Task<Reply> errorCount(Call &call);
QCoro::Task<Reply> version(Call &call);
QCoro::Task<Reply> helpHeaders(Call &call);
QCoro::Task<Reply> operationCondition(Call &call);

// Measurements (MeasureHandlers.cpp).
QCoro::Task<Reply> configure(Call &call);
QCoro::Task<Reply> configuration(Call &call);
QCoro::Task<Reply> measure(Call &call);
QCoro::Task<Reply> read(Call &call);
QCoro::Task<Reply> initiate(Call &call);
QCoro::Task<Reply> fetch(Call &call);
QCoro::Task<Reply> abort(Call &call);
QCoro::Task<Reply> averages(Call &call);

// Settings (SettingHandlers.cpp).
QCoro::Task<Reply> sampleCount(Call &call);
QCoro::Task<Reply> gateTime(Call &call);
QCoro::Task<Reply> multiplier(Call &call);
QCoro::Task<Reply> level(Call &call);
QCoro::Task<Reply> slope(Call &call);
QCoro::Task<Reply> filter(Call &call);
QCoro::Task<Reply> coupling(Call &call);

// A setting changed: the connection's finished readings and the statistics are stale.
void settingsChanged(Call &call);

} // namespace pelmix::remote::handlers
