#include "app/UKadrix.h"

#include "app/UHelpViewer.h"
#include "app/UHostExchange.h"
#include "support/Pathutil.h"
#include "support/ULog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <QTimer>

using namespace HostExchange;
using namespace Pathutil;

namespace {

const QString CloseConfirmation = QStringLiteral("終了します。よろしいですか？");
const QString UnsavedCloseConfirmation =
    QStringLiteral("保存していない画像が%1枚あります。終了すると削除されます。\n終了します。よろしいですか？");
const QString UnreadableSettingsMessage = QStringLiteral("設定ファイルの読み込みができませんでした。\n%1");

} // namespace

TfrmKadrix::TfrmKadrix(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent)
{
    FormCreate(arguments);
}

TfrmKadrix::~TfrmKadrix() = default;

void TfrmKadrix::FormCreate(const QStringList& arguments)
{
    CreateWindowControls(); // also sets the window font, before the controls size themselves
    setWindowTitle(QApplication::applicationDisplayName());
    setMinimumSize(800, 600);
    resize(800, 600);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    if (const QScreen* screen = QApplication::primaryScreen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));

    helpFile = FindHelpFile(QApplication::applicationFilePath());

    mode.Folder.clear();
    captureStore = std::make_unique<TCaptureStore>();
    captureStore->CustomImagePack1().OnChange = [this](QObject*) { RefreshSceneLabels(); };
    CreateImageBrowser();

    ReadCommandLine(arguments);
    if (mode.Host)
        RestoreScenes();
    else
        mode.Folder = MakeUniqueTempFolder(QStringLiteral("KD"));
    captureStore->SetWorkFolder(mode.Folder);
    ApplyModeLayout();
    captureStore->LoadSceneOrigins();
    ConnectCommands();
}

void TfrmKadrix::ReadCommandLine(const QStringList& arguments)
{
    mode.Host = false;
    if (!arguments.isEmpty()) {
        mode.Folder = arguments.constFirst();
        mode.Host = FolderExists(mode.Folder);
    }
}

void TfrmKadrix::RestoreScenes()
{
    captureStore->SetWorkFolder(mode.Folder);
    captureStore->RestoreScenes();
    // An empty folder cannot hold setting.ini either.
    const QString exchangeFile = AppendPathDelimiter(mode.Folder) + HostExchange::FileName;
    if (QFileInfo::exists(exchangeFile))
        ReadHostSettings(exchangeFile);
}

void TfrmKadrix::ReadHostSettings(const QString& fileName)
{
    std::unique_ptr<TIniDocument> hostSettings;
    try {
        hostSettings = std::make_unique<TIniDocument>(fileName);
    } catch (const EIniFileError&) {
        // A file we cannot read is not ours to rewrite: it stays as it is,
        // the user hears of it once the window is up, and only Cancel (the
        // exit code alone) can end the work.
        LogDroppedError("reading setting.ini");
        mode.UnreadableExchangeFile = fileName;
        QTimer::singleShot(0, this, [this] {
            TDialogs::Current().Notify(this, windowTitle(), UnreadableSettingsMessage.arg(mode.UnreadableExchangeFile));
        });
        return;
    }
    const QString movieFileName = hostSettings->ReadString(SettingSection, MovieFileNameKey, {});
    if (!movieFileName.isEmpty()) {
        const QFileInfo movie(movieFileName);
        if (movie.isFile())
            openDialog1.FileName = movieFileName;
        else if (movie.isDir())
            openDialog1.InitialDir = movieFileName;
    }
    mode.ButtonMode = hostSettings->ReadInteger(SettingSection, ButtonModeKey, 0);
    captureStore->SetHostSettings(std::move(hostSettings));
}

bool TfrmKadrix::FormCloseQuery()
{
    if (mode.Host)
        return true;
    // The work folder goes with the window: say what is lost with it.
    const int unsaved = captureStore->UnsavedCount();
    return TDialogs::Current().AskOkCancel(this, windowTitle(),
                                           unsaved > 0 ? UnsavedCloseConfirmation.arg(unsaved) : CloseConfirmation);
}

void TfrmKadrix::FormClose()
{
    playback->Pause(); // playback ends with the window
    if (TIniDocument* hostSettings = captureStore->HostSettings()) {
        // The host's own value (a folder preset, say) stays when no file was
        // chosen, and so does it when the file's encoding cannot hold the
        // chosen path: "caf?.mp4" would name a file that does not exist.
        const QString& key = MovieFileNameKey;
        const QString chosen = openDialog1.FileName;
        if (!chosen.isEmpty() && hostSettings->CanHold(chosen))
            hostSettings->WriteString(SettingSection, key, chosen);
        else if (!hostSettings->ValueExists(SettingSection, key))
            hostSettings->WriteString(SettingSection, key, {});
        captureStore->WriteHostSettings();
    }
    if (!mode.Host && FolderExists(mode.Folder))
        RemoveFolderTree(mode.Folder, true);
}

void TfrmKadrix::closeEvent(QCloseEvent* event)
{
    if (playback->SplitRunning()) {
        // The split ends first (its Cancel stops it after the current step).
        event->ignore();
        return;
    }
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}
