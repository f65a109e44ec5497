#include "AnalysisWindow.h"

#include "Export.h"
#include "FileChoice.h"
#include "HistogramChart.h"
#include "LimitFields.h"
#include "Quantity.h"
#include "StabilityView.h"
#include "StatisticsView.h"
#include "TableCopy.h"
#include "TrendChart.h"

#include "analysis/ReadingStore.h"
#include "readings/SaveFile.h"
#include "ui/Art.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace pelmix::ui {

namespace {

QPushButton *button(QWidget *parent, const QString &text, const char *name,
                    const QString &accessibleName)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(accessibleName);
    return b;
}

QString setupText(const pelmix::Setup &setup)
{
    const double step = resolution(setup);
    return AnalysisWindow::tr("%1; resolution %2")
        .arg(describeSetup(setup), formatQuantity(step, pelmix::modeInfo(setup.mode).unit, step));
}

} // namespace

AnalysisWindow::AnalysisWindow(analysis::ReadingStore &store, device::Shutdown &shutdown,
                               QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_store(store)
    , m_messages(*this, shutdown)
{
    setObjectName(QStringLiteral("frmAnalysis"));
    setWindowTitle(tr("Pelmix \u2013 Analysis"));
    setAccessibleName(tr("Analysis"));
    setWindowIcon(Art::windowIcon());
    build();
    m_updates.setSingleShot(true);
    m_updates.setInterval(UpdatePeriodMs);
    connect(&m_updates, &QTimer::timeout, this, &AnalysisWindow::refresh);
    auto *close = new QShortcut(QKeySequence::Close, this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    const QSize wanted(1040, 680);
    const QSize room = screen() ? screen()->availableSize() * 0.9 : wanted;
    resize(wanted.boundedTo(room));
}

AnalysisWindow::~AnalysisWindow() = default;

void AnalysisWindow::build()
{
    m_seriesBox = new QComboBox(this);
    m_seriesBox->setObjectName(QStringLiteral("cboSeries"));
    m_seriesBox->setAccessibleName(tr("Series"));
    m_seriesBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_seriesBox->setMinimumContentsLength(30);
    auto *seriesLabel = new QLabel(tr("&Series:"), this);
    seriesLabel->setBuddy(m_seriesBox);
    m_clear = button(this, tr("&Clear Readings"), "cmdClear", tr("Clear all readings"));
    m_setup = new QLabel(this);
    m_setup->setObjectName(QStringLiteral("lblSetup"));
    m_setup->setWordWrap(true);

    m_statistics = new StatisticsView(this);
    enableCopy(*m_statistics);
    m_limitFields = new LimitFields(this);
    connect(m_limitFields, &LimitFields::limitsChanged, this, [this](const QString &problem) {
        m_status->setText(problem);
        limitsChanged();
        refresh();
    });
    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(m_statistics);
    leftLayout->addWidget(m_limitFields);
    m_saveStatistics = button(this, tr("Save Stat&istics\u2026"), "cmdSaveStatistics",
                              tr("Save the statistics as CSV"));
    leftLayout->addWidget(m_saveStatistics, 0, Qt::AlignLeft);
    leftLayout->addStretch(1);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabCharts"));
    m_tabs->setAccessibleName(tr("Charts"));
    m_trend = new TrendChart(m_tabs);
    m_histogram = new HistogramChart(m_tabs);
    m_stability = new StabilityView(m_tabs);
    m_tabs->addTab(m_trend, tr("&Trend"));
    m_tabs->addTab(m_histogram, tr("&Histogram"));
    m_tabs->addTab(m_stability, tr("Sta&bility"));

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("splAnalysis"));
    splitter->addWidget(left);
    splitter->addWidget(m_tabs);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);

    m_autoscale = button(this, tr("&Autoscale"), "cmdAutoscale", tr("Fit the trend chart"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_saveReadings = button(this, tr("Save &Readings\u2026"), "cmdSaveReadings",
                            tr("Save the readings of the series"));
    m_saveChart =
        button(this, tr("Sa&ve Chart\u2026"), "cmdSaveChart", tr("Save the chart as an image"));
    m_close = button(this, tr("Close"), "cmdClose", tr("Close the analysis window"));

    auto *top = new QHBoxLayout;
    top->addWidget(seriesLabel);
    top->addWidget(m_seriesBox, 1);
    top->addWidget(m_clear);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_autoscale);
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_saveReadings);
    bottom->addWidget(m_saveChart);
    bottom->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_setup);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);

    connect(m_seriesBox, &QComboBox::activated, this, &AnalysisWindow::seriesPicked);
    connect(m_clear, &QPushButton::clicked, this, &AnalysisWindow::clearReadings);
    connect(m_autoscale, &QPushButton::clicked, m_trend, &TrendChart::autoscale);
    connect(m_tabs, &QTabWidget::currentChanged, this,
            [this] { m_autoscale->setEnabled(m_tabs->currentWidget() == m_trend); });
    connect(m_saveReadings, &QPushButton::clicked, this, &AnalysisWindow::chooseReadingsFile);
    connect(m_saveChart, &QPushButton::clicked, this, &AnalysisWindow::chooseChartFile);
    connect(m_stability, &StabilityView::saveTableRequested, this,
            [this] { chooseTableFile(*m_stability->table(), tr("Save Table")); });
    connect(m_saveStatistics, &QPushButton::clicked, this,
            [this] { chooseTableFile(*m_statistics, tr("Save Statistics")); });
    connect(m_stability, &StabilityView::nominalChanged, this, &AnalysisWindow::refresh);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
}

void AnalysisWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

void AnalysisWindow::readingsAppended()
{
    if (!m_updates.isActive())
        m_updates.start();
}

const analysis::Series *AnalysisWindow::selectedSeries() const
{
    return m_selected >= 0 && m_selected < m_store.seriesCount() ? &m_store.series(m_selected)
                                                                 : nullptr;
}

void AnalysisWindow::refresh()
{
    m_updates.stop();
    if (!isVisible())
        return;
    listSeries();
    const analysis::Series *series = selectedSeries();
    const SeriesKey key{m_epoch, series ? m_selected : -1};
    if (!(key == m_shownKey)) {
        m_shownKey = key;
        m_failures = m_failuresCounted = 0;
        m_trend->setSeries(series);
        if (series && m_limitFields->setMode(series->setup().mode))
            limitsChanged();
        m_setup->setText(series ? setupText(series->setup())
                                : tr("No readings yet: measure, and they appear here."));
    } else {
        m_trend->refresh();
    }
    countFailures();
    m_histogram->showSeries(series, key);
    m_stability->showSeries(series, key);
    // After the stability view, which holds the nominal typed for this series.
    m_statistics->showSeries(series, limits().any() ? std::optional(m_failures) : std::nullopt,
                             m_stability->nominal());
    m_clear->setEnabled(!m_store.isEmpty());
    m_saveReadings->setEnabled(series && !series->isEmpty());
}

void AnalysisWindow::listSeries()
{
    const auto count = int(m_store.seriesCount());
    const bool followLatest = m_selected < 0 || m_selected == m_listed - 1;
    auto label = [this](int index) {
        const analysis::Series &series = m_store.series(index);
        return (series.size() == 1 ? tr("%1: %2 (%3 reading)") : tr("%1: %2 (%3 readings)"))
            .arg(index + 1)
            .arg(describeMeasurement(series.setup()))
            .arg(series.size());
    };
    // Only the last listed series can have grown; those after it are new.
    for (int index = std::max(0, m_listed - 1); index < count; ++index) {
        if (index < m_seriesBox->count())
            m_seriesBox->setItemText(index, label(index));
        else
            m_seriesBox->addItem(label(index));
    }
    m_listed = count;
    if (followLatest)
        m_selected = count - 1;
    m_seriesBox->setCurrentIndex(int(m_selected));
}

void AnalysisWindow::seriesPicked(int index)
{
    m_selected = index;
    refresh();
}

void AnalysisWindow::clearReadings()
{
    m_store.clear();
    ++m_epoch;
    m_selected = -1;
    m_listed = 0;
    m_seriesBox->clear();
    refresh();
}

const Limits &AnalysisWindow::limits() const
{
    return m_limitFields->limits();
}

void AnalysisWindow::limitsChanged()
{
    m_failures = m_failuresCounted = 0;
    m_trend->setLimits(limits());
    m_histogram->setLimits(limits());
}

void AnalysisWindow::countFailures()
{
    const analysis::Series *series = selectedSeries();
    if (!series || !limits().any())
        return;
    // Readings are only ever appended: each is looked at once.
    for (; m_failuresCounted < series->size(); ++m_failuresCounted) {
        const analysis::Reading reading = series->at(m_failuresCounted);
        if (!reading.isGap() && limits().isOutside(reading.value))
            ++m_failures;
    }
}

QGraphicsView *AnalysisWindow::currentChart() const
{
    if (m_tabs->currentWidget() == m_histogram)
        return m_histogram;
    if (m_tabs->currentWidget() == m_stability)
        return m_stability->chartView();
    return m_trend;
}

void AnalysisWindow::chooseReadingsFile()
{
    chooseFile(this,
               {tr("Save Readings"),
                QStringLiteral("SaveReadings"),
                {tr("CSV Files (*.csv)"), tr("All Files (*.*)")},
                m_folder,
                true},
               [this](const QString &path) { saveReadings(path); });
}

void AnalysisWindow::chooseChartFile()
{
    chooseFile(this,
               {tr("Save Chart"),
                QStringLiteral("SaveChart"),
                {tr("PNG Image (*.png)"), tr("SVG Image (*.svg)")},
                m_folder,
                true},
               [this](const QString &path) { saveChart(path); });
}

void AnalysisWindow::chooseTableFile(const QTableWidget &table, const QString &title)
{
    chooseFile(this,
               {title,
                QStringLiteral("SaveTable"),
                {tr("CSV Files (*.csv)"), tr("All Files (*.*)")},
                m_folder,
                true},
               [this, &table](const QString &path) {
                   m_folder = QFileInfo(path).absolutePath();
                   finishSave(path, saveTableCsv(table, path));
               });
}

void AnalysisWindow::saveReadings(const QString &path)
{
    const analysis::Series *series = selectedSeries();
    if (!series)
        return;
    m_folder = QFileInfo(path).absolutePath();
    m_status->setText(tr("Saving %1 readings\u2026").arg(series->size()));
    // A million readings take a while to format: the copy is written on another thread.
    auto *watcher = new QFutureWatcher<std::optional<QString>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, path] {
        finishSave(path, watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(
        QtConcurrent::run(&readings::saveReadings, path, series->setup(), series->readings()));
}

void AnalysisWindow::saveChart(const QString &path)
{
    m_folder = QFileInfo(path).absolutePath();
    finishSave(path, writeChart(*currentChart(), path));
}

void AnalysisWindow::finishSave(const QString &path, const std::optional<QString> &failure)
{
    if (failure) {
        m_status->setText(tr("Not saved."));
        m_messages.show(tr("%1 cannot be saved: %2").arg(path, *failure));
    } else {
        m_status->setText(tr("Saved %1.").arg(QFileInfo(path).fileName()));
    }
    emit saveFinished(path, failure.value_or(QString()));
}

} // namespace pelmix::ui
