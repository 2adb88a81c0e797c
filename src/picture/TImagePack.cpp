#include "picture/TImagePack.h"

#include "picture/TBroadcaster.h"
#include "picture/TGraphic.h"
#include "picture/TPictureEx.h"
#include "picture/UErrorPicture.h"
#include "support/ULog.h"

TImagePack::TImagePack(QObject* owner) : QObject(owner), broadcaster(std::make_unique<TBroadcaster>(this))
{
}

// The broadcaster goes first, while listeners can still see the whole collection.
TImagePack::~TImagePack()
{
    broadcaster.reset();
}

IBroadcaster* TImagePack::Broadcaster() const
{
    return broadcaster.get();
}

void* TImagePack::QueryInterface(const QUuid& iid)
{
    if (iid == IBroadcaster::IID)
        return static_cast<IBroadcaster*>(broadcaster.get());
    if (iid == IInterface::IID)
        return static_cast<IInterface*>(this);
    return nullptr;
}

void TImagePack::Changed()
{
    broadcaster->Notify(this, ntfPackChanged);
    if (OnChange)
        OnChange(this);
}

void TImagePack::ChangedAt(int index)
{
    changedIndex = index;
    try {
        Changed();
    } catch (...) {
        changedIndex = -1;
        throw;
    }
    changedIndex = -1;
}

void TImagePack::CancelPendingLoads()
{
    broadcaster->Notify(this, ntfCancelLoads);
}

bool TImagePack::GetPictureSafe(TPictureEx& picture, int index)
{
    try {
        GetImage(picture, index);
        return true;
    } catch (...) {
        LogDroppedError("reading a picture of the collection");
        try {
            picture.Assign(ErrorPicture());
        } catch (...) {
            // Even the error picture failed (no memory): leave the picture as it is.
            LogDroppedError("the error picture");
        }
        return false;
    }
}

void TImagePack::Draw(QPainter& canvas, int x, int y, int index)
{
    QRect rect = GetImageRect(index);
    rect.moveTo(x, y);
    StretchDraw(canvas, rect, index);
}

void TImagePack::StretchDraw(QPainter& canvas, const QRect& rect, int index)
{
    TPictureEx picture;
    GetPictureSafe(picture, index);
    try {
        picture.Draw(canvas, rect);
    } catch (...) {
        // A JPEG decodes only now; a damaged one draws as the error picture.
        LogDroppedError("drawing a picture of the collection");
        ErrorPicture().Draw(canvas, rect);
    }
}
