#pragma once

#include <QFont>
#include <QList>
#include <QString>

class QAction;
class TAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QStatusBar;
class QToolButton;
class QWidget;
class TFormPanel;
class TPaintPanel;
class TPositionBar;
class TShadowPanel;

// The main window's actions, with their captions and hints.
struct TKadrixActions
{
    TAction* actCapture;
    TAction* actDelete1;
    TAction* actDeleteAll;
    TAction* actPlay;
    TAction* actPause;
    TAction* actRewind;
    TAction* actStepNext;
    TAction* actStepPrev;
    TAction* actSaveImage;
    TAction* actSaveSheet; // the chosen scenes on one contact sheet
    TAction* actUpdate;
    TAction* actBrowserDoubleClick;
    TAction* actOption1;
    TAction* actOption2;
    TAction* actOption3;
    TAction* actAutoCapture;
    TAction* actSelectAll;
    TAction* actUnselectAll;
    TAction* actFrameNext;
    TAction* actFramePrev;
    TAction* actSharpestFrame;
    TAction* actCopyScene;   // Ctrl+C, routed by the window
    TAction* actCopyFrame;

    void Create(QObject* owner);
    // Every action, for evaluating all enabling rules at once.
    QList<TAction*> All() const;
};

// Every control, menu and popup of the main window, at its design position
// with its anchors, its caption and its hint. The design client area is
// 792 x 554 with a 19 pixel status bar at the bottom.
struct TKadrixControls
{
    static constexpr int DesignClientWidth = 792;
    static constexpr int DesignClientHeight = 554;
    static constexpr int StatusBarHeight = 19;
    // The scene list's share of the width beyond the design size.
    static constexpr double SceneListShare = 0.5;

    QWidget* central;
    TShadowPanel* ShadowPanel1;
    QPushButton* btnOption1;
    QPushButton* btnOption2;
    QPushButton* btnOption3;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QFrame* pnlHelp;
    QToolButton* btnHelp;
    QStatusBar* StatusBar1;

    QGroupBox* gbSetting;
    QGroupBox* GroupBox1;
    QGroupBox* gbSelectedFrame;
    TPositionBar* TrackBar1;
    QLabel* lblCurPos;
    QLabel* lblStopPos;

    QLabel* Label2;
    QLineEdit* edFileName;
    QToolButton* btnSearchDisc;
    QToolButton* btnSelectDrive;
    QToolButton* btnSelectVob;
    QToolButton* btnSelectFile;
    QToolButton* btnMovieHistory;

    QLabel* Label3;
    QLabel* lblPicSize;
    QCheckBox* chkDeinterlace;
    QToolButton* btnAutoCapture;
    QWidget* Panel1;
    TPaintPanel* PaintBox1;
    QToolButton* btnPlay;
    QToolButton* btnPause;
    QToolButton* btnRewind;
    QToolButton* btnStepPrev;
    QComboBox* cmbStepUnit;
    QToolButton* btnStepNext;
    QToolButton* btnCapture;

    QPushButton* btnSelectAll;
    QPushButton* btnUnselectAll;
    QLabel* Label5;
    QLabel* lblPicNum;
    TFormPanel* FormPanel1;
    QPushButton* btnDeleteAll;
    QPushButton* btnDelete;
    QPushButton* btnUpdate;
    QPushButton* btnSaveImage;

    // Main menu.
    QMenu* File2;
    QAction* menuOpen;
    QAction* menuSave;
    QMenu* N4;
    QAction* mnuOpenHistory;
    QAction* Exit1;
    QMenu* Frame1; // frame by frame; its entries are the window's actions
    QMenu* View1;
    QMenu* mnuThumbnailSize;
    QAction* mnuThumbnailSmall;
    QAction* mnuThumbnailMedium;
    QAction* mnuThumbnailLarge;
    QMenu* Help1;
    QAction* menuOpenHelp;
    QAction* menuHomepage;
    QAction* menuProduct;
    QAction* AboutA1;

    // Popups.
    QMenu* popupSceneList; // the scene list's save menu (its context menu)
    QMenu* popupAutoCapture;
    QAction* mnuAuto8;
    QAction* mnuAuto16;
    QAction* mnuAuto32;
    QAction* mnuAutoCustom;
    QAction* mnuAutoShots;
    QAction* mnuStartSplitRange;
    QAction* mnuEndSplitRange;
    QAction* mnuResetSplitRange;
    QAction* mnuSeekToStartRange;
    QAction* mnuSeekToEndRange;
    QMenu* cmTrackBar;
    QAction* cmStartSplitRange;
    QAction* cmEndSplitRange;
    QAction* cmResetSplitRange;
    QAction* cmSeekToStartRange;
    QAction* cmSeekToEndRange;
    QMenu* cmMovieHistoryForButton;
    QAction* mnuMovieHistoryForButton;
    QMenu* mnuDrvList;
    QMenu* cmPaintBox;  // the video area's menu
    QMenu* mnuVobList;

    // Builds everything on window; actions must have been created.
    void Build(QMainWindow* window, const TKadrixActions& actions);

    // The window font: "ＭＳ Ｐゴシック" 12 pixels, else Noto Sans CJK JP.
    static QFont WindowFont();
    // Style sheet of a group box whose caption sits on the frame line.
    static QString GroupBoxStyle(const QString& name);

private:
    void BuildTopLevel(QMainWindow* window);
    void BuildMovieChoice(const TKadrixActions& actions);
    void BuildMovieView(const TKadrixActions& actions);
    void BuildSceneList(const TKadrixActions& actions);
    void BuildMenus(QMainWindow* window);
    void BuildPopups(QWidget* window);
    void BindActions(const TKadrixActions& actions);
};
