#pragma once

#include <QFileIconProvider>

namespace pelmix::ui {

// File icons by kind only. The default provider reads a file's first bytes to name its
// type, and reading a device file (a serial port, /dev/zero) can block the window.
class PlainIcons : public QFileIconProvider
{
public:
    QString type(const QFileInfo &) const override { return {}; }
};

} // namespace pelmix::ui
