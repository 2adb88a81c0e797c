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
    connect(dropFile1, &TDropFile::OnDrop, this, &TfrmKadrix::DropFile1Drop, Qt::QueuedConnection);

    htmlHelp = new THtmlHelp(this);
    connect(ui.btnHelp, &QToolButton::clicked, this, &TfrmKadrix::btnHelpClick);
    connect(ui.menuOpenHelp, &QAction::triggered, this, &TfrmKadrix::menuOpenHelpClick);
    connect(ui.AboutA1, &QAction::triggered, this, &TfrmKadrix::AboutA1Click);
    // The maker has no web site to point at, so its two links are not offered.
    ui.menuHomepage->setVisible(false);
    ui.menuProduct->setVisible(false);
}

void TfrmKadrix::DropFile1Drop()
{
    // A dropped file opens exactly like a chosen one, but does not become the
    // open dialog's file name.
    if (!dropFile1->DroppedFiles().isEmpty())
        OpenMovie(dropFile1->DroppedFiles().constFirst(), false);
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

void TfrmKadrix::menuOpenHelpClick()
{
    btnHelpClick();
}

void TfrmKadrix::AboutA1Click()
{
    TfrmAbout about(this);
    about.exec();
}

void TfrmKadrix::OpenArgumentMovie(const QStringList& arguments)
{
    if (hostMode || arguments.isEmpty() || !QFileInfo(arguments.constFirst()).isFile())
        return;
    const QString path = arguments.constFirst();
    QTimer::singleShot(0, this, [this, path] { OpenMovie(path, false); });
}
