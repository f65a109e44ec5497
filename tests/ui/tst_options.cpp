// The options dialog and the settings store, on the real main window.

#include "../common/UiRig.h"

#include "ui/OptionsDialog.h"
#include "ui/SettingsStore.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

using namespace pelmix;
using pelmix::test::UiRig;
using ui::SettingsStore;

namespace {

QDialog *openOptions(UiRig &rig)
{
    rig.action("mnuOSelect")->trigger();
    return rig.find<QDialog>("frmOptions");
}

} // namespace

class OptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { test::store().clear(); }

    void okWithoutAChange_data()
    {
        QTest::addColumn<float>("pause");
        QTest::addColumn<QString>("shown");
        QTest::newRow("an empty store") << 1.0f << u"1"_qs;
        QTest::newRow("a pause of 3 s") << 3.0f << u"3"_qs;
    }
    void okWithoutAChange()
    {
        QFETCH(float, pause);
        UiRig rig;
        rig.meter().setCyclePause(pause);
        QDialog *dialog = openOptions(rig);
        QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
        // The main window stays usable meanwhile.
        rig.find<QAbstractButton>("hand1")->click();
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.server.commands(), QByteArray("wFKBjD"));
        QCOMPARE(dialog->findChild<QComboBox *>(u"cboPort"_qs)->currentText(), u"Com2"_qs);
        QTEST(dialog->findChild<QLineEdit *>(u"TimWin"_qs)->text(), "shown");
        dialog->findChild<QPushButton *>(u"cmdOK"_qs)->click();
        QTRY_VERIFY(!rig.find("frmOptions"));
        QCOMPARE(test::store().value(u"Settings/Port"_qs).toString(), u"2"_qs);
        QCOMPARE(rig.meter().cyclePause(), pause);
        QTRY_VERIFY(rig.link().isOpen());
        QVERIFY(!test::visibleMessageBox());
    }

    void portChangeWaitsForTheMeasurement()
    {
        UiRig rig;
        sim::CounterModel otherModel;
        sim::PtyServer other(otherModel);
        QVERIFY(!other.start());
        test::store().setValue(u"Ports/Com5"_qs, other.devicePath());
        rig.model.setTimeScale(0.3); // "D" takes 300 ms
        rig.find<QSlider>("Slider2")->setValue(3);
        rig.find<QAbstractButton>("hand1")->click();
        QTRY_VERIFY(rig.server.commands().endsWith('D'));

        QDialog *dialog = openOptions(rig);
        dialog->findChild<QComboBox *>(u"cboPort"_qs)->setCurrentIndex(4);
        dialog->findChild<QLineEdit *>(u"TimWin"_qs)->setText(u"0.5"_qs);
        dialog->findChild<QPushButton *>(u"cmdOK"_qs)->click();
        QCOMPARE(test::store().value(u"Settings/Port"_qs).toString(), u"5"_qs);
        QCOMPARE(rig.window->portNumber(), qint16(5));
        QCOMPARE(rig.meter().cyclePause(), 0.5f);

        // The measurement under way ends on Com2; then Com5 takes over.
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.text("Tablo1"), u"    12.346kHz"_qs);
        QTRY_VERIFY(rig.link().portLabel().startsWith(u"Com5 ("_qs));
        rig.find<QAbstractButton>("hand1")->click();
        QVERIFY(rig.waitIdle());
        QVERIFY(other.commands().startsWith("wFKBj"));
        QCOMPARE(rig.server.commands().count('w'), 1);
        QVERIFY(!test::visibleMessageBox());
    }

    void noEntryChosenStoresZero_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::newRow("stored port outside the list") << u"9"_qs << QString();
        QTest::newRow("a name typed into the list") << u"2"_qs << u"/dev/ttyUSB0"_qs;
    }
    void noEntryChosenStoresZero()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        UiRig rig;
        test::store().setValue(u"Settings/Port"_qs, stored);
        QDialog *dialog = openOptions(rig);
        auto *cboPort = dialog->findChild<QComboBox *>(u"cboPort"_qs);
        QCOMPARE(rig.window->portNumber(), qint16(stored.toInt()));
        if (typed.isEmpty())
            QCOMPARE(cboPort->currentIndex(), -1);
        else
            cboPort->setEditText(typed);
        dialog->findChild<QPushButton *>(u"cmdOK"_qs)->click();
        QCOMPARE(test::store().value(u"Settings/Port"_qs).toString(), u"0"_qs);
        QCOMPARE(rig.window->portNumber(), qint16(0));
        // Port 0 does not open: one message, then the dialog again.
        QCOMPARE(test::answerMessage(), u"Com0: no serial port is selected"_qs);
        QTRY_VERIFY(rig.find("frmOptions"));
    }

    void leavingWithoutOk_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("ends");
        QTest::newRow("Cancel ends the program") << u"cancel"_qs << true;
        QTest::newRow("Esc ends the program") << u"escape"_qs << true;
        QTest::newRow("the close box only closes") << u"close"_qs << false;
    }

    // Nothing typed in the dialog is kept, whichever way it is left.
    void leavingWithoutOk()
    {
        QFETCH(QString, how);
        QFETCH(bool, ends);
        UiRig rig;
        rig.window->move(300, 300);
        rig.meter().setCyclePause(2.0f);
        QDialog *dialog = openOptions(rig);
        dialog->findChild<QComboBox *>(u"cboPort"_qs)->setCurrentIndex(6);
        dialog->findChild<QLineEdit *>(u"TimWin"_qs)->setText(u"7"_qs);
        if (how == u"cancel"_qs)
            dialog->findChild<QPushButton *>(u"cmdCancel"_qs)->click();
        else if (how == u"escape"_qs)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();
        QTRY_VERIFY(!rig.find("frmOptions"));
        QCOMPARE(rig.ended, ends);
        QVERIFY(!test::store().contains(u"Settings/Port"_qs));
        QVERIFY(!test::store().contains(u"Settings/MainLeft"_qs));
        if (ends) {
            QVERIFY(!rig.link().isOpen());
            return;
        }
        QCOMPARE(rig.meter().cyclePause(), 2.0f);
        QTRY_VERIFY(rig.link().isOpen());
        QVERIFY(rig.link().portLabel().startsWith(u"Com2 ("_qs));
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("value");

        QTest::newRow("fraction and unit") << u"2.5 s"_qs << 2.5f;
        QTest::newRow("leading blanks") << u"  \t0.5"_qs << 0.5f;
        QTest::newRow("letters only") << u"abc"_qs << 0.0f;
        QTest::newRow("point always") << u"1,5"_qs << 1.0f;
        QTest::newRow("starts with point") << u".25"_qs << 0.25f;
        QTest::newRow("exponent") << u"1e1x"_qs << 10.0f;
        QTest::newRow("negative") << u"-3"_qs << -3.0f;
        QTest::newRow("single precision") << u"1.1"_qs << 1.1f;
        QTest::newRow("too large") << u"1e999"_qs << 0.0f;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QTEST(ui::OptionsDialog::leadingNumber(text), "value");
    }

    void conversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<float>("single"); // -1: does not convert
        QTest::addColumn<int>("port");     // -1: does not convert

        QTest::newRow("whole") << u"1500"_qs << u"C"_qs << 1500.0f << 1500;
        QTest::newRow("2.5 to even 2") << u"2.5"_qs << u"C"_qs << 2.5f << 2;
        QTest::newRow("3.5 to even 4") << u"3.5"_qs << u"C"_qs << 3.5f << 4;
        QTest::newRow("decimal comma") << u"2,5"_qs << u"de_DE"_qs << 2.5f << 2;
        QTest::newRow("text") << u"abc"_qs << u"C"_qs << -1.0f << -1;
        QTest::newRow("beyond 16 bits") << u"40000"_qs << u"C"_qs << 40000.0f << -1;
        QTest::newRow("beyond single") << u"1e39"_qs << u"C"_qs << -1.0f << -1;
    }
    void conversions()
    {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(float, single);
        const QLocale l(locale);
        QCOMPARE(SettingsStore::toSingle(text, l).value_or(-1.0f), single);
        QTEST(int(SettingsStore::toPort(text, l).value_or(-1)), "port");
        if (single >= 0)
            QCOMPARE(SettingsStore::toSingle(SettingsStore::fromSingle(single, l), l).value_or(-1),
                     single);
        QCOMPARE(SettingsStore::fromSingle(1500.0f, l), u"1500"_qs);
    }
};

QTEST_MAIN(OptionsTest)
#include "tst_options.moc"
