#pragma once

#include "picture/INotify.h"

#include <QObject>
#include <QRect>

#include <functional>
#include <memory>

class QPainter;
class TBroadcaster;
class TPictureEx;

// A numbered sequence of pictures (0 .. Count-1) that does not say where the
// pictures come from. Announces changes through its broadcaster (listeners
// attach to the collection itself) and through OnChange.
class TImagePack : public QObject, public IInterface
{
public:
    explicit TImagePack(QObject* owner = nullptr);
    ~TImagePack() override;

    std::function<void(QObject* sender)> OnChange;

    // ntfPackChanged with the collection as Sender, then OnChange.
    virtual void Changed();
    // Changed, for a change of picture `index` alone (replaced, or added at
    // the end): listeners may keep what they made of the other pictures.
    void ChangedAt(int index);
    // During ChangedAt, the picture that changed; -1 during Changed.
    int ChangedIndex() const { return changedIndex; }
    // ntfCancelLoads with the collection as Sender.
    virtual void CancelPendingLoads();

    virtual int GetCount() const = 0;
    int Count() const { return GetCount(); }

    // Rectangles run from (left, top) with the picture's width and height.
    virtual QRect GetImageRect(int index) const = 0;
    virtual int GetImageLeft(int index) const { return GetImageRect(index).left(); }
    virtual int GetImageTop(int index) const { return GetImageRect(index).top(); }
    virtual int GetImageWidth(int index) const { return GetImageRect(index).width(); }
    virtual int GetImageHeight(int index) const { return GetImageRect(index).height(); }

    // Fills `picture` with a copy of picture `index`; may raise.
    virtual void GetImage(TPictureEx& picture, int index) = 0;
    // Picture `index` stretched into the image rectangle moved to (x, y).
    virtual void Draw(QPainter& canvas, int x, int y, int index);
    virtual void StretchDraw(QPainter& canvas, const QRect& rect, int index);
    virtual bool IsInvalidIndex(int index) const { return index < 0 || index >= GetCount(); }

    // GetImage, with the error picture instead of any exception. Never raises.
    bool GetPictureSafe(TPictureEx& picture, int index);

    IBroadcaster* Broadcaster() const;

    void* QueryInterface(const QUuid& iid) override;
    int _AddRef() override { return -1; }
    int _Release() override { return -1; }

private:
    std::unique_ptr<TBroadcaster> broadcaster;
    int changedIndex = -1;
};
