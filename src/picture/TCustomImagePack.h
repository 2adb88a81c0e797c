#pragma once

#include "picture/TCachedImagePack.h"

#include <functional>

using TIPOnGetCount = std::function<void(QObject* sender, int& count)>;
using TIPOnGetImage = std::function<void(QObject* sender, TPictureEx* picture, int no)>;

// A cached picture collection whose owner supplies the count and the
// pictures through two events.
class TCustomImagePack : public TCachedImagePack
{
public:
    explicit TCustomImagePack(QObject* owner = nullptr) : TCachedImagePack(owner) {}

    TIPOnGetCount OnGetCount;
    TIPOnGetImage OnGetImage;

    // 0 unless OnGetCount says otherwise.
    int GetCount() const override;
    // (0, 0, width, height) of the picture through the cache; empty for an invalid index.
    QRect GetImageRect(int index) const override;

protected:
    void LoadImage(TPictureEx& picture, int index) override;
};
