#pragma once

#include <QtGlobal>

namespace pelmix::ui {

// What the options dialog and the about box change in the main window.
class DialogHost
{
public:
    virtual ~DialogHost() = default;

    // Closes the serial port; a failure is reported in a message box.
    virtual void releasePort() = 0;
    virtual qint16 portNumber() const = 0;
    virtual void setPortNumber(qint16 port) = 0;
    virtual float cyclePause() const = 0;
    virtual void setCyclePause(float seconds) = 0;
    // Ends the program at once, without storing the window's position.
    virtual void endProgram() = 0;
};

} // namespace pelmix::ui
