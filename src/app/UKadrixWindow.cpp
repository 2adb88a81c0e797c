// TfrmKadrix: building the window, its commands and its keys.

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "support/UFormatPosition.h"
#include "browser/FImageBrowser.h"
#include "widgets/TAnchorLayout.h"
#include "widgets/TGlobalNotify.h"
#include "widgets/TPaintPanel.h"
#include "widgets/TPositionBar.h"
#include "widgets/TShadowPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

const QString OpenDialogTitle = QStringLiteral("動画ファイルの選択");
const QString OpenDialogFilter = QStringLiteral(
    "動画ファイル|*.avi;*.wmv;*.asf;*.m1v;*.m2v;*.mp4;*.m4v;*.mp4v;*.mov;*.mpg;*.mpeg;*.3gp;*.3g2;*.rm;*.rmvb;*.flv;"
    "*.vob;*.dv;*.mod|AVI形式(.avi)|*.avi|WMV形式(.wmv;.asf)|*.wmv;*.asf|"
    "MPEG形式(.m1v;.m2v;.mp4;.m4v;.mp4v;.mov;.mpg;.mpeg;.3gp;.3g2;mod)|*.m1v;*.m2v;*.mp4;*.m4v;*.mp4v;*.mov;*.mpg;"
    "*.mpeg;*.3gp;*.3g2;*.mod|RM形式(.rm;.rmvb)|*.rm;*.rmvb|FLV形式(.flv)|*.flv|VOB形式(.vob)|*.vob|"
    "Digital Video形式(.dv)|*.dv|すべての形式(*.*)|*.*");

// Clicks button while it is shown and enabled; false when it is not.
bool ClickIfShown(QPushButton* button)
{
    if (!button->isVisible() || !button->isEnabled())
        return false;
    button->click();
    return true;
}

} // namespace

void TfrmKadrix::CreateWindowControls()
{
    actions.Create(this);
    ui.Build(this, actions);

    // The bar shows the movie group's background behind its groove.
    ui.TrackBar1->setAutoFillBackground(true);
    QPalette barPalette = ui.TrackBar1->palette();
    barPalette.setColor(QPalette::Window, ui.GroupBox1->palette().color(QPalette::Window));
    ui.TrackBar1->setPalette(barPalette);

    ui.edFileName->clear();
    ui.lblPicSize->clear();
    ui.lblCurPos->clear();
    ui.lblStopPos->clear();
    ui.lblPicNum->setText(QStringLiteral("0"));
    ui.cmbStepUnit->setCurrentIndex(7); // "0.5秒"

    ConnectPlayback();

    // Qt paints every widget double-buffered, Panel1 included.
    ui.Panel1->setAutoFillBackground(true);
    QPalette black = ui.Panel1->palette();
    black.setColor(QPalette::Window, Qt::black);
    ui.Panel1->setPalette(black);
    ui.PaintBox1->OnPaint = [this](QPainter& painter) { PaintBox1Paint(painter); };

    setProperty("helpContext", 6007);
}

void TfrmKadrix::ApplyModeLayout()
{
    if (mode.Host) {
        ui.btnOK->setVisible(mode.ButtonMode == 0);
        return;
    }
    // Without the host's buttons the frame reaches down to the help panel's
    // bottom edge.
    QRect frame = ui.ShadowPanel1->geometry();
    frame.setBottom(ui.pnlHelp->geometry().bottom());
    TAnchorLayout::Place(ui.ShadowPanel1, frame, Anchor::Left | Anchor::Top | Anchor::Right | Anchor::Bottom);
    ui.btnOK->hide();
    ui.btnCancel->hide();
    ui.pnlHelp->hide();
}

void TfrmKadrix::ConnectCommands()
{
    ConnectPlaybackCommands();
    ConnectSceneCommands();
    ConnectSaveCommands();
    ConnectHostCommands();

    ConnectSplitCommands();
    ConnectFrameCommands();
    ConnectSceneViewCommands();
    connect(ui.btnSelectFile, &QToolButton::clicked, this, &TfrmKadrix::btnSelectFileClick);
    connect(ui.menuOpen, &QAction::triggered, ui.btnSelectFile, &QToolButton::click);
    connect(ui.menuSave, &QAction::triggered, actions.actSaveImage, &TAction::Execute);
    ConnectMovieChoice();
    ConnectDesktopCommands();

    auto* globalNotify = new TGlobalNotify(this);
    connect(globalNotify, &TGlobalNotify::OnIdle, this, &TfrmKadrix::UpdateAllActions);
    CreateKeyMap();
    qApp->installEventFilter(this);
    UpdateAllActions();
}

void TfrmKadrix::UpdateAllActions()
{
    for (TAction* action : actions.All())
        action->Update();
}

bool TfrmKadrix::eventFilter(QObject* watched, QEvent* event)
{
    if (AutoSplitInputBlocked(watched, *event))
        return true;
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride) && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == this && keyMap.Handle(static_cast<QKeyEvent&>(*event)))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void TfrmKadrix::CreateKeyMap()
{
    using enum TKeyFocus;
    constexpr Qt::KeyboardModifiers None = Qt::NoModifier;
    constexpr Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;
    constexpr Qt::KeyboardModifiers Keypad = Qt::KeypadModifier;
    constexpr Qt::KeyboardModifiers AnyButCtrl = TKeyMap::AnyButCtrl;
    const auto run = [](TAction* action) {
        return [action] {
            action->Execute();
            return true;
        };
    };
    // Ctrl + the key carrying "+" on the main keyboard, with or without
    // Shift: "=" on a US layout, ";" on a Japanese one. The keypad's plus is
    // a different key.
    for (const Qt::Key plus : {Qt::Key_Plus, Qt::Key_Equal, Qt::Key_Semicolon})
        keyMap.Add({plus, Ctrl, ~(Ctrl | Keypad), Anywhere, true, run(actions.actCapture)});
    // Play when it can play, otherwise pause: a toggle.
    keyMap.Add({Qt::Key_P, Ctrl, AnyButCtrl, Anywhere, true, [this] {
                    if (!actions.actPlay->Execute())
                        actions.actPause->Execute();
                    return true;
                }});
    keyMap.Add({Qt::Key_Left, Ctrl, AnyButCtrl, Anywhere, true, run(actions.actStepPrev)});
    keyMap.Add({Qt::Key_Right, Ctrl, AnyButCtrl, Anywhere, true, run(actions.actStepNext)});
    keyMap.Add({Qt::Key_Period, None, Keypad, NotInTextField, true, run(actions.actFrameNext), actions.actFrameNext});
    keyMap.Add({Qt::Key_Comma, None, Keypad, NotInTextField, true, run(actions.actFramePrev), actions.actFramePrev});
    keyMap.Add({Qt::Key_K, Ctrl, Keypad, Anywhere, true, run(actions.actSharpestFrame), actions.actSharpestFrame});
    keyMap.Add({Qt::Key_C, Ctrl, Keypad, NotInTextField, true, run(actions.actCopyScene), actions.actCopyScene});
    // Enter clicks OK and Esc Cancel while they are shown. A focused button
    // takes Enter for itself, as it does Space, and the scene list runs its
    // double-click command with it; Esc closes an open preview first,
    // wherever the focus is.
    const Qt::KeyboardModifiers notCtrlAlt = ~(Ctrl | Qt::AltModifier);
    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter})
        keyMap.Add({enter, None, notCtrlAlt, NotOnButtonOrList, false, [this] { return ClickIfShown(ui.btnOK); }});
    keyMap.Add({Qt::Key_Escape, None, notCtrlAlt, Anywhere, false, [this] {
                    if (frmImageBrowser->PreviewIndex() < 0)
                        return ClickIfShown(ui.btnCancel);
                    frmImageBrowser->HidePreview();
                    return true;
                }});
}

void TfrmKadrix::btnSelectFileClick()
{
    openDialog1.Title = OpenDialogTitle;
    openDialog1.Filter = OpenDialogFilter;
    openDialog1.FilterIndex = 1;
    if (!TDialogs::Current().ExecuteOpen(this, openDialog1))
        return;
    OpenMovie(openDialog1.FileName, false);
}
