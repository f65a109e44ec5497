#include "OptionsDialog.h"

#include "DeviceChoice.h"
#include "Twips.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <cmath>

namespace pelmix::ui {

namespace {

QLabel *boldLabel(const QString &text, const QRect &geometry, const char *name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setWordWrap(true);
    // The classic dialog font, so the captions fit their places.
    QFont font(QStringList{QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setPointSizeF(8.25);
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

OptionsDialog::OptionsDialog(const Options &initial, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
    , m_options(initial)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Taller than the classic dialog by the row that names the device behind the port.
    setFixedSize(px(4665), px(2280));

    auto *cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twips(3480, 360, 855, 375));
    cmdOK->setAutoDefault(false);
    boldLabel(QStringLiteral(" Port :"), twips(360, 480, 495, 255), "lblPort", this);
    cboPort = new QComboBox(this);
    cboPort->setObjectName(QStringLiteral("cboPort"));
    cboPort->setGeometry(twips(1920, 360, 1095, 315));
    cboPort->setEditable(true);
    cboPort->setInsertPolicy(QComboBox::NoInsert);
    // Two lines of the dialog font, descenders included.
    boldLabel(QStringLiteral("Indication's time, sec :"), twips(360, 840, 975, 420), "lab", this);
    TimWin = new QLineEdit(this);
    TimWin->setObjectName(QStringLiteral("TimWin"));
    TimWin->setGeometry(twips(1920, 840, 1095, 375));
    auto *cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(twips(3480, 840, 855, 375));
    cmdCancel->setAutoDefault(false);
    boldLabel(tr(" Device :"), twips(360, 1380, 855, 255), "lblDeviceCaption", this);
    auto *cboDevice = new QComboBox(this);
    cboDevice->setObjectName(QStringLiteral("cboDevice"));
    cboDevice->setGeometry(twips(1200, 1320, 3135, 315));
    auto *lblDevice = new QLabel(this);
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    lblDevice->setGeometry(twips(1200, 1710, 3135, 375));
    lblDevice->setWordWrap(true);
    m_deviceChoice = new DeviceChoice(*cboDevice, *lblDevice);
    cboPort->setAccessibleName(tr("Port"));
    cboPort->lineEdit()->setAccessibleName(tr("Port"));
    TimWin->setAccessibleName(tr("Pause between cyclical measurements, seconds"));
    cboDevice->setAccessibleName(tr("Device"));
    cboDevice->setAccessibleDescription(tr("The serial device the chosen port stands for"));
    cboDevice->lineEdit()->setAccessibleName(tr("Device"));
    lblDevice->setAccessibleName(tr("Device status"));
    cmdCancel->setAccessibleDescription(tr("Closes the options and quits Pelmix"));
    setTabOrder(cmdOK, cboPort);
    setTabOrder(cboPort, cboDevice);
    setTabOrder(cboDevice, TimWin);
    setTabOrder(TimWin, cmdCancel);

    connect(cmdOK, &QPushButton::clicked, this, &OptionsDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &OptionsDialog::cancel);

    for (int i = 1; i <= 8; ++i)
        cboPort->addItem(QStringLiteral("Com%1").arg(i));
    // A port outside the list selects no entry.
    const qint16 port = initial.port;
    cboPort->setCurrentIndex(port >= 1 && port <= 8 ? port - 1 : -1);
    // The pause as it is now, so that OK without an edit keeps it.
    TimWin->setText(QString::number(double(initial.pause), 'g', 7));
    showDevice();
    connect(cboPort, &QComboBox::currentIndexChanged, this, &OptionsDialog::showDevice);
    cboDevice->setEnabled(!initial.devicesFixed);
    cmdOK->setFocus();
}

float OptionsDialog::leadingNumber(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^[ \\t]*([+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?)"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return 0;
    const double value = QLocale::c().toDouble(match.capturedView(1));
    return std::isfinite(value) ? float(value) : 0;
}

void OptionsDialog::showDevice()
{
    // Keeps what was chosen for the port shown before.
    if (m_shownPort >= 1 && !m_options.devicesFixed)
        m_options.devices[m_shownPort - 1] = m_deviceChoice->chosen();
    const int index = cboPort->currentIndex();
    m_shownPort = index >= 0 ? index + 1 : 0;
    m_deviceChoice->show(m_shownPort, m_shownPort ? m_options.devices[m_shownPort - 1] : QString());
}

void OptionsDialog::accept()
{
    showDevice();
    // A name typed into the field is not used: without a selected entry the port is 0.
    const int index = cboPort->currentIndex();
    const bool selected = index >= 0 && cboPort->currentText() == cboPort->itemText(index);
    m_options.port = qint16(selected ? index + 1 : 0);
    m_options.pause = leadingNumber(TimWin->text());
    QDialog::accept();
}

void OptionsDialog::cancel()
{
    hide();
    emit quitRequested();
}

void OptionsDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancel();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace pelmix::ui
