#pragma once

#include "app/UCaptureStore.h"
#include "app/UDialogs.h"
#include "app/UIniDocument.h"
#include "app/UKadrixControls.h"
#include "picture/TSafetyBitmap.h"

#include <QMainWindow>
#include <QStringList>
#include <memory>

class QKeyEvent;
class QPainter;
class QPoint;
class QTimer;
class TAction;
class TDropFile;
class TGlobalNotify;
class THtmlHelp;
enum class THelpCommand;
class TMovieDecoder;
class TTickSource;

// The main window. Its creation decides the mode: host mode when argument 1
// names an existing folder (that folder is the work folder and setting.ini
// there is the exchange file), standalone mode otherwise (a fresh temporary
// work folder, deleted with everything in it at the end).
class TfrmKadrix : public QMainWindow
{
    Q_OBJECT
public:
    // arguments: the command-line arguments without the program name.
    explicit TfrmKadrix(const QStringList& arguments, QWidget* parent = nullptr);
    ~TfrmKadrix() override;

    static QString ExchangeFileName() { return QStringLiteral("setting.ini"); }

    // Mode and work folder, fixed at creation.
    const QString& WorkFolder() const { return workFolder; }
    bool HostMode() const { return hostMode; }
    int ButtonMode() const { return buttonMode; }
    TIniDocument* HostSettings() const { return captureStore->HostSettings(); }

    // The scene list: files, pictures, origins and the host's setting.ini.
    TCaptureStore& CaptureStore() const { return *captureStore; }
    const QStringList& SceneFiles() const { return captureStore->SceneFiles(); }
    int SceneCount() const { return captureStore->SceneCount(); }

    // The open-movie dialog's state: preset file or folder, last choice.
    const TFileDialogRequest& OpenDialog1() const { return openDialog1; }
    const QString& HelpFile() const { return helpFile; }
    void SetHelpFile(const QString& path) { helpFile = path; }

    // Controls, menus and actions (names as in the window's design).
    const TKadrixControls& Controls() const { return ui; }
    const TKadrixActions& Actions() const { return actions; }

    // The open movie and what is on screen.
    enum class TPlayState { None, Paused, Playing };
    TPlayState PlayState() const { return playState; }
    const QString& MoviePath() const { return moviePath; }
    bool FrameShown() const { return frameShown; }
    const TSafetyBitmap& CurrentFrame() const { return currentFrame; }
    TMovieDecoder& MovieDecoder() const { return *movieDecoder; }
    const QTimer& Timer2() const { return *timer2; }

    // Makes path the open movie and starts playing it from the beginning.
    void OpenMovie(const QString& path, bool noHistory);
    // Opens a movie named on the command line in standalone mode (the
    // desktop's "open with").
    void OpenArgumentMovie(const QStringList& arguments);

    // Dropped files, help and the About box (UKadrixDesktop.cpp).
    TDropFile* DropFile1() const { return dropFile1; }
    THtmlHelp* HtmlHelp() const { return htmlHelp; }
    bool FormHelp(THelpCommand command, int data);
    void btnHelpClick();
    void menuOpenHelpClick();
    void AboutA1Click();

    // The playback clock's source; the system's monotonic clock by default.
    void SetTickSource(std::unique_ptr<TTickSource> source);
    // One playback tick (Timer2 runs it every 97 ms while playing).
    void Timer2Timer();
    // Evaluates every action's enabling rule, as when the window is idle.
    void UpdateAllActions();

    // Runs actCapture (its enabling rule first); false when it was disabled
    // or the scene file could not be written (the user has been told).
    bool ExecuteCapture();
    // The tip of scene index's thumbnail: movie file name and position.
    QString SceneTipText(int index) const;

    // Step sizes of the cmbStepUnit entries, in milliseconds.
    static int StepUnitMs(int index);

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
    void SetupAction(TAction* action, void (TfrmKadrix::*execute)(), void (TfrmKadrix::*update)(TAction&));
    bool FormShortCut(const QKeyEvent& key);
    bool DefaultButtonKey(const QKeyEvent& key);
    void btnSelectFileClick();
    void ConnectDesktopCommands();
    void DropFile1Drop();

    // Movie, frame display, playback and stepping (UKadrixPlayback.cpp).
    void ShowFrameAtPosition();
    void TrackBar1Change();
    void RebaseClock();
    void PaintBox1Paint(QPainter& painter);
    void chkDeinterlaceClick();
    void SetBarPosition(int position);
    void StepBy(int direction);
    void actPlayExecute();
    void actPauseExecute();
    void actRewindExecute();
    void actStepNextExecute();
    void actStepPrevExecute();
    void actPlayUpdate(TAction& action);
    void actPauseUpdate(TAction& action);
    void actRewindUpdate(TAction& action);
    void actStepUpdate(TAction& action);
    void actDisabledUpdate(TAction& action);
    void TakeDecoderFrame();

    // Frame by frame and the sharpest frame nearby (UKadrixFrameStep.cpp).
    void ConnectFrameCommands();
    TAction* FrameCommandKey(const QKeyEvent& key) const;
    void ShowDecodedFrame();
    void StepFrame(bool forward);
    void actFrameNextExecute();
    void actFramePrevExecute();
    void actSharpestFrameExecute();
    void actFrameUpdate(TAction& action);

    // Scene commands (UKadrixScenes.cpp).
    void ConnectSceneCommands();
    void RefreshSceneLabels();
    void TellWriteFailed(const QString& file);
    int SelectedSceneIndex() const;
    int SelectedSceneCount() const;
    int BrowserItemCount() const;
    bool SceneSelected(int index) const;
    void SelectScene(int index);
    void SetAllScenesSelected(bool selected);
    void actCaptureExecute();
    void actCaptureUpdate(TAction& action);
    void actUpdateExecute();
    void actUpdateUpdate(TAction& action);
    void actDelete1Execute();
    void actDelete1Update(TAction& action);
    void actDeleteAllExecute();
    void actDeleteAllUpdate(TAction& action);
    void actSelectAllExecute();
    void actSelectAllUpdate(TAction& action);
    void actUnselectAllExecute();
    void actUnselectAllUpdate(TAction& action);
    void actBrowserDoubleClickExecute();
    void actAlwaysEnabledUpdate(TAction& action);

    // Split range and automatic split (UKadrixSplit.cpp).
    void ConnectSplitCommands();
    void ResetSplitRange();
    void UpdateSplitRangeDisplay();
    bool AskSplitRange(const QString& question);
    void mnuStartSplitRangeClick();
    void mnuEndSplitRangeClick();
    void mnuResetSplitRangeClick();
    void mnuSeekToStartRangeClick();
    void mnuSeekToEndRangeClick();
    void actAutoCaptureExecute();
    void actAutoCaptureUpdate(TAction& action);
    void TrackBar1ContextPopup(const QPoint& mousePos);

    QString workFolder;
    bool hostMode = false;
    int buttonMode = 0;
    std::unique_ptr<TCaptureStore> captureStore;
    bool captureFailed = false;
    QString moviePath;
    QString helpFile;
    TFileDialogRequest openDialog1;
    std::unique_ptr<TMovieDecoder> movieDecoder;

    TKadrixActions actions;
    TKadrixControls ui;
    TGlobalNotify* globalNotify = nullptr;
    TDropFile* dropFile1 = nullptr;
    THtmlHelp* htmlHelp = nullptr;
    QTimer* timer2 = nullptr;
    std::unique_ptr<TTickSource> tickSource;

    TPlayState playState = TPlayState::None;
    quint32 playStartTick = 0;
    int lastFetchedPosition = -1;
    bool fetchBusy = false;
    bool frameShown = false;
    bool timer2Busy = false;    // the timer's running-tick guard
    bool trackBar1Busy = false; // the bar's change guard
    TSafetyBitmap currentFrame;
};
