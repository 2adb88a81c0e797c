#pragma once

#include "picture/TGraphic.h"

#include <QPicture>

// A vector picture over a QPicture with a fixed logical size; drawing scales
// it into the target rectangle. The error picture is one.
class TMetafile : public TGraphic
{
public:
    TMetafile() = default;
    TMetafile(const TMetafile& other);
    TMetafile& operator=(const TMetafile& other);

    int Width() const override { return width; }
    int Height() const override { return height; }
    bool Empty() const override { return width <= 0 || height <= 0; }

    void SetSize(int newWidth, int newHeight);
    const QPicture& Picture() const { return picture; }
    // Records the drawing; coordinates run over (0, 0, Width, Height).
    void SetPicture(const QPicture& source);

    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) const override;
    void Assign(const TGraphic& source) override;
    void Draw(QPainter& canvas, const QRect& rect) const override;
    std::unique_ptr<TGraphic> Clone() const override;

private:
    QPicture picture;
    int width = 0;
    int height = 0;
};
