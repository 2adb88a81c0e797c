#pragma once

#include <QString>

#include <functional>
#include <memory>

class QIODevice;
class QPainter;
class QRect;

// One picture of some kind (bitmap, JPEG, vector): the common interface that
// TPictureEx holds and that the picture collections draw.
class TGraphic
{
public:
    virtual ~TGraphic() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const = 0;
    // Memory the decoded content takes, for caches that keep to a budget.
    virtual qint64 ByteSize() const { return 0; }

    bool Transparent() const { return transparent; }
    void SetTransparent(bool value);

    virtual void LoadFromStream(QIODevice& stream) = 0;
    virtual void SaveToStream(QIODevice& stream) const = 0;
    void LoadFromFile(const QString& path);
    // Written completely or not at all (USafeWrite): a failed save keeps the
    // old file and raises SafeWrite::ESafeWriteError.
    void SaveToFile(const QString& path) const;

    // Takes the content of another graphic; raises EInvalidGraphic when this
    // class cannot hold what the source holds.
    virtual void Assign(const TGraphic& source) = 0;
    // Lets a source class fill a destination class that does not know it
    // (a JPEG into a bitmap); false when it cannot.
    virtual bool AssignTo(TGraphic& destination) const { (void)destination; return false; }

    // Stretches the picture into the rectangle.
    virtual void Draw(QPainter& canvas, const QRect& rect) const = 0;

    // A new graphic of the same class with the same content.
    virtual std::unique_ptr<TGraphic> Clone() const = 0;

    // Called after every change of the content (the container listens here).
    std::function<void(TGraphic*)> OnChange;

protected:
    TGraphic() = default;
    TGraphic(const TGraphic&) = default;
    TGraphic& operator=(const TGraphic&) = default;

    void Changed();
    void CopyTransparencyFrom(const TGraphic& source) { transparent = source.transparent; }

private:
    bool transparent = false;
};
