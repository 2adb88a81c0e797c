// TfrmKadrix: dropped files, help, the About box and movies named on the
// command line.

#include "app/UKadrix.h"

#include "app/FAbout.h"
#include "app/UHelpViewer.h"
#include "support/Pathutil.h"
#include "widgets/UDropFile.h"

#include <QAction>
#include <QFileInfo>
#include <QFrame>
#include <QTimer>
#include <QToolButton>

void TfrmKadrix::ConnectDesktopCommands()
{
    dropFile1 = new TDropFile(this);
    dropFile1->setObjectName("DropFile1");
    dropFile1->SetOneFileOnly(true);
    dropFile1->SetAcceptDrop(true);
    // Queued: the drop returns to the dragging program before the movie opens.
    // A dropped file opens exactly like a chosen one, but does not become the
    // open dialog's file name.
    connect(
        dropFile1, &TDropFile::OnDrop, this,
        [this] {
            if (!dropFile1->DroppedFiles().isEmpty())
                OpenMovie(dropFile1->DroppedFiles().constFirst(), false);
        },
        Qt::QueuedConnection);

    htmlHelp = new THtmlHelp(this);
    connect(ui.btnHelp, &QToolButton::clicked, this, &TfrmKadrix::btnHelpClick);
    connect(ui.menuOpenHelp, &QAction::triggered, this, &TfrmKadrix::btnHelpClick);
    connect(ui.AboutA1, &QAction::triggered, this, [this] {
        TfrmAbout about(this);
        about.exec();
    });
    // The maker has no web site to point at, so its two links are not offered.
    ui.menuHomepage->setVisible(false);
    ui.menuProduct->setVisible(false);
}

bool TfrmKadrix::FormHelp(THelpCommand command, int data)
{
    return htmlHelp->ShowHtmlHelp(helpFile, command, data);
}

void TfrmKadrix::btnHelpClick()
{
    const int context = ui.pnlHelp->property("helpContext").toInt();
    if (context != 0)
        FormHelp(THelpCommand::Context, context);
    else
        FormHelp(THelpCommand::Contents, 0);
}

void TfrmKadrix::OpenArgumentMovie(const QStringList& arguments)
{
    if (mode.Host || arguments.isEmpty() || !QFileInfo(arguments.constFirst()).isFile())
        return;
    const QString path = arguments.constFirst();
    QTimer::singleShot(0, this, [this, path] { OpenMovie(path, false); });
}
