#pragma once

#include "app/UIniDocument.h"
#include "picture/TCustomImagePack.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class TSafetyBitmap;

// Where a scene was taken from. Position -1: no origin.
struct TSceneOrigin
{
    QString Movie;
    int Position = -1;
};

// The scene list: which scenes exist and in which order, the BMP file of each
// in the work folder, the picture of each in memory (cipOrg), the pictures as
// displayed (CustomImagePack1, de-interlaced on request) and where each scene
// was taken from. In host mode it also holds the host's setting.ini and
// mirrors the scene origins into it by scene index.
//
// Every file is written under a temporary name and renamed, and the list
// changes only after the file is in place, so a failed write leaves the list,
// the pictures and the folder as they were.
class TCaptureStore
{
public:
    static constexpr int MaxCaptureCount = 99;

    explicit TCaptureStore(QString workFolder = {});
    ~TCaptureStore();
    TCaptureStore(const TCaptureStore&) = delete;
    TCaptureStore& operator=(const TCaptureStore&) = delete;

    const QString& WorkFolder() const { return workFolder; }
    void SetWorkFolder(const QString& folder) { workFolder = folder; }

    int SceneCount() const { return sceneCount; }
    // Full path of each scene's BMP file, in scene order.
    const QStringList& SceneFiles() const { return sceneFiles; }
    // Captured pictures, never de-interlaced. A picture that has left the
    // cache (more than 100 scenes) is read again from its file.
    TCustomImagePack& cipOrg() { return *capturedPack; }
    // The pictures as shown and saved: cipOrg's, de-interlaced when asked.
    TCustomImagePack& CustomImagePack1() { return *displayPack; }
    bool Deinterlace() const { return deinterlace; }
    // Takes effect for pictures made from now on; Reset the display
    // collection to remake the others.
    void SetDeinterlace(bool value) { deinterlace = value; }

    // The local time used for new file names (tests set their own).
    std::function<QDateTime()> Clock = [] { return QDateTime::currentDateTime(); };

    // Adopts every ".bmp" file below the work folder (names starting with "."
    // left out) in the order of their paths; a file the BMP reader refuses
    // is skipped and stays where it is.
    void RestoreScenes();

    // The first free name "yyyymmddhhnnss_NNN.bmp" in the work folder for
    // the clock's current second; empty when all 1000 counters are taken.
    QString NewSceneFileName() const;

    bool CanCapture() const { return sceneCount < MaxCaptureCount; }
    // Writes the frame as the new last scene and records its origin. False
    // when the list is full or the file could not be written; then *failedFile
    // (when given) names the file, and list and folder are unchanged. A failed
    // write of setting.ini does not fail the capture.
    bool Capture(const TSafetyBitmap& frame, const QString& movie, int position, QString* failedFile = nullptr);
    // Replaces scene index's picture and file in place and records the new
    // origin; false (nothing changed) when the file could not be replaced.
    bool Retake(int index, const TSafetyBitmap& frame, const QString& movie, int position,
                QString* failedFile = nullptr);
    // Deletes the scenes for which selected(i) holds; a scene whose file
    // cannot be deleted stays. Returns the index to select afterwards: the
    // scene now in the place of the first selected one, or the last scene;
    // -1 when none is left.
    int DeleteScenes(const std::function<bool(int)>& selected);
    // Deletes every scene whose file can be deleted.
    void DeleteAll();

    // Scenes whose picture, as it is now, has been saved to a file of the
    // user's: a re-take makes a scene unsaved again.
    void MarkSaved(int index);
    bool IsSaved(int index) const;
    int UnsavedCount() const;

    // Scene origins, keyed by the scene file's full path.
    TSceneOrigin SceneOrigin(const QString& sceneFile) const { return sceneOrigins.value(sceneFile); }
    void RecordSceneOrigin(const QString& sceneFile, int position, const QString& movie);

    // The host's setting.ini, or none (standalone, or no file at start).
    TIniDocument* HostSettings() { return hostSettings.get(); }
    const TIniDocument* HostSettings() const { return hostSettings.get(); }
    void SetHostSettings(std::unique_ptr<TIniDocument> settings) { hostSettings = std::move(settings); }
    // Writes the whole of HostSettings back to its file atomically; false
    // (the previous file intact) when that fails or there are no settings.
    bool WriteHostSettings();
    // Puts Position and Movie for every current scene, by index, into
    // HostSettings without writing the file, with SceneFile naming each
    // index's file relative to the work folder.
    void PutSceneOrigins();
    // PutSceneOrigins, then WriteHostSettings.
    bool WriteSceneOrigins();
    // Takes the origins of the restored scenes from HostSettings, each from
    // the index whose SceneFile entry names its file (by its own index when
    // no entry names it and that index names no other file), and writes the
    // file back in its normalised form.
    void LoadSceneOrigins();

private:
    void cipOrgGetImage(TPictureEx* picture, int no);
    void CustomImagePack1GetImage(TPictureEx* picture, int no);
    bool AdoptSceneFile(const QString& path);
    bool WriteSceneFile(const TSafetyBitmap& frame, const QString& path, QString* failedFile);
    void TakePicture(int index, const TSafetyBitmap& frame, const QString& movie, int position);
    void RemoveScenes(const std::vector<bool>& removed);
    void SceneListChanged();
    // The scene file's name in SceneFile: its path relative to the work folder.
    QString SceneFileKey(const QString& sceneFile) const;

    QString workFolder;
    int sceneCount = 0;
    QStringList sceneFiles;
    QHash<QString, TSceneOrigin> sceneOrigins;
    QSet<QString> savedFiles;
    std::unique_ptr<TIniDocument> hostSettings;
    std::unique_ptr<TCustomImagePack> capturedPack;
    std::unique_ptr<TCustomImagePack> displayPack;
    bool deinterlace = false;
};
