#include "app/UKadrix.h"

#include "app/UPlaybackClock.h"
#include "decoder/UMovieDecoder.h"
#include "support/Pathutil.h"
#include "support/ULog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCollator>
#include <QFileInfo>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>

using namespace Pathutil;

namespace {

const QString CloseConfirmation = QStringLiteral("終了します。よろしいですか？");
const QString SettingSection = QStringLiteral("Setting");
const QString PositionSection = QStringLiteral("Position");
const QString MovieSection = QStringLiteral("Movie");

// Scene files are restored in the order of a case-insensitive, locale-aware
// comparison of their full paths; the timestamped names the program gives
// them make that the order in which they were taken.
void SortPaths(QStringList& paths)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(paths.begin(), paths.end(),
                     [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
}

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

    const QFileInfo program(QApplication::applicationFilePath());
    helpFile = program.absolutePath() + u'/' + program.completeBaseName() + QStringLiteral(".chm");

    moviePath.clear();
    sceneCount = 0;
    movieDecoder = std::make_unique<TMovieDecoder>();

    sceneFiles.clear();
    workFolder.clear();
    hostSettings.reset();
    sceneOrigins = TIniDocument();

    ReadCommandLine(arguments);
    if (hostMode)
        RestoreScenes();
    else
        workFolder = MakeUniqueTempFolder(QStringLiteral("KD"));
    ApplyModeLayout();
    LoadSceneOrigins();
    ConnectCommands();
}

void TfrmKadrix::ReadCommandLine(const QStringList& arguments)
{
    hostMode = false;
    if (!arguments.isEmpty()) {
        workFolder = arguments.constFirst();
        hostMode = FolderExists(workFolder);
    }
}

void TfrmKadrix::RestoreScenes()
{
    QStringList files;
    CollectFiles(files, workFolder);
    SortPaths(files);
    sceneCount = 0;
    if (files.isEmpty())
        return;

    for (const QString& path : std::as_const(files))
        if (path.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive) && AdoptSceneFile(path))
            ++sceneCount;

    const QString exchangeFile = AppendPathDelimiter(workFolder) + ExchangeFileName();
    if (QFileInfo::exists(exchangeFile))
        ReadHostSettings(exchangeFile);
}

bool TfrmKadrix::AdoptSceneFile(const QString& path)
{
    // The file becomes a scene in the list; its picture is taken over by the
    // capture store.
    sceneFiles.append(path);
    return true;
}

void TfrmKadrix::ReadHostSettings(const QString& fileName)
{
    try {
        hostSettings = std::make_unique<TIniDocument>(fileName);
    } catch (const EIniFileError&) {
        // A file we cannot read is not ours to rewrite: without it nothing
        // is exchanged, and the host's file stays as it is.
        LogDroppedError("reading setting.ini");
        hostSettings.reset();
        return;
    }
    const QString movieFileName = hostSettings->ReadString(SettingSection, QStringLiteral("MovieFileName"), {});
    if (!movieFileName.isEmpty()) {
        const QFileInfo movie(movieFileName);
        if (movie.isFile())
            openDialog1.FileName = movieFileName;
        else if (movie.isDir())
            openDialog1.InitialDir = movieFileName;
    }
    buttonMode = hostSettings->ReadInteger(SettingSection, QStringLiteral("ButtonMode"), 0);
}

void TfrmKadrix::LoadSceneOrigins()
{
    if (!hostSettings)
        return;
    sceneOrigins.EraseSection(PositionSection);
    sceneOrigins.EraseSection(MovieSection);
    for (int n = 0; n < sceneCount; ++n) {
        const QString key = QString::number(n);
        const int position = hostSettings->ReadInteger(PositionSection, key, -1);
        if (position < 0)
            continue;
        const QString name = QFileInfo(sceneFiles[n]).fileName();
        sceneOrigins.WriteInteger(PositionSection, name, position);
        sceneOrigins.WriteString(MovieSection, name, hostSettings->ReadString(MovieSection, key, {}));
    }
    WriteHostSettings();
}

void TfrmKadrix::WriteHostSettings()
{
    try {
        hostSettings->UpdateFile();
    } catch (const EIniFileError&) {
        // Dropped like every error that escapes a command; the previous file
        // stays intact because the write is atomic.
        LogDroppedError("writing setting.ini");
    }
}

bool TfrmKadrix::FormCloseQuery()
{
    if (hostMode)
        return true;
    return TDialogs::Current().AskOkCancel(this, windowTitle(), CloseConfirmation);
}

void TfrmKadrix::FormClose()
{
    timer2->stop(); // playback ends with the window
    if (hostSettings) {
        hostSettings->WriteString(SettingSection, QStringLiteral("MovieFileName"), openDialog1.FileName);
        WriteHostSettings();
    }
    if (!hostMode && FolderExists(workFolder))
        RemoveFolderTree(workFolder, true);
}

void TfrmKadrix::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}
