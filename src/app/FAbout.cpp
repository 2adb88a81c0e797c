#include "app/FAbout.h"

#include "app/UKadrixControls.h"
#include "app/UOpenUrl.h"
#include "support/Filever.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

extern "C" {
#include <libavutil/avutil.h>
}

namespace {

constexpr QSize ClientSize(387, 180);

template <typename T>
T* Make(QWidget* parent, const char* name, QPoint at)
{
    auto* control = new T(parent);
    control->setObjectName(name);
    control->move(at);
    return control;
}

} // namespace

QString FFmpegLicenseNotice(const QString& license)
{
    if (license.startsWith(QLatin1String("LGPL")))
        return QStringLiteral("FFMpeg is licensed under the GNU Lesser general Public License.");
    if (license.startsWith(QLatin1String("GPL")))
        return QStringLiteral("FFMpeg is licensed under the GNU General Public License.");
    return QStringLiteral("FFMpeg is licensed under: %1.").arg(license);
}

TfrmAbout::TfrmAbout(QWidget* parent, const QString& programFile)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("frmAbout");
    setWindowTitle(QApplication::applicationDisplayName());
    setFont(TKadrixControls::WindowFont());
    setFixedSize(ClientSize);

    gpVersion = Make<QGroupBox>(this, "gpVersion", QPoint(0, 0));
    gpVersion->resize(ClientSize);
    gpVersion->setStyleSheet(TKadrixControls::GroupBoxStyle(gpVersion->objectName()));
    gpVersion->setTitle(TFileVer::VersionText(TFileVer(programFile).Query()));

    // There is no web site of the maker to link to, so the name, the notice
    // and the picture are shown without links.
    txtAppName = Make<QLabel>(gpVersion, "txtAppName", QPoint(16, 24));
    txtAppName->setText(QStringLiteral("Pellumo"));
    QFont bold = txtAppName->font();
    bold.setBold(true);
    txtAppName->setFont(bold);
    txtCopyright = Make<QLabel>(gpVersion, "txtCopyright", QPoint(16, 45));
    txtCopyright->setText(QStringLiteral("Copyright (C) Orvanta, Inc."));
    SpeedButton1 = Make<QLabel>(gpVersion, "SpeedButton1", QPoint(328, 16));
    SpeedButton1->setFixedSize(48, 48);
    SpeedButton1->setPixmap(QPixmap(QStringLiteral(":/pellumo/pellumo-48.png")));

    lblFFMpeg = Make<QLabel>(gpVersion, "lblFFMpeg", QPoint(16, 80));
    lblFFMpeg->setText(QStringLiteral("This product includes software developed by the FFMpeg Project."));
    urlFFMpeg = Make<QLabel>(gpVersion, "urlFFMpeg", QPoint(16, 98));
    urlFFMpeg->setText(QStringLiteral("<a href=\"%1\" style=\"color:#0000ff\">%1</a>").arg(QLatin1String(FFmpegSite)));
    urlFFMpeg->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(urlFFMpeg, &QLabel::linkActivated, this, [](const QString& link) { OpenUrl(QUrl(link)); });
    lblLGPL = Make<QLabel>(gpVersion, "lblLGPL", QPoint(16, 120));
    lblLGPL->setText(FFmpegLicenseNotice(QString::fromUtf8(avutil_license())));

    btnOk = Make<QPushButton>(gpVersion, "btnOk", QPoint(304, 144));
    btnOk->setText(QStringLiteral("OK"));
    btnOk->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    btnOk->setFixedSize(75, 25);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    // Below a style sheet, children take the application's font unless they
    // have one of their own.
    for (QWidget* child : gpVersion->findChildren<QWidget*>())
        if (!child->testAttribute(Qt::WA_SetFont))
            child->setFont(font());
    for (QLabel* label : {txtAppName, txtCopyright, lblFFMpeg, urlFFMpeg, lblLGPL})
        label->adjustSize();
    if (const QScreen* screen = parent ? parent->screen() : QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
