#include "AnalysisMenu.h"

#include "AnalysisWindow.h"
#include "BesidePanel.h"
#include "FileChoice.h"

#include "device/Shutdown.h"
#include "readings/CsvReader.h"
#include "readings/ReadingFeed.h"
#include "ui/MessageBoxes.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QtConcurrent>

namespace pelmix::ui {

namespace {

// The analysis window's frame as the user left it, in a group of its own of the settings.
const QString GeometryKey = QStringLiteral("Analysis/Geometry");

QSettings settings()
{
    return QSettings(QStringLiteral("Pelmix"), QStringLiteral("Pelmix"));
}

struct OpenedFile
{
    std::vector<readings::Row> rows;
    std::optional<QString> problem;
    QString warning; // about torn rows that were skipped
};

OpenedFile readReadingFile(const QString &path)
{
    OpenedFile opened;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        opened.problem = file.errorString();
        return opened;
    }
    const readings::ReadReport report = readings::readCsv(&file, opened.rows);
    if (report.error)
        opened.problem = report.error->message;
    else if (opened.rows.empty())
        opened.problem = AnalysisMenu::tr("it holds no readings");
    else if (!report.tornLines.empty())
        opened.warning = report.warning();
    return opened;
}

} // namespace

AnalysisMenu::AnalysisMenu(QMenuBar &bar, QAction &exitEntry, readings::ReadingFeed &feed,
                           MessageBoxes &messages, device::Shutdown &shutdown, QWidget &owner)
    : m_feed(feed)
    , m_messages(messages)
    , m_shutdown(shutdown)
    , m_owner(owner)
{
    QMenu *fileMenu = nullptr;
    for (QObject *holder : exitEntry.associatedObjects()) {
        if (auto *menu = qobject_cast<QMenu *>(holder))
            fileMenu = menu;
    }
    QObject *holder = fileMenu ? static_cast<QObject *>(fileMenu) : &bar;
    auto *open = new QAction(tr("Open Readings..."), holder);
    open->setObjectName(QStringLiteral("mnuFOpenReadings"));
    auto *record = new QAction(tr("Record Readings..."), holder);
    record->setObjectName(QStringLiteral("mnuFRecord"));
    auto *stop = new QAction(tr("Stop Recording"), holder);
    stop->setObjectName(QStringLiteral("mnuFStopRecord"));
    stop->setEnabled(false);
    if (fileMenu)
        fileMenu->insertActions(&exitEntry, {open, record, stop});

    QMenu *menu = bar.addMenu(tr("&Analysis"));
    menu->setObjectName(QStringLiteral("mnuAnalysis"));
    QAction *show = menu->addAction(tr("Analysis Window"));
    show->setObjectName(QStringLiteral("mnuAWindow"));
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    // From the analysis window too, which then comes to the front.
    show->setShortcutContext(Qt::ApplicationShortcut);

    connect(show, &QAction::triggered, this, &AnalysisMenu::showWindow);
    connect(open, &QAction::triggered, this, &AnalysisMenu::chooseReadings);
    connect(record, &QAction::triggered, this, &AnalysisMenu::chooseRecording);
    connect(stop, &QAction::triggered, &m_recorder, &readings::CsvRecorder::stop);
    connect(&m_recorder, &readings::CsvRecorder::recordingChanged, this,
            [record, stop](bool recording) {
                record->setEnabled(!recording);
                stop->setEnabled(recording);
            });
    connect(&m_recorder, &readings::CsvRecorder::failed, this,
            [&messages](const QString &message) { messages.show(message); });
    connect(&feed, &readings::ReadingFeed::appended, &m_recorder, &readings::CsvRecorder::record);
    connect(&feed, &readings::ReadingFeed::appended, this, [this] {
        if (m_window)
            m_window->readingsAppended();
    });
}

AnalysisMenu::~AnalysisMenu() = default;

void AnalysisMenu::showWindow()
{
    if (m_shutdown.isTriggered())
        return;
    if (!m_window) {
        m_window = std::make_unique<AnalysisWindow>(m_feed.store(), m_shutdown);
        // Where the user last left it; the first time, beside the panel.
        const QByteArray stored = settings().value(GeometryKey).toByteArray();
        if (stored.isEmpty() || !m_window->restoreGeometry(stored))
            placeBesidePanel();
        m_window->installEventFilter(this);
    }
    // Shown again, it stands where the user left it.
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

bool AnalysisMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window.get() && event->type() == QEvent::Hide)
        settings().setValue(GeometryKey, m_window->saveGeometry());
    return QObject::eventFilter(watched, event);
}

void AnalysisMenu::placeBesidePanel()
{
    const QScreen *screen = m_owner.screen();
    if (!screen)
        return;
    // The window manager adds the same frame to both windows: the panel's tells how much.
    const QRect panel = m_owner.frameGeometry();
    const QMargins frame(
        m_owner.geometry().left() - panel.left(), m_owner.geometry().top() - panel.top(),
        panel.right() - m_owner.geometry().right(), panel.bottom() - m_owner.geometry().bottom());
    const QSize extra(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QRect placed =
        besidePanel(panel, m_window->size() + extra, m_window->minimumSizeHint() + extra,
                    screen->availableGeometry());
    m_window->resize(placed.size() - extra);
    m_window->move(placed.topLeft());
}

void AnalysisMenu::chooseRecording()
{
    chooseCsv(tr("Record Readings"), QStringLiteral("RecordReadings"),
              [this](const QString &path) { m_recorder.start(path); });
}

void AnalysisMenu::chooseReadings()
{
    chooseCsv(tr("Open Readings"), QStringLiteral("OpenReadings"),
              [this](const QString &path) { openReadings(path); });
}

void AnalysisMenu::chooseCsv(const QString &title, const QString &name,
                             std::function<void(const QString &)> use)
{
    chooseFile(&m_owner,
               {title, name, {tr("CSV Files (*.csv)"), tr("All Files (*.*)")}, m_folder, false},
               [this, use = std::move(use)](const QString &path) {
                   if (m_shutdown.isTriggered())
                       return;
                   m_folder = QFileInfo(path).absolutePath();
                   use(path);
               });
}

void AnalysisMenu::openReadings(const QString &path)
{
    // A million rows take seconds to read: the window stays live meanwhile.
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    QtConcurrent::run(readReadingFile, path).then(this, [this, path](const OpenedFile &opened) {
        QGuiApplication::restoreOverrideCursor();
        if (m_shutdown.isTriggered())
            return;
        if (opened.problem) {
            m_messages.show(tr("%1 cannot be opened: %2").arg(path, *opened.problem));
            return;
        }
        if (!opened.warning.isEmpty())
            m_messages.show(tr("%1: %2").arg(path, opened.warning));
        analysis::ReadingStore &store = m_feed.store();
        store.endSeries();
        for (const readings::Row &row : opened.rows)
            store.append(row.setup, row.reading);
        store.endSeries();
        showWindow();
        if (m_window)
            m_window->refresh();
    });
}

void AnalysisMenu::shutDown()
{
    m_recorder.stop();
    if (m_window)
        m_window->close();
}

} // namespace pelmix::ui
