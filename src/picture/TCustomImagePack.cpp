#include "picture/TCustomImagePack.h"

#include "picture/TPictureEx.h"

int TCustomImagePack::GetCount() const
{
    int count = 0;
    if (OnGetCount)
        OnGetCount(const_cast<TCustomImagePack*>(this), count);
    return count;
}

QRect TCustomImagePack::GetImageRect(int index) const
{
    if (IsInvalidIndex(index))
        return QRect(0, 0, 0, 0);
    TPictureEx picture;
    // Size queries read through the cache, which is why this is const only outwardly.
    const_cast<TCustomImagePack*>(this)->GetPictureSafe(picture, index);
    return QRect(0, 0, picture.Width(), picture.Height());
}

void TCustomImagePack::LoadImage(TPictureEx& picture, int index)
{
    if (OnGetImage)
        OnGetImage(this, &picture, index);
}
