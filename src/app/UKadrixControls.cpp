#include "app/UKadrixControls.h"

#include "app/UAction.h"
#include "app/UKadrixGlyphs.h"
#include "widgets/TActionLink.h"
#include "widgets/TAnchorLayout.h"
#include "widgets/TFormPanel.h"
#include "widgets/TPositionBar.h"
#include "widgets/TShadowPanel.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

namespace {

constexpr TAnchors DefaultAnchors = Anchor::Left | Anchor::Top;
constexpr TAnchors AllAnchors = Anchor::Left | Anchor::Top | Anchor::Right | Anchor::Bottom;

template <typename Control>
Control* Make(QWidget* parent, const QString& name, QRect rect, TAnchors anchors = DefaultAnchors)
{
    auto* control = new Control(parent);
    control->setObjectName(name);
    TAnchorLayout::Place(control, rect, anchors);
    return control;
}

// Labels size themselves to their design text, as auto-sized labels do. A
// label that must end before the next control (maxWidth) is set a little
// tighter when the fallback font is wider than the design font.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, QPoint at,
                  TAnchors anchors = DefaultAnchors, const QString& sizingText = QString(), int maxWidth = 0)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(TKadrixControls::WindowFont()); // measured in the font it shows
    const QString sizing = sizingText.isEmpty() ? text : sizingText;
    int width = QFontMetrics(label->font()).horizontalAdvance(sizing) + 2;
    if (maxWidth > 0 && width > maxWidth) {
        QFont tighter = label->font();
        tighter.setLetterSpacing(QFont::AbsoluteSpacing,
                                 -static_cast<qreal>(width - maxWidth) / std::max<qsizetype>(sizing.size(), 1));
        label->setFont(tighter);
        width = maxWidth;
    }
    TAnchorLayout::Place(label, QRect(at, QSize(width, QFontMetrics(label->font()).height())), anchors);
    return label;
}

// Group boxes as the design has them: the caption sits on the frame line, so
// that controls 12 pixels below the top edge are inside the frame.
QGroupBox* MakeGroupBox(QWidget* parent, const QString& name, QRect rect, TAnchors anchors, const QString& caption)
{
    auto* box = Make<QGroupBox>(parent, name, rect, anchors);
    box->setTitle(caption);
    box->setStyleSheet(TKadrixControls::GroupBoxStyle(name));
    return box;
}

QToolButton* MakeSpeedButton(QWidget* parent, const QString& name, QRect rect, TAnchors anchors,
                             const QString& caption, std::optional<TGlyph> glyph,
                             Qt::ToolButtonStyle style = Qt::ToolButtonTextBesideIcon)
{
    auto* button = Make<QToolButton>(parent, name, rect, anchors);
    button->setText(caption);
    button->setToolButtonStyle(style);
    if (glyph)
        button->setIcon(KadrixGlyph(*glyph));
    return button;
}

QToolButton* MakeArrowButton(QWidget* parent, const QString& name, QRect rect)
{
    auto* button = Make<QToolButton>(parent, name, rect);
    button->setArrowType(Qt::DownArrow);
    return button;
}

QPushButton* MakeBitmapButton(QWidget* parent, const QString& name, QRect rect, TAnchors anchors,
                              const QString& caption, TGlyph glyph)
{
    auto* button = Make<QPushButton>(parent, name, rect, anchors);
    button->setText(caption);
    button->setAutoDefault(false);
    // The glyph goes where the caption leaves room for it.
    const int textWidth = button->fontMetrics().horizontalAdvance(caption);
    if (caption.isEmpty() || textWidth + button->iconSize().width() + 12 <= rect.width())
        button->setIcon(KadrixGlyph(glyph));
    return button;
}

TAction* MakeAction(QObject* owner, const QString& name, const QString& caption, const QString& hint = QString())
{
    auto* action = new TAction(caption, owner);
    action->setObjectName(name);
    if (!hint.isEmpty())
        action->setToolTip(hint);
    return action;
}

QAction* MakeItem(QMenu* menu, const QString& name, const QString& caption,
                  const QKeySequence& shortcut = QKeySequence())
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setShortcut(shortcut);
    return item;
}

} // namespace

void TKadrixActions::Create(QObject* owner)
{
    actCapture = MakeAction(owner, "actCapture", QStringLiteral("キャプチャの追加⇒"),
                            QStringLiteral("シーンリストの最後にキャプチャ画像を追加します。"));
    actDelete1 = MakeAction(owner, "actDelete1", QStringLiteral("1つ削除"),
                            QStringLiteral("選択しているキャプチャ画像を1つ削除します"));
    actDeleteAll = MakeAction(owner, "actDeleteAll", QStringLiteral("全部削除"),
                              QStringLiteral("キャプチャ画像をすべて削除します"));
    actPlay = MakeAction(owner, "actPlay", QStringLiteral("再生"), QStringLiteral("動画の再生を開始します"));
    actPause = MakeAction(owner, "actPause", QStringLiteral("一時停止"), QStringLiteral("動画を一時停止します"));
    actRewind = MakeAction(owner, "actRewind", QStringLiteral("先頭へ"), QStringLiteral("動画の先頭へ戻ります"));
    actStepNext = MakeAction(owner, "actStepNext", QString(), QStringLiteral("次のコマへ"));
    actStepPrev = MakeAction(owner, "actStepPrev", QString(), QStringLiteral("前のコマへ"));
    actSaveImage = MakeAction(owner, "actSaveImage", QStringLiteral("保存"));
    actSaveSheet = MakeAction(owner, "actSaveSheet", QStringLiteral("コンタクトシートを保存(&T)..."),
                              QStringLiteral("選択したシーン（選択がなければすべて）を1枚の一覧画像に保存します"));
    actUpdate = MakeAction(owner, "actUpdate", QStringLiteral("再切り出し"),
                           QStringLiteral("選択しているキャプチャ画像を更新します"));
    actBrowserDoubleClick = MakeAction(owner, "actBrowserDoubleClick", QString());
    actOption1 = MakeAction(owner, "actOption1", QStringLiteral("イラストで使用"));
    actOption2 = MakeAction(owner, "actOption2", QStringLiteral("背景柄で使用"));
    actOption3 = MakeAction(owner, "actOption3", QStringLiteral("複数画像で使用"));
    actAutoCapture = MakeAction(owner, "actAutoCapture", QStringLiteral("自動分割⇒"));
    actSelectAll = MakeAction(owner, "actSelectAll", QStringLiteral("全選択"));
    actUnselectAll = MakeAction(owner, "actUnselectAll", QStringLiteral("全解除"));
    actFrameNext = MakeAction(owner, "actFrameNext", QStringLiteral("次のフレームへ(&N)"),
                              QStringLiteral("一時停止中に1フレーム進みます"));
    actFramePrev = MakeAction(owner, "actFramePrev", QStringLiteral("前のフレームへ(&B)"),
                              QStringLiteral("一時停止中に1フレーム戻ります"));
    actSharpestFrame = MakeAction(owner, "actSharpestFrame", QStringLiteral("前後で最も鮮明なフレームへ(&K)"),
                                  QStringLiteral("前後0.5秒のうち最もぶれの少ないフレームを表示します"));
    actCopyScene = MakeAction(owner, "actCopyScene", QStringLiteral("画像をコピー(&C)"),
                              QStringLiteral("選択している画像をクリップボードにコピーします"));
    actCopyFrame = MakeAction(owner, "actCopyFrame", QStringLiteral("表示中のフレームをコピー(&C)"),
                              QStringLiteral("表示しているフレームをクリップボードにコピーします"));
}

QList<TAction*> TKadrixActions::All() const
{
    return {actCapture, actDelete1, actDeleteAll, actPlay, actPause, actRewind, actStepNext, actStepPrev,
            actSaveImage, actSaveSheet, actUpdate, actBrowserDoubleClick, actOption1, actOption2, actOption3,
            actAutoCapture, actSelectAll, actUnselectAll, actFrameNext, actFramePrev, actSharpestFrame,
            actCopyScene, actCopyFrame};
}

QFont TKadrixControls::WindowFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    return font;
}

void TKadrixControls::Build(QMainWindow* window, const TKadrixActions& actions)
{
    window->setFont(WindowFont());
    BuildMenus(window);
    BuildTopLevel(window);
    BuildMovieChoice(actions);
    BuildMovieView(actions);
    BuildSceneList(actions);
    BuildPopups(window);
    BindActions(actions);
    // Widgets below a style sheet take the application's font unless they
    // have one of their own; the group boxes carry style sheets.
    for (QGroupBox* box : {gbSetting, GroupBox1, gbSelectedFrame})
        for (QWidget* child : box->findChildren<QWidget*>())
            if (!child->testAttribute(Qt::WA_SetFont)) // labels fitted to their room keep theirs
                child->setFont(WindowFont());
    // A combo box's drop-down list is a window of its own, which the window
    // font does not reach, and it is below a style sheet too.
    QWidget* dropDown = cmbStepUnit->view()->window();
    dropDown->setFont(WindowFont());
    for (QWidget* part : dropDown->findChildren<QWidget*>())
        part->setFont(WindowFont());
}

QString TKadrixControls::GroupBoxStyle(const QString& name)
{
    return QStringLiteral(
               "QGroupBox#%1 { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
               "QGroupBox#%1::title { subcontrol-origin: margin; subcontrol-position: top left;"
               " left: 7px; top: 0px; padding: 0px 2px; }")
        .arg(name);
}

void TKadrixControls::BuildTopLevel(QMainWindow* window)
{
    central = new QWidget(window);
    central->setObjectName("central");
    // Children are placed against the design size and follow it from there.
    central->resize(DesignClientWidth, DesignClientHeight - StatusBarHeight);
    window->setCentralWidget(central);

    ShadowPanel1 = Make<TShadowPanel>(central, "ShadowPanel1", QRect(5, 1, 783, 472), AllAnchors);
    ShadowPanel1->SetShadow(true);
    ShadowPanel1->SetShadowColor(Qt::black);
    ShadowPanel1->SetShadowWidth(2);
    ShadowPanel1->SetBrush(ShadowPanel1->palette().color(QPalette::Button));

    const TAnchors rightBottom = Anchor::Right | Anchor::Bottom;
    btnOption1 = MakeBitmapButton(central, "btnOption1", QRect(312, 490, 120, 36), rightBottom,
                                  QStringLiteral("イメージで使用"), TGlyph::Ok);
    btnOption2 = MakeBitmapButton(central, "btnOption2", QRect(440, 490, 120, 36), rightBottom, QString(), TGlyph::Ok);
    btnOption3 = MakeBitmapButton(central, "btnOption3", QRect(568, 490, 120, 36), rightBottom, QString(), TGlyph::Ok);
    btnOK = MakeBitmapButton(central, "btnOK", QRect(604, 490, 84, 36), rightBottom, QStringLiteral("OK"), TGlyph::Ok);
    btnOK->setDefault(true);
    btnCancel = MakeBitmapButton(central, "btnCancel", QRect(696, 490, 84, 36), rightBottom,
                                 QStringLiteral("キャンセル"), TGlyph::Cancel);

    pnlHelp = Make<QFrame>(central, "pnlHelp", QRect(13, 490, 88, 38), Anchor::Left | Anchor::Bottom);
    pnlHelp->setFrameStyle(QFrame::Box | QFrame::Sunken); // lowered outside, raised inside
    btnHelp = MakeSpeedButton(pnlHelp, "btnHelp", QRect(3, 3, 82, 32), DefaultAnchors, QStringLiteral("ヘルプ"),
                              TGlyph::Help);
    btnHelp->setAutoRaise(true);
    btnHelp->setToolTip(QStringLiteral("ヘルプを呼び出します"));

    StatusBar1 = new QStatusBar(window);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setFixedHeight(StatusBarHeight);
    window->setStatusBar(StatusBar1);

    gbSetting = MakeGroupBox(ShadowPanel1, "gbSetting", QRect(12, 12, 428, 89), Anchor::Left | Anchor::Top | Anchor::Right,
                             QStringLiteral("動画ファイル選択"));
    GroupBox1 = MakeGroupBox(ShadowPanel1, "GroupBox1", QRect(12, 112, 427, 297), AllAnchors, QStringLiteral("動画"));
    gbSelectedFrame = MakeGroupBox(ShadowPanel1, "gbSelectedFrame", QRect(449, 12, 321, 397),
                                   Anchor::Top | Anchor::Right | Anchor::Bottom, QStringLiteral("シーンリスト"));
    // Beyond the design size the scene list takes its share of the width, so
    // that a larger window shows more thumbnails, not only a larger video.
    const TAnchors topBottom = Anchor::Top | Anchor::Bottom;
    TAnchorLayout::Place(gbSetting, gbSetting->geometry(), Anchor::Top, THorizontalShare{0, 1 - SceneListShare});
    TAnchorLayout::Place(GroupBox1, GroupBox1->geometry(), topBottom, THorizontalShare{0, 1 - SceneListShare});
    TAnchorLayout::Place(gbSelectedFrame, gbSelectedFrame->geometry(), topBottom,
                         THorizontalShare{1 - SceneListShare, 1});

    TrackBar1 = Make<TPositionBar>(ShadowPanel1, "TrackBar1", QRect(24, 421, 729, 32), Anchor::Left | Anchor::Right | Anchor::Bottom);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setSingleStep(1000);
    TrackBar1->setPageStep(10000);
    TrackBar1->setTickInterval(10000);
    TrackBar1->setRange(0, 0);
    TrackBar1->setToolTip(QStringLiteral("動画の再生位置を変更します"));
    TrackBar1->setContextMenuPolicy(Qt::CustomContextMenu);

    const QString design = QStringLiteral("99:99:99.99");
    lblCurPos = MakeLabel(ShadowPanel1, "lblCurPos", design, QPoint(10, 452), Anchor::Left | Anchor::Bottom);
    lblStopPos = MakeLabel(ShadowPanel1, "lblStopPos", design, QPoint(714, 452), Anchor::Right | Anchor::Bottom);
    // Keep the right-hand label clear of the shadow however wide the font is.
    const QRect stop = lblStopPos->geometry();
    if (stop.right() > 780)
        TAnchorLayout::Place(lblStopPos, stop.translated(780 - stop.right(), 0), Anchor::Right | Anchor::Bottom);
}

void TKadrixControls::BuildMovieChoice(const TKadrixActions&)
{
    Label2 = MakeLabel(gbSetting, "Label2", QStringLiteral("ファイル名:"), QPoint(7, 26), DefaultAnchors, QString(), 57);
    edFileName = Make<QLineEdit>(gbSetting, "edFileName", QRect(65, 22, 347, 20), Anchor::Left | Anchor::Top | Anchor::Right);
    edFileName->setReadOnly(true);
    edFileName->setFocusPolicy(Qt::ClickFocus);
    QPalette face = edFileName->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    edFileName->setPalette(face);

    btnSearchDisc = MakeSpeedButton(gbSetting, "btnSearchDisc", QRect(65, 49, 98, 32), DefaultAnchors,
                                    QStringLiteral("DVDを検索"), TGlyph::SearchDisc);
    btnSelectDrive = MakeArrowButton(gbSetting, "btnSelectDrive", QRect(162, 49, 13, 32));
    btnSelectVob = MakeArrowButton(gbSetting, "btnSelectVob", QRect(174, 49, 13, 32));
    btnSelectVob->hide();
    btnSelectFile = MakeSpeedButton(gbSetting, "btnSelectFile", QRect(192, 49, 102, 32), DefaultAnchors,
                                    QStringLiteral("動画を選択"), TGlyph::OpenFile);
    btnSelectFile->setToolTip(QStringLiteral("動画ファイルを変更します"));
    btnMovieHistory = MakeArrowButton(gbSetting, "btnMovieHistory", QRect(293, 49, 13, 32));
}

void TKadrixControls::BuildMovieView(const TKadrixActions&)
{
    Label3 = MakeLabel(GroupBox1, "Label3", QStringLiteral("実際のサイズ:"), QPoint(21, 15), DefaultAnchors, QString(), 74);
    lblPicSize = MakeLabel(GroupBox1, "lblPicSize", QString(), QPoint(96, 15), DefaultAnchors,
                           QStringLiteral("99999 x 99999"));
    chkDeinterlace = Make<QCheckBox>(GroupBox1, "chkDeinterlace", QRect(176, 12, 129, 17), Anchor::Top | Anchor::Right);
    chkDeinterlace->setText(QStringLiteral("インターレース解除"));
    btnAutoCapture = MakeSpeedButton(GroupBox1, "btnAutoCapture", QRect(309, 10, 97, 22), Anchor::Top | Anchor::Right,
                                     QString(), std::nullopt, Qt::ToolButtonTextOnly);

    Panel1 = Make<QWidget>(GroupBox1, "Panel1", QRect(21, 36, 386, 197), AllAnchors);
    PaintBox1 = Make<TPaintPanel>(Panel1, "PaintBox1", QRect(0, 0, 386, 197), AllAnchors);
    PaintBox1->SetBrush(Qt::black);

    const TAnchors leftBottom = Anchor::Left | Anchor::Bottom;
    const auto transport = Qt::ToolButtonTextUnderIcon;
    btnPlay = MakeSpeedButton(GroupBox1, "btnPlay", QRect(20, 248, 49, 40), leftBottom, QString(),
                              std::nullopt, transport);
    btnPause = MakeSpeedButton(GroupBox1, "btnPause", QRect(20, 248, 49, 40), leftBottom,
                               QStringLiteral("停止"), TGlyph::Pause, transport);
    btnRewind = MakeSpeedButton(GroupBox1, "btnRewind", QRect(69, 248, 49, 40), leftBottom, QString(),
                                std::nullopt, transport);
    btnStepPrev = MakeSpeedButton(GroupBox1, "btnStepPrev", QRect(123, 248, 61, 40), leftBottom,
                                  QStringLiteral("コマ戻し"), TGlyph::StepPrev, transport);
    btnStepPrev->setToolTip(QStringLiteral("前のステップへ"));
    cmbStepUnit = Make<QComboBox>(GroupBox1, "cmbStepUnit", QRect(187, 262, 61, 20), leftBottom);
    cmbStepUnit->addItems({QStringLiteral("10分"), QStringLiteral("1分"), QStringLiteral("20秒"),
                           QStringLiteral("10秒"), QStringLiteral("5秒"), QStringLiteral("2秒"),
                           QStringLiteral("1秒"), QStringLiteral("0.5秒"), QStringLiteral("0.1秒")});
    btnStepNext = MakeSpeedButton(GroupBox1, "btnStepNext", QRect(251, 248, 61, 40), leftBottom,
                                  QStringLiteral("コマ送り"), TGlyph::StepNext, transport);
    btnStepNext->setToolTip(QStringLiteral("次のステップへ"));
    btnCapture = MakeSpeedButton(GroupBox1, "btnCapture", QRect(317, 248, 91, 40), leftBottom,
                                 QStringLiteral("切り出し⇒"), TGlyph::Capture, transport);
}

void TKadrixControls::BuildSceneList(const TKadrixActions&)
{
    btnSelectAll = MakeBitmapButton(gbSelectedFrame, "btnSelectAll", QRect(88, 12, 57, 25), DefaultAnchors,
                                    QStringLiteral("全選択"), TGlyph::SelectAll);
    btnUnselectAll = MakeBitmapButton(gbSelectedFrame, "btnUnselectAll", QRect(152, 12, 57, 25), DefaultAnchors,
                                      QStringLiteral("全解除"), TGlyph::UnselectAll);
    Label5 = MakeLabel(gbSelectedFrame, "Label5", QStringLiteral("画像数:"), QPoint(224, 15), DefaultAnchors, QString(), 41);
    // Room for any count up to the frame's edge: a host folder may hold
    // thousands of scenes.
    lblPicNum = MakeLabel(gbSelectedFrame, "lblPicNum", QStringLiteral("0"), QPoint(266, 15), DefaultAnchors,
                          QStringLiteral("999999"), 312 - 266);
    FormPanel1 = Make<TFormPanel>(gbSelectedFrame, "FormPanel1", QRect(8, 41, 304, 315), AllAnchors);

    const TAnchors rightBottom = Anchor::Right | Anchor::Bottom;
    btnDeleteAll = MakeBitmapButton(gbSelectedFrame, "btnDeleteAll", QRect(8, 363, 70, 25), rightBottom,
                                    QStringLiteral("全部削除"), TGlyph::DeleteAll);
    btnDelete = MakeBitmapButton(gbSelectedFrame, "btnDelete", QRect(84, 363, 70, 25), rightBottom,
                                 QStringLiteral("1つ削除"), TGlyph::Delete);
    btnUpdate = MakeBitmapButton(gbSelectedFrame, "btnUpdate", QRect(160, 363, 70, 25), rightBottom,
                                 QStringLiteral("再切り出し"), TGlyph::Update);
    btnSaveImage = MakeBitmapButton(gbSelectedFrame, "btnSaveImage", QRect(236, 363, 70, 25), rightBottom,
                                    QStringLiteral("保存"), TGlyph::Save);
}

void TKadrixControls::BuildMenus(QMainWindow* window)
{
    QMenuBar* bar = window->menuBar();
    bar->setObjectName("MainMenu1");
    File2 = bar->addMenu(QStringLiteral("ファイル(&F)"));
    File2->setObjectName("File2");
    menuOpen = MakeItem(File2, "menuOpen", QStringLiteral("動画を選択(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    menuSave = MakeItem(File2, "menuSave", QStringLiteral("名前を付けて保存(&A)..."),
                        QKeySequence(Qt::CTRL | Qt::Key_S));
    N4 = File2->addMenu(QStringLiteral("最近開いた動画"));
    N4->setObjectName("N4");
    mnuOpenHistory = MakeItem(N4, "mnuOpenHistory", QStringLiteral("mnuOpenHistory"));
    mnuOpenHistory->setVisible(false);
    File2->addSeparator()->setObjectName("N1");
    Exit1 = MakeItem(File2, "Exit1", QStringLiteral("終了(&X)"));

    Frame1 = bar->addMenu(QStringLiteral("フレーム(&R)"));
    Frame1->setObjectName("Frame1");

    View1 = bar->addMenu(QStringLiteral("表示(&V)"));
    View1->setObjectName("View1");
    mnuThumbnailSize = View1->addMenu(QStringLiteral("サムネイルの大きさ(&T)"));
    mnuThumbnailSize->setObjectName("mnuThumbnailSize");
    auto* sizes = new QActionGroup(mnuThumbnailSize);
    mnuThumbnailSmall = MakeItem(mnuThumbnailSize, "mnuThumbnailSmall", QStringLiteral("小(&S)"));
    mnuThumbnailMedium = MakeItem(mnuThumbnailSize, "mnuThumbnailMedium", QStringLiteral("中(&M)"));
    mnuThumbnailLarge = MakeItem(mnuThumbnailSize, "mnuThumbnailLarge", QStringLiteral("大(&L)"));
    for (QAction* item : {mnuThumbnailSmall, mnuThumbnailMedium, mnuThumbnailLarge}) {
        item->setCheckable(true);
        sizes->addAction(item);
    }

    Help1 = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    Help1->setObjectName("Help1");
    menuOpenHelp = MakeItem(Help1, "menuOpenHelp", QStringLiteral("ヘルプ(&C)"), QKeySequence(Qt::Key_F1));
    Help1->addSeparator()->setObjectName("N6");
    menuHomepage = MakeItem(Help1, "menuHomepage", QStringLiteral("Orvantaのホームページ(&H)"));
    menuProduct = MakeItem(Help1, "menuProduct", QStringLiteral("製品情報サイト(&P)"));
    Help1->addSeparator()->setObjectName("N5");
    AboutA1 = MakeItem(Help1, "AboutA1", QStringLiteral("Pellumoについて(&A)"));
}

void TKadrixControls::BuildPopups(QWidget* window)
{
    popupSceneList = new QMenu(window);
    popupSceneList->setObjectName("popupSceneList");
    popupAutoCapture = new QMenu(window);
    popupAutoCapture->setObjectName("popupAutoCapture");
    mnuAuto8 = MakeItem(popupAutoCapture, "mnuAuto8", QStringLiteral("自動8分割"));
    mnuAuto16 = MakeItem(popupAutoCapture, "mnuAuto16", QStringLiteral("自動16分割"));
    mnuAuto32 = MakeItem(popupAutoCapture, "mnuAuto32", QStringLiteral("自動32分割"));
    mnuAutoCustom = MakeItem(popupAutoCapture, "mnuAutoCustom", QStringLiteral("分割数を指定..."));
    mnuAutoShots = MakeItem(popupAutoCapture, "mnuAutoShots", QStringLiteral("ショットごとに分割..."));
    popupAutoCapture->addSeparator()->setObjectName("N2");
    mnuStartSplitRange = MakeItem(popupAutoCapture, "mnuStartSplitRange", QStringLiteral("分割範囲の開始位置を設定..."));
    mnuEndSplitRange = MakeItem(popupAutoCapture, "mnuEndSplitRange", QStringLiteral("分割範囲の終了位置を設定..."));
    mnuResetSplitRange = MakeItem(popupAutoCapture, "mnuResetSplitRange", QStringLiteral("分割範囲をリセット..."));
    popupAutoCapture->addSeparator()->setObjectName("N3");
    mnuSeekToStartRange = MakeItem(popupAutoCapture, "mnuSeekToStartRange", QStringLiteral("分割範囲の開始位置に移動"));
    mnuSeekToEndRange = MakeItem(popupAutoCapture, "mnuSeekToEndRange", QStringLiteral("分割範囲の終了位置に移動"));

    cmTrackBar = new QMenu(window);
    cmTrackBar->setObjectName("cmTrackBar");
    cmStartSplitRange = MakeItem(cmTrackBar, "cmStartSplitRange", mnuStartSplitRange->text());
    cmEndSplitRange = MakeItem(cmTrackBar, "cmEndSplitRange", mnuEndSplitRange->text());
    cmResetSplitRange = MakeItem(cmTrackBar, "cmResetSplitRange", mnuResetSplitRange->text());
    cmTrackBar->addSeparator()->setObjectName("N9");
    cmSeekToStartRange = MakeItem(cmTrackBar, "cmSeekToStartRange", mnuSeekToStartRange->text());
    cmSeekToEndRange = MakeItem(cmTrackBar, "cmSeekToEndRange", mnuSeekToEndRange->text());

    cmMovieHistoryForButton = new QMenu(window);
    cmMovieHistoryForButton->setObjectName("cmMovieHistoryForButton");
    mnuMovieHistoryForButton = MakeItem(cmMovieHistoryForButton, "mnuMovieHistoryForButton",
                                        QStringLiteral("mnuMovieHistoryForButton"));
    mnuMovieHistoryForButton->setVisible(false);
    mnuDrvList = new QMenu(window);
    mnuDrvList->setObjectName("mnuDrvList");
    mnuVobList = new QMenu(window);
    mnuVobList->setObjectName("mnuVobList");
    cmPaintBox = new QMenu(window);
    cmPaintBox->setObjectName("cmPaintBox");
    for (QMenu* menu :
         {popupSceneList, popupAutoCapture, cmTrackBar, cmMovieHistoryForButton, mnuDrvList, mnuVobList, cmPaintBox})
        menu->setFont(WindowFont());
}

void TKadrixControls::BindActions(const TKadrixActions& a)
{
    const std::pair<QAbstractButton*, QAction*> links[] = {
        {btnOption1, a.actOption1}, {btnOption2, a.actOption2}, {btnOption3, a.actOption3},
        {btnAutoCapture, a.actAutoCapture}, {btnPlay, a.actPlay}, {btnPause, a.actPause},
        {btnRewind, a.actRewind}, {btnStepPrev, a.actStepPrev}, {btnStepNext, a.actStepNext},
        {btnCapture, a.actCapture}, {btnSelectAll, a.actSelectAll}, {btnUnselectAll, a.actUnselectAll},
        {btnDeleteAll, a.actDeleteAll}, {btnDelete, a.actDelete1}, {btnUpdate, a.actUpdate},
        {btnSaveImage, a.actSaveImage},
    };
    a.actPlay->setIcon(KadrixGlyph(TGlyph::Play));
    a.actRewind->setIcon(KadrixGlyph(TGlyph::Rewind));
    for (const auto& [button, action] : links)
        TActionLink::Bind(button, action);
}
