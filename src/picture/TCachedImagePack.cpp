#include "picture/TCachedImagePack.h"

#include "picture/TGraphic.h"
#include "picture/TPictureEx.h"
#include "picture/UErrorPicture.h"
#include "support/ULog.h"

#include <algorithm>

TCachedImagePack::TCachedImagePack(QObject* owner) : TImagePack(owner)
{
}

TCachedImagePack::~TCachedImagePack()
{
    ClearCache();
}

void TCachedImagePack::ClearCache()
{
    while (!cache.empty())
        cache.pop_back();
}

std::shared_ptr<TPictureEx> TCachedImagePack::FindCachedEntry(int index)
{
    for (auto it = cache.rbegin(); it != cache.rend(); ++it) {
        if (it->index == index) {
            Entry entry = std::move(*it);
            cache.erase(std::next(it).base());
            cache.push_back(std::move(entry));
            return cache.back().picture;
        }
    }
    cache.push_back({index, std::make_shared<TPictureEx>()});
    std::shared_ptr<TPictureEx> picture = cache.back().picture;
    Trim();
    return picture;
}

TPictureEx* TCachedImagePack::FindCachedPicture(int index)
{
    return FindCachedEntry(index).get();
}

void TCachedImagePack::Trim()
{
    const auto excess = std::ptrdiff_t(cache.size()) - cacheLimit;
    if (excess > 0)
        cache.erase(cache.begin(), cache.begin() + excess);
}

void TCachedImagePack::TrimToBudget()
{
    if (byteBudget <= 0)
        return;
    qint64 total = CachedBytes();
    while (cache.size() > 1 && total > byteBudget) {
        total -= cache.front().picture->ByteSize();
        cache.erase(cache.begin());
    }
}

qint64 TCachedImagePack::CachedBytes() const
{
    qint64 total = 0;
    for (const Entry& entry : cache)
        total += entry.picture->ByteSize();
    return total;
}

void TCachedImagePack::SetByteBudget(qint64 bytes)
{
    byteBudget = std::max<qint64>(bytes, 0);
    TrimToBudget();
}

void TCachedImagePack::GetImage(TPictureEx& picture, int index)
{
    picture.Clear();
    if (IsInvalidIndex(index))
        return;
    // Held by a shared pointer: a loader that reads this collection again may
    // evict the entry while we still fill it.
    const std::shared_ptr<TPictureEx> cached = FindCachedEntry(index);
    if (cached->Empty()) {
        try {
            LoadImage(*cached, index);
        } catch (...) {
            LogDroppedError("loading a cached picture");
            cached->Assign(ErrorPicture());
        }
        TrimToBudget();
    }
    picture.SetGraphic(cached->Graphic());
}

void TCachedImagePack::StoreImage(const TPictureEx& picture, int index)
{
    const std::shared_ptr<TPictureEx> cached = FindCachedEntry(index);
    cached->Assign(picture);
    TrimToBudget();
}

void TCachedImagePack::Reset()
{
    ClearCache();
    Changed();
}

void TCachedImagePack::ResetAt(int index)
{
    std::erase_if(cache, [index](const Entry& entry) { return entry.index == index; });
    ChangedAt(index);
}

void TCachedImagePack::SetCacheLimit(int value)
{
    const auto limit = TCIPCacheLimit(std::clamp(value, 1, 65535));
    if (limit == cacheLimit)
        return;
    cacheLimit = limit;
    Trim();
}

std::vector<int> TCachedImagePack::CachedIndexes() const
{
    std::vector<int> indexes;
    indexes.reserve(cache.size());
    for (const Entry& entry : cache)
        indexes.push_back(entry.index);
    return indexes;
}
