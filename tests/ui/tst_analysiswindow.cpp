// The analysis window and the recording of readings: from the main window against the
// simulated counter, and on readings put straight into a store.

#include "../common/UiRig.h"

#include "analysis/Allan.h"
#include "analysis/Csv.h"
#include "analysis/Histogram.h"
#include "analysis/ReadingStore.h"
#include "device/Shutdown.h"
#include "ui/analysis/AllanView.h"
#include "ui/analysis/AnalysisMenu.h"
#include "ui/analysis/AnalysisWindow.h"
#include "ui/analysis/HistogramChart.h"
#include "ui/analysis/StatisticsView.h"
#include "ui/analysis/TrendChart.h"

#include <QChartView>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>

using namespace pelmix;
using analysis::Mode;
using analysis::Setup;
using analysis::Status;
using pelmix::test::UiRig;
using Row = ui::StatisticsView::Row;

Q_DECLARE_METATYPE(pelmix::analysis::Setup)

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Accepts `path` in the file dialog called `name`.
void choose(QWidget *parent, const char *name, const QString &path)
{
    QFileDialog *dialog = nullptr;
    QVERIFY(QTest::qWaitFor(
        [&] { return (dialog = parent->findChild<QFileDialog *>(QLatin1String(name))); }));
    dialog->selectFile(path);
    static_cast<QDialog *>(dialog)->accept();
}

// An analysis window on a store of its own, shown offscreen.
struct WindowRig
{
    analysis::ReadingStore store;
    device::Shutdown shutdown;
    ui::AnalysisWindow window{store, shutdown};

    WindowRig() { window.show(); }
    ~WindowRig()
    {
        while (QMessageBox *box = test::visibleMessageBox())
            delete box;
    }
    // Values one second apart from `start`; NaN stands for a gap of `gap`.
    void add(const Setup &setup, const std::vector<double> &values, double start = 0,
             Status gap = Status::Timeout)
    {
        double at = start;
        for (const double v : values) {
            store.append(setup, {1'700'000'000'000 + qint64(at * 1000), at, v,
                                 std::isnan(v) ? gap : Status::Ok});
            at += 1;
        }
        window.refresh();
    }
    QString stat(Row row) const { return window.statistics().text(row); }
    template<typename T = QWidget> T *find(const char *name) const
    {
        return window.findChild<T *>(QLatin1String(name));
    }
    void setLimit(const char *field, const QString &text)
    {
        auto *edit = find<QLineEdit>(field);
        edit->setText(text);
        emit edit->editingFinished();
    }
};

const Setup Second{Mode::Frequency, 3};

} // namespace

class AnalysisWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { test::store().clear(); }

    void menusAndWindow();
    void liveWhileMeasuringCyclically();
    void recordingFromTheFileMenu();
    void killedProgramKeepsItsRecording();
    void statistics_data();
    void statistics();
    void gapsAndLimits();
    void zoomAndPanByKeys_data();
    void zoomAndPanByKeys();
    void zoomAndPanByMouse();
    void allanDeviations_data();
    void allanDeviations();
    void histogramBins();
    void pickingAndClearingSeries();
    void savingReadings_data();
    void savingReadings();
    void savingCharts_data();
    void savingCharts();
    void everyControlByKeyboardAndName();
};

void AnalysisWindowTest::menusAndWindow()
{
    UiRig rig;
    QStringList top;
    for (QAction *a : rig.window->menuBar()->actions())
        top << a->text();
    QCOMPARE(top, (QStringList{u"&File"_qs, u"&Options"_qs, u"&Help"_qs, u"&Analysis"_qs}));
    QStringList file;
    for (QAction *a : rig.find<QMenu>("mnuFile")->actions())
        file << a->objectName();
    QCOMPARE(file, (QStringList{u"mnuFOpen"_qs, u"mnuFSave"_qs, u"mnuFRecord"_qs,
                                u"mnuFStopRecord"_qs, u"mnuFExit"_qs}));
    QVERIFY(rig.action("mnuFRecord")->isEnabled());
    QVERIFY(!rig.action("mnuFStopRecord")->isEnabled());
    QVERIFY(rig.find<QMenu>("mnuAnalysis"));
    QAction *show = rig.action("mnuAWindow");
    QCOMPARE(show->text(), u"Analysis Window"_qs);
    QCOMPARE(show->shortcut(), QKeySequence(u"Ctrl+Shift+A"_qs));

    QVERIFY(!rig.window->analysis().window());
    show->trigger();
    ui::AnalysisWindow *window = rig.window->analysis().window();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowModality(), Qt::NonModal);
    window->close();
    show->trigger();
    QCOMPARE(rig.window->analysis().window(), window);
    QVERIFY(window->isVisible());
}

void AnalysisWindowTest::liveWhileMeasuringCyclically()
{
    UiRig rig;
    rig.meter().setCyclePause(0);
    rig.action("mnuAWindow")->trigger();
    ui::AnalysisWindow &window = *rig.window->analysis().window();
    QTest::mousePress(rig.find("Str11"), Qt::LeftButton);
    QTest::mouseRelease(rig.find("Str21"), Qt::LeftButton);
    // The statistics, the trend and the histogram follow while the cycle runs.
    window.findChild<QTabWidget *>()->setCurrentWidget(&window.histogram());
    QTRY_VERIFY(window.statistics().text(Row::Count).toInt() >= 3);
    QVERIFY(rig.meter().isCycleRunning());
    QTRY_VERIFY(window.histogram().bins() >= 1);
    // The trend, hidden meanwhile, catches up when shown.
    window.findChild<QTabWidget *>()->setCurrentWidget(&window.trend());
    QVERIFY(window.trend().line()->count() >= 3);
    QTest::mouseClick(rig.find("Str21"), Qt::LeftButton);
    QVERIFY(rig.waitIdle());
    // And after it: everything measured is there.
    QTRY_COMPARE(window.statistics().text(Row::Count),
                 QString::number(window.selectedSeries()->size()));
    // A 1 ms gate resolves 1 kHz; the mean has a digit more.
    QCOMPARE(window.statistics().text(Row::Mean), u"12.0 kHz"_qs);
}

void AnalysisWindowTest::recordingFromTheFileMenu()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"readings.csv"_qs);
    UiRig rig;
    auto measureOnce = [&rig] {
        rig.find<QToolButton>("hand1")->click();
        QVERIFY(rig.waitIdle());
    };
    rig.action("mnuFRecord")->trigger();
    choose(rig.window.get(), "RecordReadings", path);
    QTRY_VERIFY(rig.action("mnuFStopRecord")->isEnabled());
    QVERIFY(!rig.action("mnuFRecord")->isEnabled());
    measureOnce();
    measureOnce();
    rig.action("mnuFStopRecord")->trigger();
    QVERIFY(rig.action("mnuFRecord")->isEnabled());
    measureOnce();
    std::vector<analysis::CsvRow> rows;
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!analysis::readCsv(&file, rows));
    QCOMPARE(rows.size(), std::size_t(2));
    QCOMPARE(rows[0].reading.value, 12000.0);

    // A recording whose file goes away is reported once and stops; measuring goes on.
    auto gone = std::make_unique<QTemporaryDir>();
    rig.window->analysis().recorder().start(gone->filePath(u"gone.csv"_qs));
    gone.reset();
    measureOnce();
    const QString message = test::answerMessage();
    QVERIFY2(message.contains(u"deleted"_qs), qPrintable(message));
    QVERIFY(rig.action("mnuFRecord")->isEnabled());
    QVERIFY(!rig.action("mnuFStopRecord")->isEnabled());
    measureOnce();
    QCOMPARE(test::answerMessage(300), QString());
}

void AnalysisWindowTest::killedProgramKeepsItsRecording()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"killed.csv"_qs);
    QProcess process;
    process.start(QStringLiteral(PELMIX_RECORDKILLER_PATH), {path});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    std::vector<analysis::CsvRow> rows;
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!analysis::readCsv(&file, rows));
    QCOMPARE(rows.size(), std::size_t(2));
    QCOMPARE(rows[0].reading.value, 12345.0);
    QCOMPARE(rows[1].reading.value, 12346.0);
}

void AnalysisWindowTest::statistics_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<std::vector<double>>("values");
    QTest::addColumn<QStringList>("texts"); // count, mean, deviation, min, max, p-p, last

    QTest::newRow("frequency, 1 s gate")
        << Second << std::vector<double>{12345, 12346, 12346}
        << QStringList{u"3"_qs,          u"12.3457 kHz"_qs, u"600 mHz"_qs,   u"12.345 kHz"_qs,
                       u"12.346 kHz"_qs, u"1 Hz"_qs,        u"12.346 kHz"_qs};
    QTest::newRow("period, multiplier 10")
        << Setup{Mode::Period, 1} << std::vector<double>{81.00e-6, 81.02e-6}
        << QStringList{u"2"_qs,
                       u"81.010 \u00b5s"_qs,
                       u"14 ns"_qs,
                       u"81.00 \u00b5s"_qs,
                       u"81.02 \u00b5s"_qs,
                       u"20 ns"_qs,
                       u"81.02 \u00b5s"_qs};
    QTest::newRow("pulse count") << Setup{Mode::Count} << std::vector<double>{1000, 1003}
                                 << QStringList{u"2"_qs,    u"1001.5"_qs, u"2.1"_qs, u"1000"_qs,
                                                u"1003"_qs, u"3"_qs,      u"1003"_qs};
    QTest::newRow("one reading") << Second << std::vector<double>{5}
                                 << QStringList{u"1"_qs,    u"5.0 Hz"_qs, u"\u2013"_qs, u"5 Hz"_qs,
                                                u"5 Hz"_qs, u"0 Hz"_qs,   u"5 Hz"_qs};
}

void AnalysisWindowTest::statistics()
{
    QFETCH(Setup, setup);
    QFETCH(std::vector<double>, values);
    QFETCH(QStringList, texts);
    WindowRig rig;
    rig.add(setup, values);
    const Row rows[] = {Row::Count,   Row::Mean,    Row::StandardDeviation,
                        Row::Minimum, Row::Maximum, Row::PeakToPeak,
                        Row::Last};
    for (int i = 0; i < texts.size(); ++i)
        QCOMPARE(rig.stat(rows[i]), texts[i]);
}

void AnalysisWindowTest::gapsAndLimits()
{
    WindowRig rig;
    const double gap = std::nan("");
    rig.add(Second, {12000, gap, 12010, 12050, gap, 11990, 12000});
    rig.add(Second, {gap}, 7, Status::Overflow);
    rig.add(Second, {gap}, 8, Status::Unreadable);
    QCOMPARE(rig.stat(Row::Count), u"5"_qs);
    QCOMPARE(rig.stat(Row::NoReply), u"2"_qs);
    QCOMPARE(rig.stat(Row::Overflow), u"1"_qs);
    QCOMPARE(rig.stat(Row::Unreadable), u"1"_qs);
    QCOMPARE(rig.stat(Row::Failures), u"\u2013"_qs);
    // Gaps have no place on the line.
    QCOMPARE(rig.window.trend().line()->count(), 5);

    rig.setLimit("txtUpper", u"12.02 kHz"_qs);
    rig.setLimit("txtLower", u"11995"_qs);
    QCOMPARE(rig.window.failures(), 2);
    QCOMPARE(rig.stat(Row::Failures), u"2"_qs);
    QCOMPARE(rig.window.trend().outsidePoints()->points(),
             (QList<QPointF>{{3, 12.05}, {5, 11.99}}));
    // Readings that come later are counted as they come.
    rig.add(Second, {13000}, 9);
    QCOMPARE(rig.stat(Row::Failures), u"3"_qs);
    // What cannot be read as a value leaves the limit as it was.
    rig.setLimit("txtUpper", u"high"_qs);
    QVERIFY(rig.find<QLabel>("lblStatus")->text().contains(u"not a value"_qs));
    QCOMPARE(rig.window.limits().upper, std::optional(12020.0));
    rig.setLimit("txtUpper", QString());
    rig.setLimit("txtLower", QString());
    QCOMPARE(rig.stat(Row::Failures), u"\u2013"_qs);
    QVERIFY(rig.window.trend().outsidePoints()->points().isEmpty());
}

void AnalysisWindowTest::zoomAndPanByKeys_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QRectF>("range"); // left, bottom, width, height (kHz)

    // The readings run from 0 s to 100 s and from 10 kHz to 11 kHz, seen with 5 % margins.
    const double bottom = 9.95, height = 1.1;
    // Values that are not zoomed follow the readings in view.
    QTest::newRow("+ zooms time about the middle")
        << QKeySequence(Qt::Key_Plus) << QRectF(25, 10.225, 50, 0.55);
    QTest::newRow("- widens time")
        << QKeySequence(Qt::Key_Minus) << QRectF(-50, bottom, 200, height);
    QTest::newRow("Ctrl and + zooms values")
        << QKeySequence(Qt::CTRL | Qt::Key_Plus) << QRectF(0, 10.225, 100, 0.55);
    QTest::newRow("right pans a tenth")
        << QKeySequence(Qt::Key_Right) << QRectF(10, 10.055, 100, 0.99);
    QTest::newRow("up pans the values")
        << QKeySequence(Qt::Key_Up) << QRectF(0, bottom + 0.11, 100, height);
    QTest::newRow("Home fits again")
        << QKeySequence(Qt::Key_Plus, Qt::Key_Up, Qt::Key_Home) << QRectF(0, bottom, 100, height);
}

void AnalysisWindowTest::zoomAndPanByKeys()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QRectF, range);
    WindowRig rig;
    std::vector<double> values(101);
    for (int i = 0; i <= 100; ++i)
        values[std::size_t(i)] = 10000 + i * 10;
    rig.add(Second, values);
    ui::TrendChart &trend = rig.window.trend();
    QVERIFY(trend.isAutoscaled());
    for (int i = 0; i < keys.count(); ++i)
        QTest::keyClick(&trend, keys[i].key(), keys[i].keyboardModifiers());
    const ui::TrendChart::Range view = trend.visibleRange();
    const QRectF shown(view.left, view.bottom, view.right - view.left, view.top - view.bottom);
    for (const auto &[got, wanted] : {std::pair{shown.left(), range.left()},
                                      {shown.width(), range.width()},
                                      {shown.top(), range.top()},
                                      {shown.height(), range.height()}})
        QVERIFY2(std::fabs(got - wanted) < 1e-9,
                 qPrintable(u"%1 instead of %2"_qs.arg(got).arg(wanted)));
    QCOMPARE(trend.isAutoscaled(), keys[keys.count() - 1].key() == Qt::Key_Home);
}

void AnalysisWindowTest::zoomAndPanByMouse()
{
    WindowRig rig;
    std::vector<double> values(101, 12000);
    rig.add(Second, values);
    ui::TrendChart &trend = rig.window.trend();
    QWidget *viewport = trend.viewport();
    const QPoint middle = trend.chart()->plotArea().center().toPoint();

    QWheelEvent wheel(middle, viewport->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    QVERIFY(std::fabs(trend.visibleRange().right - trend.visibleRange().left - 80) < 1e-9);

    // Dragging a quarter of the plot's width to the right shows earlier readings.
    const double left = trend.visibleRange().left;
    const int quarter = int(trend.chart()->plotArea().width() / 4);
    QTest::mousePress(viewport, Qt::LeftButton, {}, middle);
    QTest::mouseMove(viewport, middle + QPoint(quarter, 0));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, middle + QPoint(quarter, 0));
    QVERIFY(std::fabs(trend.visibleRange().left - (left - 20)) < 1);

    QTest::mouseDClick(viewport, Qt::LeftButton, {}, middle);
    QVERIFY(trend.isAutoscaled());
    QCOMPARE(trend.visibleRange().right, 100.0);
}

void AnalysisWindowTest::allanDeviations_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<int>("rows");

    QTest::newRow("frequency") << Second << 5;
    QTest::newRow("period") << Setup{Mode::Period, 2} << 5;
    QTest::newRow("time interval") << Setup{Mode::Interval} << 0;
}

void AnalysisWindowTest::allanDeviations()
{
    QFETCH(Setup, setup);
    QFETCH(int, rows);
    WindowRig rig;
    rig.find<QTabWidget>("tabCharts")->setCurrentWidget(&rig.window.allan());
    // 70 readings, their spacing mostly 2 s with a few longer pauses and one gap.
    std::vector<double> values;
    std::vector<double> times;
    double at = 0;
    for (int i = 0; i < 70; ++i) {
        const double value = 1e-3 * (1 + (i * 7919 % 13) + (i % 5 == 0 ? 3 : 0));
        rig.store.append(
            setup, {0, at, i == 30 ? std::nan("") : value, i == 30 ? Status::Timeout : Status::Ok});
        if (i != 30) {
            values.push_back(value);
            times.push_back(at);
        }
        at += i % 10 == 9 ? 5 : 2;
    }
    rig.window.refresh();
    ui::AllanView &allan = rig.window.allan();
    QTRY_VERIFY(allan.isIdle());
    QTableWidget *table = allan.table();
    QCOMPARE(table->rowCount(), rows);
    if (rows == 0) {
        QVERIFY(allan.note().contains(u"frequency and period"_qs));
        return;
    }
    // Factors 1 to 16, a quarter of the 69 values; tau from the median spacing, 2 s.
    const std::vector<qint64> factors{1, 2, 4, 8, 16};
    const auto expected = analysis::allanDeviations(values, 2.0, factors);
    const QLatin1String unit = analysis::unit(setup.mode);
    for (int row = 0; row < rows; ++row) {
        const analysis::AllanPoint &p = expected[std::size_t(row)];
        QCOMPARE(table->item(row, 0)->text(), QString::number(p.m));
        QCOMPARE(table->item(row, 1)->text(),
                 ui::formatSignificant(2.0 * double(p.m), QLatin1String("s"), 4));
        QCOMPARE(table->item(row, 2)->text(), ui::formatSignificant(p.oadev, unit));
        QCOMPARE(table->item(row, 3)->text(), ui::formatSignificant(p.oadevError(), unit));
        QCOMPARE(table->item(row, 5)->text(), ui::formatSignificant(p.mdev, unit));
        QCOMPARE(table->item(row, 7)->text(), QString::number(p.mdevTerms));
    }
    QVERIFY(allan.note().contains(u"2.000 s"_qs) && allan.note().contains(u"dead time"_qs));
    // Log-log axes, error bars beside the points.
    auto *chart = allan.chartView()->chart();
    QCOMPARE(chart->axes(Qt::Horizontal).constFirst()->type(), QAbstractAxis::AxisTypeLogValue);
    QCOMPARE(chart->axes(Qt::Vertical).constFirst()->type(), QAbstractAxis::AxisTypeLogValue);
    QVERIFY(chart->series().size() >= 2 + 2 * rows);
}

void AnalysisWindowTest::histogramBins()
{
    WindowRig rig;
    std::vector<double> values;
    for (int i = 0; i < 500; ++i)
        values.push_back(12000 + (i * 37 % 101));
    rig.add(Second, values);
    rig.find<QTabWidget>("tabCharts")->setCurrentWidget(&rig.window.histogram());
    QTRY_VERIFY(rig.window.histogram().isIdle() && rig.window.histogram().bins() > 0);
    QCOMPARE(rig.window.histogram().bins(), qsizetype(analysis::histogram(values).counts.size()));
}

void AnalysisWindowTest::pickingAndClearingSeries()
{
    WindowRig rig;
    rig.add(Second, {1, 2, 3});
    rig.add(Setup{Mode::Period, 0}, {1e-3, 2e-3});
    auto *box = rig.find<QComboBox>("cboSeries");
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->currentIndex(), 1);
    QCOMPARE(box->itemText(0), u"1: Frequency, measuring time 1 s (3 readings)"_qs);

    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(rig.window.selectedSeries(), &rig.store.series(0));
    QCOMPARE(rig.stat(Row::Count), u"3"_qs);
    // An earlier series stays picked while the latest grows or a new one starts.
    rig.add(Setup{Mode::Period, 0}, {3e-3});
    rig.add(Setup{Mode::Interval}, {1e-3});
    QCOMPARE(rig.window.selectedSeries(), &rig.store.series(0));
    QCOMPARE(box->itemText(1), u"2: Period, multiplier 1 (3 readings)"_qs);
    QCOMPARE(box->count(), 3);

    rig.find<QPushButton>("cmdClear")->click();
    QVERIFY(rig.store.isEmpty());
    QCOMPARE(box->count(), 0);
    QCOMPARE(rig.stat(Row::Count), u"\u2013"_qs);
    QCOMPARE(rig.window.trend().line()->count(), 0);
    rig.add(Second, {7});
    QCOMPARE(rig.stat(Row::Count), u"1"_qs);
}

void AnalysisWindowTest::savingReadings_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("saved");

    QTest::newRow("a new file") << u"series.csv"_qs << true;
    QTest::newRow("no such folder") << u"missing/series.csv"_qs << false;
}

void AnalysisWindowTest::savingReadings()
{
    QFETCH(QString, name);
    QFETCH(bool, saved);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    WindowRig rig;
    rig.add(Second, {12345, std::nan(""), 12346});
    QSignalSpy finished(&rig.window, &ui::AnalysisWindow::saveFinished);
    rig.find<QPushButton>("cmdSaveReadings")->click();
    choose(&rig.window, "SaveReadings", path);
    QVERIFY(finished.wait());
    if (!saved) {
        QVERIFY(test::answerMessage().contains(path));
        QVERIFY(!QFile::exists(path));
        return;
    }
    QCOMPARE(finished.at(0).at(1).toString(), QString());
    std::vector<analysis::CsvRow> rows;
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!analysis::readCsv(&file, rows));
    QCOMPARE(rows.size(), std::size_t(3));
    QCOMPARE(rows[1].reading.status, Status::Timeout);
    QCOMPARE(rows[2].reading.value, 12346.0);
    QCOMPARE(rows[2].setup, Second);
}

void AnalysisWindowTest::savingCharts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("start");

    QTest::newRow("PNG") << u"trend.png"_qs << QByteArray("\x89PNG");
    QTest::newRow("SVG") << u"trend.svg"_qs << QByteArray("<?xml");
    QTest::newRow("PNG by the filter") << u"trend"_qs << QByteArray("\x89PNG");
}

void AnalysisWindowTest::savingCharts()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, start);
    QTemporaryDir dir;
    WindowRig rig;
    rig.add(Second, {12345, 12346, 12345});
    rig.find<QPushButton>("cmdSaveChart")->click();
    choose(&rig.window, "SaveChart", dir.filePath(name));
    const QString path = dir.filePath(name.contains(u'.') ? name : name + u".png"_qs);
    QTRY_VERIFY(QFile::exists(path));
    const QByteArray bytes = contents(path);
    QVERIFY(bytes.startsWith(start));
    if (start == "<?xml")
        QVERIFY(bytes.contains("<svg") && bytes.contains("Time since the first reading"));
}

void AnalysisWindowTest::everyControlByKeyboardAndName()
{
    WindowRig rig;
    rig.add(Second, {1, 2});
    rig.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig.window));
    // Through the window as the trend shows, then as the Allan deviations do.
    auto tabThrough = [](QWidget *from) {
        from->setFocus();
        QSet<QWidget *> reached;
        for (int i = 0; i < 30 && QApplication::focusWidget(); ++i) {
            reached.insert(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return reached;
    };
    auto *tabs = rig.find<QTabWidget>("tabCharts");
    QSet<QWidget *> reached = tabThrough(rig.find("cboSeries"));
    tabs->setCurrentWidget(&rig.window.allan());
    reached += tabThrough(rig.find("cboSeries"));
    for (const char *name : {"cboSeries", "cmdClear", "tblStatistics", "txtUpper", "txtLower",
                             "chtTrend", "chtAllan", "tblAllan", "lblAllanNote", "cmdAutoscale",
                             "cmdSaveReadings", "cmdSaveChart", "cmdClose"}) {
        QWidget *widget = rig.find(name);
        QVERIFY2(widget && reached.contains(widget), name);
    }
    QVERIFY(reached.contains(tabs->tabBar()));
    // Each control a person reaches has a name a screen reader says; the tabs have theirs.
    for (QWidget *widget : std::as_const(reached)) {
        if (widget != tabs->tabBar())
            QVERIFY2(!widget->accessibleName().isEmpty() && !widget->objectName().isEmpty(),
                     widget->metaObject()->className());
    }
}

QTEST_MAIN(AnalysisWindowTest)
#include "tst_analysiswindow.moc"
