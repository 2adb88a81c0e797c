#pragma once

#include "app/TPlaybackController.h"
#include "app/UCaptureStore.h"
#include "app/UDialogs.h"
#include "app/UIniDocument.h"
#include "app/UKadrixControls.h"
#include "app/UKeyMap.h"
#include "decoder/UShotDetector.h"
#include "picture/TSafetyBitmap.h"
#include "support/UDvdDrives.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

class QEvent;
class TSavePlan;
struct TScenePicture;
struct TSheetHeader;
class QPainter;
class QPoint;
class QSettings;
class TAction;
class TDropFile;
class THistoryManager;
class THtmlHelp;
enum class THelpCommand;
class TfrmImageBrowser;

// How the window was started, fixed at creation.
struct TWorkMode
{
    QString Folder;     // the work folder
    bool Host = false;  // argument 1 named an existing folder
    int ButtonMode = 0; // the host's choice of buttons (setting.ini)
    // setting.ini when it exists but cannot be read: nothing can be handed
    // over through it, so only Cancel ends the work.
    QString UnreadableExchangeFile;
};

// The main window. Its creation decides the mode: host mode when argument 1
// names an existing folder (that folder is the work folder and setting.ini
// there is the exchange file), standalone mode otherwise (a fresh temporary
// work folder, deleted with everything in it at the end).
class TfrmKadrix : public QMainWindow
{
    Q_OBJECT
    // Tests change what a user would change by hand (the scene list's
    // selection, the recent-movie history) and read the pictures in memory
    // through this seam (tests/app/KadrixTestSupport.h).
    friend struct TKadrixTestAccess;

public:
    // arguments: the command-line arguments without the program name.
    explicit TfrmKadrix(const QStringList& arguments, QWidget* parent = nullptr);
    ~TfrmKadrix() override;

    const TWorkMode& Mode() const { return mode; }
    // The scene list: files, pictures, origins and the host's setting.ini.
    const TCaptureStore& CaptureStore() const { return *captureStore; }

    // The open-movie dialog's state: preset file or folder, last choice.
    const TFileDialogRequest& OpenDialog1() const { return openDialog1; }
    const QString& HelpFile() const { return helpFile; }
    void SetHelpFile(const QString& path) { helpFile = path; }

    // Controls, menus and actions (names as in the window's design).
    const TKadrixControls& Controls() const { return ui; }
    const TKadrixActions& Actions() const { return actions; }
    // The scene list's thumbnail browser, hosted in FormPanel1.
    const TfrmImageBrowser& ImageBrowser() const { return *frmImageBrowser; }

    // The open movie and what is on screen.
    const TPlaybackController& Playback() const { return *playback; }

    // Makes path the open movie and starts playing it from the beginning.
    void OpenMovie(const QString& path, bool noHistory);
    // Opens a movie named on the command line in standalone mode (the
    // desktop's "open with").
    void OpenArgumentMovie(const QStringList& arguments);

    // Help (UKadrixDesktop.cpp).
    bool FormHelp(THelpCommand command, int data);
    void btnHelpClick();

    // Where optical drives and mounts are looked up; builds the drive menu
    // again from there (it is built from the running system at creation).
    void SetDvdDrives(const TDvdDrives& drives);

    // Evaluates every action's enabling rule, as when the window is idle.
    void UpdateAllActions();

    // Runs actCapture (its enabling rule first); false when it was disabled
    // or the scene file could not be written (the user has been told).
    bool ExecuteCapture();
    // The tip of scene index's thumbnail: movie file name and position.
    QString SceneTipText(int index) const;

    // The scene list's thumbnail size (one of ThumbnailSizes), shown in the
    // View menu and kept in the per-user store for the next start.
    void SetSceneThumbnailSize(int size);
    static constexpr const char* ThumbnailSizeKey = "1/SceneList/ThumbnailSize";

    // Takes count frames at equal intervals over the split range into the
    // scene list, after asking.
    void RunAutoSplit(int count);
    // Finds the shots of the split range and takes one frame of each into
    // the scene list, after asking (UKadrixShots.cpp).
    void RunShotSplit();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(const QStringList& arguments);
    void ReadCommandLine(const QStringList& arguments);
    void RestoreScenes();
    void ReadHostSettings(const QString& fileName);
    bool FormCloseQuery();
    void FormClose();

    // Window, commands and keyboard (UKadrixWindow.cpp).
    void CreateWindowControls();
    void ApplyModeLayout();
    void ConnectCommands();
    void CreateKeyMap();
    void btnSelectFileClick();
    void ConnectDesktopCommands();

    // Recent-movie history and DVD titles (UKadrixMovies.cpp).
    void CreateMovieHistory();
    void ConnectMovieChoice();
    void hmOpenHistoryMenuClick(const QString& path);
    void BuildDriveMenu();
    void btnSearchDiscClick();
    void mnuVobListPopup();
    void OpenTitleFile(const QString& path);

    // Movie, frame display, playback and stepping (UKadrixPlayback.cpp).
    void ConnectPlayback();
    void ConnectPlaybackCommands();
    void PaintBox1Paint(QPainter& painter);
    void chkDeinterlaceClick();
    void actPlayUpdate(TAction& action);
    void actPauseUpdate(TAction& action);
    void actStepUpdate(TAction& action);

    // Frame by frame and the sharpest frame nearby (UKadrixFrameStep.cpp).
    void ConnectFrameCommands();

    // Thumbnail size, preview and copying (UKadrixSceneView.cpp).
    void ConnectSceneViewCommands();
    void ShowThumbnailSize(int size);
    void actCopySceneExecute();
    void actCopyFrameExecute();

    // Scene commands (UKadrixScenes.cpp).
    void CreateImageBrowser();
    void ConnectSceneCommands();
    void RefreshSceneLabels();
    void TellWriteFailed(const QString& file);
    void actCaptureExecute();
    void actUpdateExecute();
    void actDelete1Execute();
    void actDelete1Update(TAction& action);
    void actDeleteAllExecute();
    void actBrowserDoubleClickExecute();

    // Saving scene pictures (UKadrixSave.cpp).
    void ConnectSaveCommands();
    QList<int> SelectedScenes() const;
    void actSaveImageExecute();
    QList<int> ScenesToSave() const;
    // True when every file of the plan was written.
    bool SaveScenes(const TSavePlan& plan, const QString& confirmedName,
                    const std::function<TScenePicture(int scene)>& pictureOf);
    TScenePicture ScenePictureToSave(int scene);
    QString CorrectionOf(const QString& movie) const;
    void actSaveSheetExecute();
    QString CommonMovie(const QList<int>& scenes) const;
    TSheetHeader SheetHeaderFor(const QList<int>& scenes) const;

    // Ending with a result for the host (UKadrixHost.cpp).
    void ConnectHostCommands();
    void actOptionUpdate(TAction& action);
    void CloseWithResult(int code);
    void TellResultFailed(const QString& file);

    // Split range and automatic split (UKadrixSplit.cpp).
    void ConnectSplitCommands();
    void ResetSplitRange();
    void UpdateSplitRangeDisplay();
    bool AskSplitRange(const QString& question);
    // Shows and captures the frame at each position, in order; a fetched
    // frame `passOver` accepts is not captured. False when cancelled or stopped.
    bool CaptureFrames(const std::vector<int>& positions,
                       const std::function<bool(const TSafetyBitmap&)>& passOver = {});
    bool AutoSplitInputBlocked(QObject* watched, QEvent& event);
    void mnuStartSplitRangeClick();
    void mnuEndSplitRangeClick();
    void TrackBar1ContextPopup(const QPoint& mousePos);
    // The shots' numbers and the cut marks belong to the movie open.
    void ForgetShots();

    TWorkMode mode;
    std::unique_ptr<TCaptureStore> captureStore;
    bool captureFailed = false;
    QString helpFile;
    TFileDialogRequest openDialog1;
    TFileDialogRequest savePictureDialog1;
    TFileDialogRequest saveSheetDialog;

    TKadrixActions actions;
    TKadrixControls ui;
    TKeyMap keyMap;
    TfrmImageBrowser* frmImageBrowser = nullptr;
    THistoryManager* hmOpenHistory = nullptr;
    THistoryManager* hmOpenHistoryButton = nullptr;
    TDvdDrives dvdDrives;
    QList<TDvdDrive> driveList; // one per mnuDrvList item
    TDropFile* dropFile1 = nullptr;
    THtmlHelp* htmlHelp = nullptr;
    TPlaybackController* playback = nullptr;
    TShotScoreCache shotScores; // the stretches scanned for shots in the movie open
};

// The per-user store of the recent-movie history and the window's other
// per-user choices.
std::unique_ptr<QSettings> OpenHistoryStore();
