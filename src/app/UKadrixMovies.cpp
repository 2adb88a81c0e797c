// TfrmKadrix: the recent-movie history menus and the DVD title picker, two
// ways of choosing a movie without the file dialog.

#include "app/UKadrix.h"

#include "widgets/UHistoryManager.h"

#include <QAction>
#include <QActionGroup>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QToolButton>

namespace {

const QString HistoryKey = QStringLiteral("1/OpenMovieHistory");
const QString ClearHistoryCaption = QStringLiteral("履歴の消去");
const QString MovieGoneMessage = QStringLiteral("動画ファイルが見つかりませんでした。\n履歴から削除します。");
const QString NoTitleMessage = QStringLiteral("Videoモードで作成したDVDをセットしてください");

// Drive and file names are shown as they are: "&" must not become an
// accelerator mark.
QString PlainCaption(QString text)
{
    return text.replace(u'&', QStringLiteral("&&"));
}

QPoint BelowLeft(const QWidget* button)
{
    return button->mapToGlobal(QPoint(0, button->height()));
}

} // namespace

std::unique_ptr<QSettings> OpenHistoryStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvanta,Inc."),
                                       QStringLiteral("Kadrix"));
}

void TfrmKadrix::CreateMovieHistory()
{
    const std::pair<THistoryManager**, QAction*> managers[] = {
        {&hmOpenHistory, ui.mnuOpenHistory},
        {&hmOpenHistoryButton, ui.mnuMovieHistoryForButton},
    };
    for (const auto& [manager, placeholder] : managers) {
        *manager = new THistoryManager(this);
        (*manager)->SetRegistryKey(HistoryKey);
        (*manager)->SetClearHistoryCaption(ClearHistoryCaption);
        (*manager)->SetMenuItem(placeholder);
        (*manager)->SetStore(OpenHistoryStore()); // complete now: builds its menu
        connect(*manager, &THistoryManager::OnMenuClick, this, &TfrmKadrix::hmOpenHistoryMenuClick);
        connect(*manager, &THistoryManager::OnClearClick, this, [this] {
            hmOpenHistoryButton->RebuildMenu();
            hmOpenHistory->RebuildMenu();
        });
    }
}

void TfrmKadrix::ConnectMovieChoice()
{
    CreateMovieHistory();
    connect(ui.btnMovieHistory, &QToolButton::clicked, this,
            [this] { ui.cmMovieHistoryForButton->popup(BelowLeft(ui.btnMovieHistory)); });

    BuildDriveMenu();
    connect(ui.btnSelectDrive, &QToolButton::clicked, this, [this] { ui.mnuDrvList->popup(BelowLeft(ui.btnSelectDrive)); });
    connect(ui.btnSearchDisc, &QToolButton::clicked, this, &TfrmKadrix::btnSearchDiscClick);
    connect(ui.btnSelectVob, &QToolButton::clicked, this, [this] { ui.mnuVobList->popup(BelowLeft(ui.btnSelectVob)); });
    connect(ui.mnuVobList, &QMenu::aboutToShow, this, &TfrmKadrix::mnuVobListPopup);
}

void TfrmKadrix::hmOpenHistoryMenuClick(const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        // The movie was moved or deleted: say so and drop the entry rather
        // than let it be picked in vain again.
        OpenMovie(path, false); // stops playback, as opening any missing path does
        TDialogs::Current().Notify(this, windowTitle(), MovieGoneMessage);
        hmOpenHistory->Remove(path);
        hmOpenHistoryButton->RebuildMenu();
        return;
    }
    openDialog1.FileName = path;
    OpenMovie(path, false);
}

void TfrmKadrix::SetDvdDrives(const TDvdDrives& drives)
{
    dvdDrives = drives;
    BuildDriveMenu();
}

void TfrmKadrix::BuildDriveMenu()
{
    ui.mnuDrvList->clear();
    qDeleteAll(ui.mnuDrvList->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly));
    driveList = dvdDrives.Drives();
    auto* radioGroup = new QActionGroup(ui.mnuDrvList); // checking one item unchecks the others
    for (qsizetype i = 0; i < driveList.size(); ++i) {
        QAction* item = ui.mnuDrvList->addAction(PlainCaption(driveList[i].Name));
        item->setCheckable(true);
        item->setChecked(i == 0);
        item->setData(static_cast<int>(i));
        radioGroup->addAction(item);
    }
    ui.btnSearchDisc->setEnabled(!driveList.isEmpty());
}

void TfrmKadrix::btnSearchDiscClick()
{
    ui.mnuVobList->exec(BelowLeft(ui.btnSearchDisc));
    if (ui.mnuVobList->actions().isEmpty())
        TDialogs::Current().Notify(this, windowTitle(), NoTitleMessage);
}

void TfrmKadrix::mnuVobListPopup()
{
    ui.mnuVobList->clear();
    const QList<QAction*> drives = ui.mnuDrvList->actions();
    const auto checked = std::find_if(drives.begin(), drives.end(), [](QAction* item) { return item->isChecked(); });
    if (checked == drives.end())
        return;
    // Looked up now, so a disc inserted or mounted after start is found.
    const QString mountPoint = dvdDrives.MountPoint(driveList.value((*checked)->data().toInt()));
    for (const QString& path : TDvdDrives::TitleFiles(mountPoint)) {
        QAction* item = ui.mnuVobList->addAction(PlainCaption(QFileInfo(path).fileName()));
        item->setData(path);
        connect(item, &QAction::triggered, this, [this, path] { OpenTitleFile(path); });
    }
}

void TfrmKadrix::OpenTitleFile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return;
    openDialog1.FileName = path;
    OpenMovie(path, true); // titles stay out of the recent-movie history
}
