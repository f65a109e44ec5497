#include "AboutDialog.h"

#include "Art.h"
#include "Pictures.h"
#include "Twips.h"

#include "core/Version.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace pelmix::ui {

namespace {

QLabel *label(const QString &text, const QRect &geometry, const char *name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    QFont font(QStringList{QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setPointSizeF(9.75);
    label->setFont(font);
    return label;
}

} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Pelmix"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(px(5370), px(2055));

    auto *picIcon = new Picture(QStringLiteral("icon"), this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(twips(240, 240, 540, 540));
    label(QStringLiteral("Pelmix"), twips(1050, 240, 2295, 480), "lblTitle", this)
        ->setStyleSheet(QStringLiteral("color: black;"));
    label(QStringLiteral("Version %1").arg(QLatin1StringView(ShortVersion)),
          twips(1050, 780, 2175, 225), "lblVersion", this);
    label(tr("By the Pelmix developers, 2026"), twips(240, 1440, 3615, 345), "lblDisclaimer", this)
        ->setStyleSheet(QStringLiteral("color: blue;"));
    auto *Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setGeometry(px(225), px(1800), px(3840) - px(225), 1);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setStyleSheet(QStringLiteral("color: grey;"));

    auto *cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twips(4080, 240, 1095, 465));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace pelmix::ui
