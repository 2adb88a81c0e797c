#pragma once

#include "picture/TImagePack.h"

#include <memory>
#include <vector>

using TCIPCacheLimit = quint16;   // 1 .. 65535

// A picture collection that keeps the most recently used pictures, at most
// CacheLimit of them and, when a byte budget is set, no more decoded bytes
// than the budget (the most recent picture is always kept), and loads a
// missing one through LoadImage. A load that
// fails is cached as the error picture until the entry leaves the cache.
class TCachedImagePack : public TImagePack
{
public:
    explicit TCachedImagePack(QObject* owner = nullptr);
    ~TCachedImagePack() override;

    void GetImage(TPictureEx& picture, int index) override;

    // Frees every cached picture.
    virtual void ClearCache();
    // The cached picture for the index, created empty when missing; it
    // becomes the most recent entry and the cache is trimmed.
    virtual TPictureEx* FindCachedPicture(int index);

    // Puts a copy of the picture in the cache as the most recent entry.
    void StoreImage(const TPictureEx& picture, int index);
    // ClearCache, then Changed.
    void Reset();
    // Frees the cached picture of one index, then ChangedAt(index).
    void ResetAt(int index);

    TCIPCacheLimit CacheLimit() const { return cacheLimit; }
    // Values below 1 count as 1; lowering the limit trims at once.
    void SetCacheLimit(int value);

    // 0: no budget.
    qint64 ByteBudget() const { return byteBudget; }
    void SetByteBudget(qint64 bytes);
    qint64 CachedBytes() const;

    // Indexes in the cache, least recently used first.
    std::vector<int> CachedIndexes() const;

protected:
    // Fills the picture with picture number `index`; may raise.
    virtual void LoadImage(TPictureEx& picture, int index) = 0;

private:
    struct Entry
    {
        int index;
        std::shared_ptr<TPictureEx> picture;
    };

    std::shared_ptr<TPictureEx> FindCachedEntry(int index);
    void Trim();
    void TrimToBudget();

    std::vector<Entry> cache;   // least recently used first
    TCIPCacheLimit cacheLimit = 1;
    qint64 byteBudget = 0;
};
