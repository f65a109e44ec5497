#pragma once

#include "sim/CounterModel.h"
#include "sim/PtyServer.h"
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTest>

#include <functional>
#include <memory>

namespace pelmix::test {

// The visible message box, if any.
inline QMessageBox *visibleMessageBox()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    return nullptr;
}

// Waits for a message box, answers it with OK and returns its text ("" when none came).
inline QString answerMessage(int timeoutMs = 3000)
{
    QMessageBox *box = nullptr;
    if (!QTest::qWaitFor([&] { return (box = visibleMessageBox()) != nullptr; }, timeoutMs))
        return {};
    const QString text = box->text();
    box->button(QMessageBox::Ok)->click();
    QTest::qWait(1);
    return text;
}

// Chooses `path` in the file dialog called `name` under `parent`; an empty path cancels.
inline void choose(QWidget *parent, const char *name, const QString &path)
{
    QFileDialog *dialog = nullptr;
    QVERIFY(QTest::qWaitFor(
        [&] { return (dialog = parent->findChild<QFileDialog *>(QLatin1String(name))); }));
    if (path.isEmpty()) {
        dialog->reject();
        return;
    }
    dialog->selectFile(path);
    static_cast<QDialog *>(dialog)->accept();
}

inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline QSettings store()
{
    return QSettings(QStringLiteral("Pelmix"), QStringLiteral("Pelmix"));
}

// The real main window, offscreen, on the simulated counter behind a real
// pseudo-terminal that the settings store names as Com2.
struct UiRig
{
    sim::CounterModel model;
    sim::PtyServer server{model};
    std::unique_ptr<ui::MainWindow> window;
    bool ended = false;

    // `prepare` may change the store and the counter before the window starts.
    explicit UiRig(const std::function<void(QSettings &, UiRig &)> &prepare = {},
                   bool waitForPort = true)
    {
        if (auto error = server.start())
            qFatal("cannot start the simulated counter: %s", qPrintable(*error));
        {
            QSettings settings = store();
            settings.clear();
            settings.setValue(QStringLiteral("Ports/Com2"), server.devicePath());
            if (prepare)
                prepare(settings, *this);
        }
        window = std::make_unique<ui::MainWindow>();
        QObject::connect(window.get(), &ui::MainWindow::programEnded, window.get(),
                         [this] { ended = true; });
        window->show();
        if (waitForPort && !QTest::qWaitFor([this] { return link().isOpen(); }, 3000))
            qWarning("the port did not open");
    }
    ~UiRig()
    {
        window.reset();
        while (QMessageBox *box = visibleMessageBox())
            delete box;
    }

    template<typename T = QWidget> T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QAction *action(const char *name) const { return find<QAction>(name); }
    QString text(const char *display) const { return find<QLineEdit>(display)->text(); }
    device::Link &link() const { return window->session().link(); }
    measure::Meter &meter() const { return window->session().meter(); }
    bool waitIdle(int ms = 10000)
    {
        return QTest::qWaitFor([this] { return meter().activeTasks() == 0; }, ms);
    }
};

} // namespace pelmix::test
