#pragma once

#include "picture/TJpegGraphic.h"

// The JPEG class the program loads with: before any decoding it scans the
// header and refuses ("未対応のJPEG形式です") files without a baseline,
// extended, progressive or arithmetic frame header, with a zero size, or with
// more than three components (CMYK).
class TSafetyJPEGImage : public TJpegGraphic
{
public:
    struct HeaderInfo
    {
        int width = -1;
        int height = -1;
        int components = -1;
    };

    // Reads the frame header from the current position; the stream position
    // is restored afterwards, whatever happens.
    static HeaderInfo ScanHeader(QIODevice& stream);

    void LoadFromStream(QIODevice& stream) override;
    void ReadData(QIODevice& stream) override;
    // Drawing decodes on first use; that fills a cache inside the graphic and
    // is never reported as a change.
    std::unique_ptr<TGraphic> Clone() const override;

private:
    static void Check(QIODevice& stream);
};

// The name other code uses for a JPEG picture: the class with the header check.
class TJPEGImage : public TSafetyJPEGImage
{
public:
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TJPEGImage>(*this); }
};
