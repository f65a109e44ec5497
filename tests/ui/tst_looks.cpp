// Every window at the scale factor this run has (the suite runs it at 1, 1.5 and 2) and
// with a decimal comma: every caption fits its control, measured with the font's metrics
// against the control's rectangle.

#include "../common/UiRig.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocument>

using namespace pelmix;
using pelmix::test::UiRig;

namespace {

// The captions of `window` that do not fit their controls.
QStringList clipped(QWidget *window)
{
    QStringList found;
    for (auto *label : window->findChildren<QLabel *>()) {
        // A mnemonic's ampersand is not shown.
        const QString text = QString(label->text()).remove(QLatin1Char('&'));
        if (!label->isVisible() || text.isEmpty() || Qt::mightBeRichText(text))
            continue;
        const QRect room = label->contentsRect();
        const QFontMetrics metrics(label->font());
        const QRect needed =
            label->wordWrap()
                ? metrics.boundingRect(QRect(0, 0, room.width(), 10000), Qt::TextWordWrap, text)
                : metrics.boundingRect(text);
        if (needed.width() > room.width() || metrics.height() > room.height() ||
            needed.height() > room.height())
            found << label->objectName() + u" \""_qs + text + u"\""_qs;
    }
    for (auto *button : window->findChildren<QPushButton *>()) {
        const QString text = QString(button->text()).remove(QLatin1Char('&'));
        if (!button->isVisible() || text.isEmpty())
            continue;
        // Where the style draws the caption: the button less its frame and margins.
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect room =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        if (QFontMetrics(button->font()).horizontalAdvance(text) > room.width())
            found << button->objectName() + u" \""_qs + text + u"\""_qs;
    }
    return found;
}

} // namespace

class LooksTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void captionsFit()
    {
        UiRig rig;
        rig.find<QSlider>("Slider2")->setValue(3);
        rig.find<QAbstractButton>("hand1")->click();
        QVERIFY(rig.waitIdle());
        // The displays' thirteen characters, with the decimal comma, fit their boxes.
        QCOMPARE(rig.text("Tablo1"), u"    12,346kHz"_qs);
        for (const char *display : {"Tablo1", "Tablo2"}) {
            auto *box = rig.find<QLineEdit>(display);
            QVERIFY(QFontMetrics(box->font()).horizontalAdvance(QString(13, u'8')) <=
                    box->contentsRect().width());
        }
        rig.action("mnuOSelect")->trigger();
        rig.action("mnuHAbout")->trigger();
        rig.action("mnuAWindow")->trigger();
        QTRY_VERIFY(rig.find("frmOptions") && rig.find("frmAbout"));
        int windows = 0;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (!window->isVisible())
                continue;
            ++windows;
            // Once the window has laid itself out for the texts it shows now.
            QTRY_VERIFY2(clipped(window).isEmpty(), qPrintable(window->windowTitle() + u": "_qs +
                                                               clipped(window).join(u", "_qs)));
        }
        QVERIFY(windows >= 4);
    }
};

QTEST_MAIN(LooksTest)
#include "tst_looks.moc"
