// The analysis window and the recording of readings: from the main window against the
// simulated counter, and on readings put straight into a store.

#include "../common/SmallDisk.h"
#include "../common/UiRig.h"

#include "analysis/NoiseType.h"
#include "analysis/ReadingStore.h"
#include "analysis/Stability.h"
#include "device/Shutdown.h"
#include "readings/CsvReader.h"
#include "readings/ReadingText.h"
#include "readings/SaveFile.h"
#include "ui/analysis/AnalysisMenu.h"
#include "ui/analysis/AnalysisWindow.h"
#include "ui/analysis/BesidePanel.h"
#include "ui/analysis/HistogramChart.h"
#include "ui/analysis/StabilityChart.h"
#include "ui/analysis/StabilityView.h"
#include "ui/analysis/StatisticsView.h"
#include "ui/analysis/TrendChart.h"

#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QProcess>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QValueAxis>

using namespace pelmix;
using pelmix::test::choose;
using pelmix::test::UiRig;
using Row = ui::StatisticsView::Row;

Q_DECLARE_METATYPE(pelmix::Setup)
Q_DECLARE_METATYPE(pelmix::analysis::Measured)

namespace {

constexpr double Gap = std::numeric_limits<double>::quiet_NaN();
const Setup Second{Mode::Frequency, 3};

std::vector<readings::Row> recorded(const QString &path)
{
    std::vector<readings::Row> rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || readings::readCsv(&file, rows).error)
        qWarning("%s cannot be read", qPrintable(path));
    return rows;
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
    QString stats() const
    {
        QStringList texts;
        for (int row = 0; row < Row::RowCount; ++row)
            texts << stat(Row(row));
        return texts.join(u" | "_qs);
    }
    template<typename T = QWidget> T *find(const char *name) const
    {
        return window.findChild<T *>(QLatin1String(name));
    }
    // A limit or the nominal, typed.
    void setLimit(const char *field, const QString &text)
    {
        auto *edit = find<QLineEdit>(field);
        edit->setText(text);
        emit edit->editingFinished();
    }
    void showTab(QWidget *page) { find<QTabWidget>("tabCharts")->setCurrentWidget(page); }
};

} // namespace

class AnalysisWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { test::store().clear(); }

    // The statistics, the trend and the histogram follow while the cycle runs; the window,
    // closed, comes back as it was.
    void liveWhileMeasuringCyclically()
    {
        UiRig rig;
        rig.meter().setCyclePause(0);
        QAction *show = rig.action("mnuAWindow");
        show->trigger();
        ui::AnalysisWindow *window = rig.window->analysis().window();
        QVERIFY(window && window->isVisible());
        // Beside the panel where there is room, and wholly on the screen.
        QVERIFY(window->screen()->availableGeometry().contains(window->frameGeometry()));
        window->close();
        show->trigger();
        QCOMPARE(rig.window->analysis().window(), window);
        QVERIFY(window->isVisible());

        QTest::mousePress(rig.find("Str11"), Qt::LeftButton);
        QTest::mouseRelease(rig.find("Str21"), Qt::LeftButton);
        window->findChild<QTabWidget *>()->setCurrentWidget(&window->histogram());
        QTRY_VERIFY(window->statistics().text(Row::Count).toInt() >= 2);
        QVERIFY(rig.meter().isCycleRunning());
        QTRY_VERIFY(window->histogram().bins() >= 1);
        // The trend, hidden meanwhile, catches up when shown.
        window->findChild<QTabWidget *>()->setCurrentWidget(&window->trend());
        QVERIFY(window->trend().line()->count() >= 2);
        QTest::mouseClick(rig.find("Str21"), Qt::LeftButton);
        QVERIFY(rig.waitIdle());
        // And after it: everything measured is there. A 1 ms gate resolves 1 kHz; the mean
        // has a digit more.
        QTRY_COMPARE(window->statistics().text(Row::Count),
                     QString::number(window->selectedSeries()->size()));
        QCOMPARE(window->statistics().text(Row::Mean), u"12.0 kHz"_qs);
    }

    // A saved file opens as series of its own, apart from those measured before and
    // after; a file that cannot be read is reported with its line.
    void openReadings()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"saved.csv"_qs);
        std::vector<analysis::Reading> saved;
        for (int i = 0; i < 4; ++i)
            saved.push_back({1'700'000'000'000 + i * 1000LL, double(i), 12000.0 + i, Status::Ok});
        QCOMPARE(readings::saveReadings(path, Second, saved), std::nullopt);
        UiRig rig;
        rig.action("mnuFOpenReadings")->trigger();
        choose(rig.window.get(), "OpenReadings", path);
        QTRY_VERIFY(rig.window->analysis().window() &&
                    rig.window->analysis().window()->isVisible());
        ui::AnalysisWindow *window = rig.window->analysis().window();
        QCOMPARE(window->statistics().text(Row::Count), u"4"_qs);
        QCOMPARE(window->statistics().text(Row::Mean), u"12.0015 kHz"_qs);
        rig.window->analysis().openReadings(path);
        QTRY_COMPARE(rig.window->analysis().feed().store().seriesCount(), 2);

        const QString bad = dir.filePath(u"bad.csv"_qs);
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(readings::csvHeader() + "2024-05-01T12:34:56.789Z,1,frequency,12,Hz,,s,9,ok,"
                                           "digital,0,rising,off\r\n");
        file.close();
        rig.window->analysis().openReadings(bad);
        const QString message = test::answerMessage();
        QVERIFY2(message.contains(u"line 2: setting '9'"_qs), qPrintable(message));
        QCOMPARE(rig.window->analysis().feed().store().seriesCount(), 2);
    }

    // A recording whose file goes away is reported once and stops; measuring goes on.
    // (The readings of a recording go on the disk one by one: recordkiller below.)
    void recordingFromTheFileMenu()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"readings.csv"_qs);
        UiRig rig;
        QAction *record = rig.action("mnuFRecord");
        QAction *stop = rig.action("mnuFStopRecord");
        auto measureOnce = [&rig] {
            rig.find<QToolButton>("hand1")->click();
            QVERIFY(rig.waitIdle());
        };
        QVERIFY(record->isEnabled() && !stop->isEnabled());
        record->trigger();
        choose(rig.window.get(), "RecordReadings", path);
        QTRY_VERIFY(stop->isEnabled());
        QVERIFY(!record->isEnabled());
        measureOnce();
        stop->trigger();
        QVERIFY(record->isEnabled() && !stop->isEnabled());
        const std::vector<readings::Row> rows = recorded(path);
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(rows[0].reading.value, 12000.0);

        auto gone = std::make_unique<QTemporaryDir>();
        rig.window->analysis().recorder().start(gone->filePath(u"gone.csv"_qs));
        gone.reset();
        measureOnce();
        const QString message = test::answerMessage();
        QVERIFY2(message.contains(u"deleted"_qs), qPrintable(message));
        QVERIFY(record->isEnabled() && !stop->isEnabled());
        measureOnce();
        QVERIFY(!test::visibleMessageBox());
        QCOMPARE(recorded(path).size(), std::size_t(1));
    }

    // Each reading recorded is on the disk as soon as it is recorded.
    void killedProgramKeepsItsRecording()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"killed.csv"_qs);
        QProcess process;
        process.start(QStringLiteral(PELMIX_RECORDKILLER_PATH), {path});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        const std::vector<readings::Row> rows = recorded(path);
        QCOMPARE(rows.size(), std::size_t(2));
        QCOMPARE(rows[1].reading.value, 12346.0);
    }

    void gapsAndLimits()
    {
        WindowRig rig;
        rig.add(Second, {12000, Gap, 12010, 12050, Gap, 11990, 12000});
        rig.add(Second, {Gap}, 7, Status::Overflow);
        rig.add(Second, {Gap}, 8, Status::Unreadable);
        rig.add(Second, {Gap}, 8, Status::Lost);
        // The mean and the deviation have a digit more than the readings of a 1 s gate; with
        // no nominal typed, no offset; the drift as a fraction of the mean, per day.
        const QString values = u"5 | 12.0100 kHz | 23.5 Hz | 11.990 kHz | 12.050 kHz | 60 Hz | "
                               "12.000 kHz | \u2013 | -13 \u00b1 40 | 2 | 1 | 1 | 0 | 1 | 0 | "_qs;
        QCOMPARE(rig.stats(), values + u"\u2013"_qs);
        // Gaps have no place on the line.
        QCOMPARE(rig.window.trend().line()->count(), 5);

        rig.setLimit("txtUpper", u"12.02 kHz"_qs);
        rig.setLimit("txtLower", u"11995"_qs);
        QCOMPARE(rig.stats(), values + u"2"_qs);
        QCOMPARE(rig.window.trend().outsidePoints()->points(),
                 (QList<QPointF>{{3, 12.05}, {5, 11.99}}));
        // Readings that come later are counted as they come.
        rig.add(Second, {13000}, 9);
        QCOMPARE(rig.stat(Row::Failures), u"3"_qs);
        rig.setLimit("txtUpper", QString());
        rig.setLimit("txtLower", QString());
        QCOMPARE(rig.stat(Row::Failures), u"\u2013"_qs);
        QVERIFY(rig.window.trend().outsidePoints()->points().isEmpty());
    }

    // An entry that is no value of the series' quantity is marked, says why, and no limit
    // of that field is in force; the other field's limit stays.
    void rejectedLimit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");

        QTest::newRow("a frequency on a period series")
            << u"12.35 kHz"_qs << u"12.35 kHz is a frequency; this series is a period."_qs;
        QTest::newRow("no value at all")
            << u"garbage!"_qs << u"\u201cgarbage!\u201d is not a value."_qs;
    }
    void rejectedLimit()
    {
        QFETCH(QString, text);
        QFETCH(QString, reason);
        WindowRig rig;
        rig.add(Setup{Mode::Period, 2}, {80e-6, 81e-6, 82e-6});
        rig.setLimit("txtUpper", u"81.5 us"_qs);
        rig.setLimit("txtLower", u"80.5us"_qs);
        QCOMPARE(rig.stat(Row::Failures), u"2"_qs);
        rig.setLimit("txtUpper", text);
        QTEST(rig.find<QLabel>("lblStatus")->text(), "reason");
        QTEST(rig.find<QLineEdit>("txtUpper")->toolTip(), "reason");
        QVERIFY(rig.find<QLineEdit>("txtUpper")->palette().color(QPalette::Text) !=
                rig.find<QLineEdit>("txtLower")->palette().color(QPalette::Text));
        QVERIFY(!rig.window.limits().upper && rig.window.limits().lower);
        QCOMPARE(rig.stat(Row::Failures), u"1"_qs);
    }

    // Limits typed for one quantity are not in force on a series of another; they come back
    // with a series of theirs.
    void limitsBelongToAQuantity()
    {
        WindowRig rig;
        rig.add(Setup{Mode::Period, 2}, {80e-6, 81e-6, 82e-6});
        rig.setLimit("txtUpper", u"81.5 us"_qs);
        rig.add(Second, {12000, 12010});
        QCOMPARE(rig.window.limits(), ui::Limits{});
        QCOMPARE(rig.find<QLineEdit>("txtUpper")->text(), QString());
        QCOMPARE(rig.stat(Row::Failures), u"\u2013"_qs);
        auto *seriesBox = rig.find<QComboBox>("cboSeries");
        seriesBox->setCurrentIndex(0);
        emit seriesBox->activated(0);
        QCOMPARE(rig.find<QLineEdit>("txtUpper")->text(), u"81.5 us"_qs);
        QCOMPARE(rig.window.limits().upper, std::optional(81.5e-6));
        QCOMPARE(rig.stat(Row::Failures), u"1"_qs);
    }

    void zoomAndPanByKeys_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QRectF>("range"); // left, bottom, width, height (kHz)

        // The readings run from 0 s to 100 s and from 10 kHz to 11 kHz, seen with 5 % margins;
        // values that are not zoomed follow the readings in view.
        const double bottom = 9.95, height = 1.1;
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
        QTest::newRow("Home fits again") << QKeySequence(Qt::Key_Plus, Qt::Key_Up, Qt::Key_Home)
                                         << QRectF(0, bottom, 100, height);
    }
    void zoomAndPanByKeys()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(QRectF, range);
        WindowRig rig;
        std::vector<double> values;
        for (int i = 0; i <= 100; ++i)
            values.push_back(10000 + i * 10);
        rig.add(Second, values);
        ui::TrendChart &trend = rig.window.trend();
        QVERIFY(trend.isAutoscaled());
        for (int i = 0; i < keys.count(); ++i)
            QTest::keyClick(&trend, keys[i].key(), keys[i].keyboardModifiers());
        const ui::TrendChart::Range v = trend.visibleRange();
        QCOMPARE(QRectF(v.left, v.bottom, v.right - v.left, v.top - v.bottom), range);
        QCOMPARE(trend.isAutoscaled(), keys[keys.count() - 1].key() == Qt::Key_Home);
    }

    // The wheel zooms time; dragging a quarter of the plot's width to the right shows
    // earlier readings; a double click fits again.
    void zoomAndPanByMouse()
    {
        WindowRig rig;
        rig.add(Second, std::vector<double>(101, 12000));
        ui::TrendChart &trend = rig.window.trend();
        QWidget *viewport = trend.viewport();
        const QPoint middle = trend.chart()->plotArea().center().toPoint();
        QWheelEvent wheel(middle, viewport->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
        QVERIFY(std::fabs(trend.visibleRange().right - trend.visibleRange().left - 80) < 1e-9);

        const double left = trend.visibleRange().left;
        const QPoint quarter(int(trend.chart()->plotArea().width() / 4), 0);
        QTest::mousePress(viewport, Qt::LeftButton, {}, middle);
        QTest::mouseMove(viewport, middle + quarter);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, middle + quarter);
        QVERIFY(std::fabs(trend.visibleRange().left - (left - 20)) < 1);

        QTest::mouseDClick(viewport, Qt::LeftButton, {}, middle);
        QVERIFY(trend.isAutoscaled());
        QCOMPARE(trend.visibleRange().right, 100.0);
    }

    void stability_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<pelmix::analysis::Measured>("measured");
        QTest::addColumn<int>("rows");

        QTest::newRow("frequency") << Second << analysis::Measured::Frequency << 10;
        QTest::newRow("period") << Setup{Mode::Period, 2} << analysis::Measured::Period << 10;
        QTest::newRow("time interval: phase")
            << Setup{Mode::Interval} << analysis::Measured::Phase << 10;
        QTest::newRow("count: none") << Setup{Mode::Count} << analysis::Measured::Phase << 0;
    }
    // 70 readings, their spacing mostly 2 s with a few longer pauses and one gap: OADEV and
    // MDEV at factors 1 to 16, a quarter of the 69 values, tau from the median spacing; the
    // same figures as the command line's analysis of the same values.
    void stability()
    {
        QFETCH(Setup, setup);
        QFETCH(pelmix::analysis::Measured, measured);
        QFETCH(int, rows);
        WindowRig rig;
        rig.showTab(&rig.window.stability());
        double at = 0;
        for (int i = 0; i < 70; ++i) {
            const double value = 1e-3 * (1 + (i * 7919 % 13) + (i % 5 == 0 ? 3 : 0));
            rig.store.append(
                setup, {0, at, i == 30 ? Gap : value, i == 30 ? Status::Timeout : Status::Ok});
            at += i % 10 == 9 ? 5 : 2;
        }
        rig.window.refresh();
        const std::vector<double> values = rig.store.series(0).values();
        ui::StabilityView &view = rig.window.stability();
        QTRY_VERIFY(view.isIdle());
        QTableWidget *table = view.table();
        QCOMPARE(table->rowCount(), rows);
        if (!rows) {
            QVERIFY(view.note().contains(u"no frequency stability"_qs));
            return;
        }
        const std::vector<qint64> factors{1, 2, 4, 8, 16};
        const analysis::Deviation kinds[] = {analysis::Deviation::Oadev, analysis::Deviation::Mdev};
        const auto expected =
            analysis::stability(analysis::phaseData(measured, values, 2.0), kinds, factors);
        int row = 0;
        for (const analysis::StabilityCurve &curve : expected) {
            for (const analysis::StabilityPoint &p : curve.points) {
                QCOMPARE(table->item(row, 0)->text(),
                         QString(analysis::deviationLabel(curve.kind)));
                QCOMPARE(table->item(row, 1)->text(), QString::number(p.m));
                QCOMPARE(table->item(row, 4)->text(),
                         p.alpha ? QString(analysis::noiseAbbreviation(*p.alpha)) : u"\u2013"_qs);
                QCOMPARE(table->item(row, 5)->text(), QString::number(p.value, 'e', 3));
                QCOMPARE(table->item(row, 7)->text(), QString::number(p.high, 'e', 3));
                ++row;
            }
        }
        QVERIFY(view.note().contains(u"2.000 s"_qs));
        QVERIFY(!view.chart().noiseLabels().isEmpty());

        // Ctrl+C gives what a spreadsheet takes: the header and the selected row.
        table->setFocus();
        table->selectRow(1);
        QTest::keySequence(table, QKeySequence::Copy);
        const QStringList copied = QApplication::clipboard()->text().split(u'\n');
        QCOMPARE(copied.value(0), u"Deviation\tm\t\u03c4\tTerms\tNoise\tValue\tLow\tHigh"_qs);
        QVERIFY2(copied.value(1).startsWith(u"OADEV\t2\t"_qs), qPrintable(copied.value(1)));

        // A typed nominal replaces the mean; the table's values follow it.
        if (measured == analysis::Measured::Frequency) {
            rig.setLimit("txtNominal", u"5 mHz"_qs);
            QTRY_VERIFY(view.isIdle());
            QTRY_VERIFY(rig.find<QLabel>("lblNominal")->text().contains(u"nominal 5"_qs));
            const auto typed = analysis::stability(analysis::phaseData(measured, values, 2.0, 5e-3),
                                                   kinds, factors);
            QCOMPARE(table->item(0, 5)->text(),
                     QString::number(typed.front().points.front().value, 'e', 3));
        }
    }

    // 10 MHz drifting by 1e-12 per second about 3e-9 above the nominal typed: the offset in
    // ppb, the drift per day with its error; a flat 81 us keeps its prefix in the spreads.
    void offsetAndDrift()
    {
        WindowRig rig;
        std::vector<double> values;
        for (int t = 0; t < 100; ++t)
            values.push_back(1e7 + 0.03 + 1e-5 * (t - 49.5));
        rig.add(Second, values);
        QCOMPARE(rig.stat(Row::Offset), u"\u2013"_qs);
        QVERIFY2(rig.stat(Row::Drift).startsWith(u"86.40 \u00b1 "_qs),
                 qPrintable(rig.stat(Row::Drift)));
        QVERIFY(rig.stat(Row::Drift).endsWith(u" ppb"_qs));
        rig.showTab(&rig.window.stability());
        rig.setLimit("txtNominal", u"10 MHz"_qs);
        QCOMPARE(rig.stat(Row::Offset), u"3 ppb"_qs);

        rig.add(Setup{Mode::Interval}, {81e-6, 81e-6, 81e-6});
        QCOMPARE(rig.stat(Row::StandardDeviation), u"0.00 \u00b5s"_qs);
        QCOMPARE(rig.stat(Row::PeakToPeak), u"0.0 \u00b5s"_qs);
        QCOMPARE(rig.stat(Row::Drift), u"\u2013"_qs);
    }

    // Moved by the user and closed, the window opens there again at the next start.
    void remembersWhereItWasPut()
    {
        const QPoint put(40, 30);
        QVariant stored;
        {
            UiRig rig;
            rig.action("mnuAWindow")->trigger();
            QWidget *window = rig.window->analysis().window();
            window->move(put);
            window->close();
            stored = test::store().value(u"Analysis/Geometry"_qs);
        }
        // The rig starts from empty settings: this one keeps what the last start stored.
        UiRig rig([&stored](QSettings &settings, UiRig &) {
            settings.setValue(u"Analysis/Geometry"_qs, stored);
        });
        rig.action("mnuAWindow")->trigger();
        QCOMPARE(rig.window->analysis().window()->pos(), put);
    }

    // The window opens beside the front panel, wholly on the panel's screen.
    void besidePanel_data()
    {
        QTest::addColumn<QRect>("panel");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("placed");

        const QRect wide(0, 0, 1920, 1080);
        QTest::newRow("right of it") << QRect(0, 0, 600, 500) << wide << QRect(608, 0, 1040, 680);
        QTest::newRow("left of it")
            << QRect(1300, 100, 600, 500) << wide << QRect(252, 100, 1040, 680);
        // The panel ends at 600 on a 1280 x 1000 screen: narrower, never over the panel.
        QTest::newRow("narrowed") << QRect(0, 0, 600, 500) << QRect(0, 0, 1280, 1000)
                                  << QRect(608, 0, 672, 680);
        QTest::newRow("low panel: up to keep the bottom on screen")
            << QRect(0, 600, 600, 300) << QRect(0, 0, 1920, 1000) << QRect(608, 320, 1040, 680);
        // At scale factor 2 the panel fills most of the screen: the narrowest window at the
        // wider side's edge.
        QTest::newRow("no room: at the screen's edge")
            << QRect(0, 0, 1200, 700) << QRect(0, 0, 1280, 720) << QRect(800, 0, 480, 680);
        QTest::newRow("screen smaller than the window")
            << QRect(0, 0, 300, 300) << QRect(0, 0, 800, 600) << QRect(308, 0, 492, 600);
    }
    void besidePanel()
    {
        QFETCH(QRect, panel);
        QFETCH(QRect, screen);
        QTEST(ui::besidePanel(panel, {1040, 680}, {480, 360}, screen), "placed");
    }

    // A flat series at the counter's resolution: its value axes span a few resolution
    // steps and label at most one digit beyond the resolution, in the trend and the
    // histogram alike.
    void axisLabelsFollowResolution_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals"); // at most, in the axis' prefix
        QTest::addColumn<double>("span");  // at most, in the axis' prefix

        QTest::newRow("12 kHz at 1 kHz") << Setup{Mode::Frequency, 0} << 12000.0 << 1 << 5.0;
        QTest::newRow("81 us at 100 ns") << Setup{Mode::Interval} << 81e-6 << 2 << 0.5;
    }
    void axisLabelsFollowResolution()
    {
        QFETCH(Setup, setup);
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(double, span);
        WindowRig rig;
        rig.add(setup, {value, value, value});
        auto check = [&](QChart *chart) {
            const auto *axis = qobject_cast<QValueAxis *>(chart->axes(Qt::Vertical).value(0));
            if (chart == rig.window.histogram().chart())
                axis = qobject_cast<QValueAxis *>(chart->axes(Qt::Horizontal).value(0));
            QVERIFY(axis);
            QVERIFY2(axis->labelFormat().mid(2, 1).toInt() <= decimals,
                     qPrintable(axis->labelFormat()));
            QVERIFY2(axis->max() - axis->min() <= span,
                     qPrintable(u"%1 to %2"_qs.arg(axis->min()).arg(axis->max())));
        };
        check(rig.window.trend().chart());
        rig.showTab(&rig.window.histogram());
        QTRY_VERIFY(rig.window.histogram().isIdle());
        check(rig.window.histogram().chart());
    }

    // An earlier series stays picked while the latest grows or a new one starts.
    void pickingAndClearingSeries()
    {
        WindowRig rig;
        rig.add(Second, {1, 2, 3});
        rig.add(Setup{Mode::Period, 0}, {1e-3, 2e-3});
        auto *box = rig.find<QComboBox>("cboSeries");
        QCOMPARE(box->currentIndex(), 1);
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(rig.window.selectedSeries(), &rig.store.series(0));
        QCOMPARE(rig.stat(Row::Count), u"3"_qs);
        rig.add(Setup{Mode::Period, 0}, {3e-3});
        rig.add(Setup{Mode::Interval}, {1e-3});
        QCOMPARE(rig.window.selectedSeries(), &rig.store.series(0));
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->itemText(1), u"2: Period, multiplier 1 (3 readings)"_qs);

        rig.find<QPushButton>("cmdClear")->click();
        QVERIFY(rig.store.isEmpty());
        QCOMPARE(box->count(), 0);
        QCOMPARE(rig.stat(Row::Count), u"\u2013"_qs);
        QCOMPARE(rig.window.trend().line()->count(), 0);
        rig.add(Second, {7});
        QCOMPARE(
            rig.stats(),
            u"1 | 7.0 Hz | \u2013 | 7 Hz | 7 Hz | 0 Hz | 7 Hz | \u2013 | \u2013 | 0 | 0 | 0 | 0 | "
            u"0 | 0 | \u2013"_qs);
    }

    void saving_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("savedAs"); // empty: not saved
        QTest::addColumn<QByteArray>("start");

        const QByteArray readings = "cmdSaveReadings", chart = "cmdSaveChart";
        QTest::newRow("readings") << readings << u"series.csv"_qs << u"series.csv"_qs
                                  << QByteArray("time_utc,");
        QTest::newRow("readings, no such folder")
            << readings << u"missing/series.csv"_qs << QString() << QByteArray();
        QTest::newRow("SVG") << chart << u"trend.svg"_qs << u"trend.svg"_qs << QByteArray("<?xml");
        QTest::newRow("PNG by the filter")
            << chart << u"trend"_qs << u"trend.png"_qs << QByteArray("\x89PNG");
    }
    void saving()
    {
        QFETCH(QByteArray, button);
        QFETCH(QString, name);
        QFETCH(QString, savedAs);
        QFETCH(QByteArray, start);
        QTemporaryDir dir;
        WindowRig rig;
        rig.add(Second, {12345, Gap, 12346});
        QSignalSpy finished(&rig.window, &ui::AnalysisWindow::saveFinished);
        rig.find<QPushButton>(button.constData())->click();
        choose(&rig.window, button == "cmdSaveChart" ? "SaveChart" : "SaveReadings",
               dir.filePath(name));
        QTRY_COMPARE(finished.count(), 1);
        if (savedAs.isEmpty()) {
            QVERIFY(test::answerMessage().contains(dir.filePath(name)));
            QVERIFY(QDir(dir.path()).isEmpty());
            return;
        }
        QFile file(dir.filePath(savedAs));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith(start));
        if (start != "time_utc,")
            return;
        const std::vector<readings::Row> rows = recorded(file.fileName());
        QCOMPARE(rows.size(), std::size_t(3));
        QCOMPARE(rows[1].reading.status, Status::Timeout);
        QCOMPARE(rows[2].reading.value, 12346.0);
        QCOMPARE(rows[2].setup, Second);
    }

    // On a full disk a save over a good file leaves it as it was and says why; with room
    // again, it replaces it.
    void savingOnAFullDisk_data()
    {
        QTest::addColumn<bool>("chart");
        QTest::newRow("readings") << false;
        QTest::newRow("chart") << true;
    }
    void savingOnAFullDisk()
    {
        QFETCH(bool, chart);
        test::SmallDisk disk;
        if (!disk.isMounted())
            QSKIP(qPrintable(disk.why()));
        const QString path = disk.path(chart ? u"good.png"_qs : u"good.csv"_qs);
        const QByteArray good = "a good file\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(good) == good.size());
        file.close();
        disk.fill();
        WindowRig rig;
        rig.add(Second, {12345, Gap, 12346});
        QSignalSpy finished(&rig.window, &ui::AnalysisWindow::saveFinished);
        auto save = [&] { chart ? rig.window.saveChart(path) : rig.window.saveReadings(path); };
        save();
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(1).toString(), u"No space left on device"_qs);
        QVERIFY(test::answerMessage().endsWith(u": No space left on device"_qs));
        QCOMPARE(rig.find<QLabel>("lblStatus")->text(), u"Not saved."_qs);
        QCOMPARE(test::contents(path), good);
        disk.free();
        save();
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(finished.at(1).at(1).toString(), QString());
        QVERIFY(test::contents(path).startsWith(chart ? "\x89PNG" : "time_utc,"));
    }

    // Through the window as the trend shows, then as the stability does: every control
    // is reached.
    void everyControlByKeyboard()
    {
        WindowRig rig;
        rig.add(Second, {1, 2});
        rig.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        auto tabThrough = [&rig] {
            rig.find("cboSeries")->setFocus();
            QSet<QWidget *> reached;
            for (int i = 0; i < 30 && QApplication::focusWidget(); ++i) {
                reached.insert(QApplication::focusWidget());
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            return reached;
        };
        QSet<QWidget *> reached = tabThrough();
        rig.showTab(&rig.window.stability());
        reached += tabThrough();
        for (const char *name :
             {"cboSeries", "cmdClear", "tblStatistics", "txtUpper", "txtLower", "chtTrend",
              "chtStability", "tblStability", "lblStabilityNote", "txtNominal", "chkOADEV",
              "cmdSaveTable", "cmdAutoscale", "cmdSaveReadings", "cmdSaveChart", "cmdClose"})
            QVERIFY2(reached.contains(rig.find(name)), name);
        QVERIFY(reached.contains(rig.find<QTabWidget>("tabCharts")->tabBar()));
    }
};

QTEST_MAIN(AnalysisWindowTest)
#include "tst_analysiswindow.moc"
