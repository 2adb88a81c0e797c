// TfrmKadrix: the split at the shots. The split range is scanned for cuts
// (the numbers kept for the movie while it is open), the cuts are marked on
// the position bar, and one frame of each shot is shown and captured as the
// automatic split does (CaptureFrames), leaving out shots whose picture is
// nearly that of a scene in the list.

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "app/UBusyMark.h"
#include "app/UWaitCursor.h"
#include "decoder/UMovieDecoder.h"
#include "decoder/UShotDetector.h"
#include "picture/UPerceptualHash.h"
#include "widgets/TPositionBar.h"

#include <QImage>

#include <algorithm>

namespace {

const QString ShotSplitQuestion = QStringLiteral(
    "分割範囲をショット（場面の切り替わり）ごとに分け、ショットごとに1枚の画像を切り出します。\r\n"
    "動画の時間数によっては数分程度かかる場合もあります。\r\n\r\n切り出しを開始しますか？\r\n");
const QString ShotScanProgressText = QStringLiteral("ショットの切り替わりを探しています。");
const QString ShotScanFailedMessage = QStringLiteral("動画シーンの取得ができませんでした。");
const QString TooManyShotsMessage = QStringLiteral(
    "ショットが%1個見つかりましたが、シーンリストに追加できるのはあと%2枚です。\r\n"
    "長いショットから%2個を選んで切り出します。");
const QString ShotResultMessage = QStringLiteral("%1個のショットから%2枚の画像を切り出しました。");
const QString ShotDuplicatesMessage =
    QStringLiteral("\r\nシーンリストの画像とほぼ同じ%1個のショットは切り出しませんでした。");

constexpr int ScanProgressSteps = 100; // the scan's progress in percent

} // namespace

void TfrmKadrix::ForgetShots()
{
    shotScores.Reset(playback->MoviePath());
    ui.TrackBar1->SetCutMarks({});
}

void TfrmKadrix::RunShotSplit()
{
    if (playback->SplitRunning() || !TDialogs::Current().AskOkCancel(this, windowTitle(), ShotSplitQuestion))
        return;
    const TWaitCursor wait;
    const int start = ui.TrackBar1->SelStart();
    const int end = ui.TrackBar1->SelEnd();
    actions.actPause->Execute();
    actions.actRewind->Execute();
    const TBusyMark running = playback->HoldForSplit();
    const TMovieDecoder& movie = playback->Decoder();

    // The scan, unless the stretch was scanned already.
    std::optional<std::vector<TShotFrame>> frames = shotScores.Find(movie.FileName(), start, end);
    if (!frames) {
        const std::unique_ptr<TProgress> progress =
            TDialogs::Current().BeginProgress(this, windowTitle(), ShotScanProgressText, ScanProgressSteps);
        frames = ScanShotFrames(movie, start, end, {}, [&](int done, int total) {
            progress->Step(total > 0 ? static_cast<int>(static_cast<qint64>(done) * ScanProgressSteps / total) : 0);
            return !progress->Cancelled();
        });
        if (!frames)
            return; // cancelled: nothing taken
        if (!frames->empty())
            shotScores.Keep(movie.FileName(), start, end, *frames);
    }
    if (frames->empty()) {
        TDialogs::Current().Notify(this, windowTitle(), ShotScanFailedMessage);
        return;
    }
    const std::vector<int> cuts = FindCuts(*frames);
    std::vector<int> marks;
    for (int cut : cuts)
        marks.push_back((*frames)[static_cast<size_t>(cut)].position);
    ui.TrackBar1->SetCutMarks(marks);

    const int shots = static_cast<int>(cuts.size()) + 1;
    const int room = std::max(TCaptureStore::MaxCaptureCount - captureStore->SceneCount(), 0);
    const std::vector<TShotPick> picks = PickShotFrames(*frames, cuts, room);
    if (shots > room)
        TDialogs::Current().Notify(this, windowTitle(), TooManyShotsMessage.arg(shots).arg(room));
    if (picks.empty())
        return;

    // The scenes in the list count as taken already.
    std::vector<TPictureHash> taken;
    for (const QString& file : captureStore->SceneFiles()) {
        const QImage scene(file);
        if (!scene.isNull())
            taken.push_back(PerceptualHash(scene));
    }
    std::vector<int> positions;
    for (const TShotPick& pick : picks)
        positions.push_back(pick.position);
    const int scenesBefore = captureStore->SceneCount();
    int duplicates = 0;
    const bool finished = CaptureFrames(positions, [&](const TSafetyBitmap& picture) {
        const TPictureHash hash = PerceptualHash(picture.Image());
        if (IsNearDuplicate(hash, taken)) {
            ++duplicates;
            return true;
        }
        taken.push_back(hash);
        return false;
    });
    if (!finished)
        return; // cancelled, or a scene file could not be written: the scenes taken stay
    QString result = ShotResultMessage.arg(shots).arg(captureStore->SceneCount() - scenesBefore);
    if (duplicates > 0)
        result += ShotDuplicatesMessage.arg(duplicates);
    TDialogs::Current().Notify(this, windowTitle(), result);
}
