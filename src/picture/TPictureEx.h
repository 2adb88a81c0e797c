#pragma once

#include "picture/INotify.h"

#include <QObject>

#include <functional>
#include <memory>

class QPainter;
class QRect;
class TChangeNotify;
class TGraphic;
class TSafetyBitmap;

// Holds one graphic or none; every picture in the program lives in one.
// Setting a graphic stores a copy of it. Every change of the graphic sends
// ntfPictureChanged (Sender = the picture) through the picture's own
// notifier, to which listeners attach through the picture itself.
class TPictureEx : public QObject, public IInterface
{
public:
    explicit TPictureEx(QObject* parent = nullptr);
    ~TPictureEx() override;

    TGraphic* Graphic() const { return graphic.get(); }
    // Stores a copy of the source (nullptr: no graphic).
    void SetGraphic(const TGraphic* source);
    void Clear() { SetGraphic(nullptr); }

    int Width() const;
    int Height() const;
    qint64 ByteSize() const;
    // No graphic, or a graphic that reports itself empty.
    bool Empty() const;

    // The graphic as a bitmap; a graphic of another class is replaced by a
    // new empty bitmap first.
    TSafetyBitmap& Bitmap();

    // Keeps the target's graphic object (and its listeners) when both hold
    // graphics of the same class other than JPEG; otherwise copies the graphic.
    void Assign(const TPictureEx& source);
    void Assign(const TGraphic& source) { SetGraphic(&source); }

    // Loads through the graphic class registered for the file's extension.
    void LoadFromFile(const QString& path);
    void SaveToFile(const QString& path) const;

    void Draw(QPainter& canvas, const QRect& rect) const;

    void BeginUpdate();
    void EndUpdate();

    // The change hook: runs OnChange, then the notifier's Changed. Changes
    // arriving while one is being handled do nothing more.
    void Changed();
    std::function<void(TPictureEx*)> OnChange;

    // IInterface: answers for IBroadcaster through the notifier.
    void* QueryInterface(const QUuid& iid) override;
    int _AddRef() override { return -1; }
    int _Release() override { return -1; }

private:
    friend TSafetyBitmap& EnsureSafetyBitmap(TPictureEx& picture);
    void TakeGraphic(std::unique_ptr<TGraphic> newGraphic, bool notify);

    std::unique_ptr<TGraphic> graphic;
    std::unique_ptr<TChangeNotify> notifier;
    bool changing = false;
};

// Makes the picture's graphic a TSafetyBitmap (a new empty one, without a
// change notification, when it is something else) and returns it.
TSafetyBitmap& EnsureSafetyBitmap(TPictureEx& picture);
