#pragma once

#include <QCoroTask>
#include <QString>

#include <optional>

class QWidget;

namespace pelmix::device {
class Shutdown;
}

namespace pelmix::ui {

// Asks for a log file: an existing one to append to, or the name of a new one. Starts in
// `folder` (the documents folder when empty). Nothing when cancelled or shut down meanwhile.
QCoro::Task<std::optional<QString>> chooseLogFile(QWidget *parent, QString folder,
                                                  device::Shutdown &shutdown);

} // namespace pelmix::ui
