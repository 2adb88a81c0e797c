#include "app/UCaptureStore.h"

#include "app/UHostExchange.h"
#include "picture/TPictureEx.h"
#include "picture/TSafetyBitmap.h"
#include "picture/UDeinterlace.h"
#include "picture/UImageWriter.h"
#include "support/Pathutil.h"
#include "support/ULog.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

using namespace Pathutil;
using namespace HostExchange;

namespace {

constexpr int CapturedCacheLimit = 100;
constexpr int DisplayCacheLimit = 40;
// Decoded scene pictures kept in memory: 99 scenes of 1920 x 1080 fit
// (99 x 6.2 MB); beyond the budget pictures are read again from their files.
constexpr qint64 CapturedByteBudget = qint64(768) << 20;
// Pictures as displayed are copies of the captured ones (shared pixels)
// unless de-interlaced; the budget bounds the de-interlaced copies.
constexpr qint64 DisplayByteBudget = qint64(256) << 20;
constexpr int CountersPerSecond = 1000;

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

// Deleting reports success also for a file that is already gone: either way
// it can no longer come back as a scene.
bool DeleteSceneFile(const QString& path)
{
    return QFile::remove(path) || !QFileInfo(path).exists();
}

} // namespace

TCaptureStore::TCaptureStore(QString workFolder)
    : workFolder(std::move(workFolder)),
      capturedPack(std::make_unique<TCustomImagePack>()),
      displayPack(std::make_unique<TCustomImagePack>())
{
    capturedPack->setObjectName(QStringLiteral("cipOrg"));
    capturedPack->SetCacheLimit(CapturedCacheLimit);
    capturedPack->SetByteBudget(CapturedByteBudget);
    capturedPack->OnGetCount = [this](QObject*, int& count) { count = sceneCount; };
    capturedPack->OnGetImage = [this](QObject*, TPictureEx* picture, int no) { cipOrgGetImage(picture, no); };

    displayPack->setObjectName(QStringLiteral("CustomImagePack1"));
    displayPack->SetCacheLimit(DisplayCacheLimit);
    displayPack->SetByteBudget(DisplayByteBudget);
    displayPack->OnGetCount = [this](QObject*, int& count) { count = capturedPack->Count(); };
    displayPack->OnGetImage = [this](QObject*, TPictureEx* picture, int no) { CustomImagePack1GetImage(picture, no); };
}

TCaptureStore::~TCaptureStore() = default;

void TCaptureStore::cipOrgGetImage(TPictureEx* picture, int no)
{
    // Only reached for a scene whose picture left the cache: with more than
    // 100 adopted scenes the file is the one copy to go back to.
    EnsureSafetyBitmap(*picture).LoadFromFile(sceneFiles.at(no));
}

void TCaptureStore::CustomImagePack1GetImage(TPictureEx* picture, int no)
{
    capturedPack->GetPictureSafe(*picture, no);
    if (deinterlace && dynamic_cast<TSafetyBitmap*>(picture->Graphic()))
        DeinterlaceBitmap(picture->Bitmap());
}

void TCaptureStore::RestoreScenes()
{
    QStringList files;
    CollectFiles(files, workFolder);
    SortPaths(files);
    sceneCount = 0;
    sceneFiles.clear();
    capturedPack->ClearCache();
    for (const QString& path : std::as_const(files))
        if (path.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive) && AdoptSceneFile(path))
            ++sceneCount;
    SceneListChanged();
}

bool TCaptureStore::AdoptSceneFile(const QString& path)
{
    try {
        TPictureEx picture;
        EnsureSafetyBitmap(picture).LoadFromFile(path);
        if (picture.Empty())
            return false;
        sceneFiles.append(path);
        capturedPack->StoreImage(picture, sceneCount);
        return true;
    } catch (...) {
        LogDroppedError("RestoreScenes");
        return false;
    }
}

QString TCaptureStore::NewSceneFileName() const
{
    const QString stem = AppendPathDelimiter(workFolder) + Clock().toString(QStringLiteral("yyyyMMddHHmmss_"));
    for (int counter = 0; counter < CountersPerSecond; ++counter) {
        const QString candidate = stem + QString::asprintf("%3.3d", counter) + QStringLiteral(".bmp");
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

bool TCaptureStore::Capture(const TSafetyBitmap& frame, const QString& movie, int position, QString* failedFile)
{
    if (!CanCapture())
        return false;
    QString path = NewSceneFileName();
    if (path.isEmpty()) {
        // Every counter of this second is taken: never overwrite one.
        if (failedFile)
            *failedFile = AppendPathDelimiter(workFolder) + Clock().toString(QStringLiteral("yyyyMMddHHmmss_"))
                          + QString::asprintf("%3.3d", CountersPerSecond - 1) + QStringLiteral(".bmp");
        return false;
    }
    if (!WriteSceneFile(frame, path, failedFile))
        return false;
    sceneFiles.append(path);
    ++sceneCount;
    TakePicture(sceneCount - 1, frame, movie, position);
    return true;
}

bool TCaptureStore::Retake(int index, const TSafetyBitmap& frame, const QString& movie, int position,
                           QString* failedFile)
{
    if (index < 0 || index >= sceneCount)
        return false;
    // A scene adopted through a link to a file outside the work folder is
    // not ours to replace: it stays as it is, like a read-only file.
    if (!IsInsideFolder(sceneFiles.at(index), workFolder)) {
        if (failedFile)
            *failedFile = sceneFiles.at(index);
        return false;
    }
    // The file may be the host's only copy of the picture: it is replaced
    // by a rename only once the new one is complete.
    if (!WriteSceneFile(frame, sceneFiles.at(index), failedFile))
        return false;
    TakePicture(index, frame, movie, position);
    return true;
}

bool TCaptureStore::WriteSceneFile(const TSafetyBitmap& frame, const QString& path, QString* failedFile)
{
    try {
        WriteBmpFile(frame.Image(), path);
        return true;
    } catch (...) {
        LogDroppedError("writing a scene file");
        if (failedFile)
            *failedFile = path;
        return false;
    }
}

void TCaptureStore::TakePicture(int index, const TSafetyBitmap& frame, const QString& movie, int position)
{
    TPictureEx picture;
    picture.Assign(frame);
    capturedPack->StoreImage(picture, index);
    savedFiles.remove(sceneFiles.at(index));
    RecordSceneOrigin(sceneFiles.at(index), position, movie);
    // Only this picture is new: what was made of the others stands.
    displayPack->ResetAt(index);
}

int TCaptureStore::DeleteScenes(const std::function<bool(int)>& selected)
{
    std::vector<bool> removed(size_t(sceneCount), false);
    int lowest = -1;
    for (int i = sceneCount - 1; i >= 0; --i) {
        if (!selected(i))
            continue;
        lowest = i;
        removed[size_t(i)] = DeleteSceneFile(sceneFiles.at(i));
    }
    RemoveScenes(removed);
    if (lowest >= sceneCount)
        lowest = sceneCount - 1;
    return lowest;
}

void TCaptureStore::DeleteAll()
{
    std::vector<bool> removed(size_t(sceneCount), false);
    for (int i = 0; i < sceneCount; ++i)
        removed[size_t(i)] = DeleteSceneFile(sceneFiles.at(i));
    RemoveScenes(removed);
}

void TCaptureStore::RemoveScenes(const std::vector<bool>& removed)
{
    // Pictures still in the cache move with their scenes (copies share the
    // pixels); the others are read from their files when asked for.
    std::vector<std::pair<int, std::unique_ptr<TPictureEx>>> kept;
    std::vector<int> newIndex(removed.size(), -1);
    int next = 0;
    for (size_t i = 0; i < removed.size(); ++i)
        if (!removed[i])
            newIndex[i] = next++;
    for (const int old : capturedPack->CachedIndexes()) {
        if (old < 0 || size_t(old) >= removed.size() || removed[size_t(old)])
            continue;
        auto picture = std::make_unique<TPictureEx>();
        capturedPack->GetPictureSafe(*picture, old);
        kept.emplace_back(newIndex[size_t(old)], std::move(picture));
    }
    QStringList files;
    for (size_t i = 0; i < removed.size(); ++i) {
        if (removed[i]) {
            sceneOrigins.remove(sceneFiles.at(int(i)));
            savedFiles.remove(sceneFiles.at(int(i)));
        }
        else
            files.append(sceneFiles.at(int(i)));
    }
    sceneFiles = files;
    sceneCount = int(files.size());
    capturedPack->ClearCache();
    for (const auto& [index, picture] : kept)
        capturedPack->StoreImage(*picture, index);
    // The host's file follows at once, so that a close without a result
    // does not hand it the origins of other scenes.
    WriteSceneOrigins();
    SceneListChanged();
}

void TCaptureStore::SceneListChanged()
{
    displayPack->Reset();
}

void TCaptureStore::MarkSaved(int index)
{
    if (index >= 0 && index < sceneCount)
        savedFiles.insert(sceneFiles.at(index));
}

bool TCaptureStore::IsSaved(int index) const
{
    return index >= 0 && index < sceneCount && savedFiles.contains(sceneFiles.at(index));
}

int TCaptureStore::UnsavedCount() const
{
    int count = 0;
    for (int i = 0; i < sceneCount; ++i)
        count += !IsSaved(i);
    return count;
}

void TCaptureStore::RecordSceneOrigin(const QString& sceneFile, int position, const QString& movie)
{
    sceneOrigins.insert(sceneFile, TSceneOrigin{movie, position});
    WriteSceneOrigins();
}

bool TCaptureStore::WriteHostSettings()
{
    if (!hostSettings)
        return false;
    try {
        hostSettings->UpdateFile();
        return true;
    } catch (...) {
        // The write is atomic: the host's previous file stays, and the next
        // successful write carries everything held in memory.
        LogDroppedError("WriteHostSettings");
        return false;
    }
}

void TCaptureStore::PutSceneOrigins()
{
    if (!hostSettings)
        return;
    hostSettings->EraseSection(PositionSection);
    hostSettings->EraseSection(MovieSection);
    hostSettings->EraseSection(SceneFileSection);
    for (int n = 0; n < sceneCount; ++n) {
        const TSceneOrigin origin = SceneOrigin(sceneFiles.at(n));
        const QString key = QString::number(n);
        hostSettings->WriteInteger(PositionSection, key, origin.Position);
        hostSettings->WriteString(MovieSection, key, origin.Movie);
    }
    // A name the file's encoding cannot hold is left out rather than written
    // as another name; that scene falls back to its index at the next start.
    for (int n = 0; n < sceneCount; ++n) {
        const QString name = SceneFileKey(sceneFiles.at(n));
        if (hostSettings->CanHold(name))
            hostSettings->WriteString(SceneFileSection, QString::number(n), name);
    }
}

QString TCaptureStore::SceneFileKey(const QString& sceneFile) const
{
    return QDir(workFolder).relativeFilePath(sceneFile);
}

bool TCaptureStore::WriteSceneOrigins()
{
    if (!hostSettings)
        return false;
    PutSceneOrigins();
    return WriteHostSettings();
}

void TCaptureStore::LoadSceneOrigins()
{
    if (!hostSettings)
        return;
    sceneOrigins.clear();
    // Index of each named entry; the first of two entries naming one file wins.
    QHash<QString, QString> namedKeys;
    QSet<QString> keysWithName;
    for (const QString& key : hostSettings->SectionKeys(SceneFileSection)) {
        bool isNumber = false;
        const int n = key.toInt(&isNumber);
        if (!isNumber || n < 0)
            continue;
        const QString decimal = QString::number(n);
        keysWithName.insert(decimal);
        const QString name = hostSettings->ReadString(SceneFileSection, key, {});
        if (!namedKeys.contains(name))
            namedKeys.insert(name, decimal);
    }
    for (int n = 0; n < sceneCount; ++n) {
        // By the file's name where one was recorded; by index only for an
        // entry that names no file (written by the host, or a name the
        // file's encoding could not hold), never for another file's entry.
        QString key = namedKeys.value(SceneFileKey(sceneFiles.at(n)));
        if (key.isEmpty()) {
            key = QString::number(n);
            if (keysWithName.contains(key))
                continue;
        }
        const int position = hostSettings->ReadInteger(PositionSection, key, -1);
        if (position < 0)
            continue;
        sceneOrigins.insert(sceneFiles.at(n), TSceneOrigin{hostSettings->ReadString(MovieSection, key, {}), position});
    }
    WriteHostSettings();
}
