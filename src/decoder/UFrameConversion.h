#pragma once

#include "decoder/UAvPointer.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

class TSafetyBitmap;

// How the stored picture is turned to stand upright: a number of quarter
// turns clockwise, then mirror images. Read from the stream's display
// matrix the way FFmpeg's own player and command line read it.
struct TDisplayOrientation
{
    int quarterTurns = 0;         // 0 to 3, clockwise
    bool mirrorHorizontal = false; // after the turn
    bool mirrorVertical = false;   // after the turn

    bool IsUpright() const { return quarterTurns == 0 && !mirrorHorizontal && !mirrorVertical; }
    bool SwapsSides() const { return quarterTurns % 2 == 1; }
};

// The orientation a display matrix (nine 16.16 / 2.30 fixed-point numbers)
// asks for; rotations by other angles than quarter turns are not applied.
TDisplayOrientation OrientationFromMatrix(const int32_t* matrix);

// The width that shows stored pixels of the sample aspect as square pixels
// at the same height: width × num / den rounded to the nearest even number
// (halves up), at least 2, at most maxWidth. A 1:1 or unknown aspect keeps
// the width.
int SquarePixelWidth(int storedWidth, AVRational sampleAspect, int maxWidth);

// How a frame's YUV becomes sRGB/BT.709: the matrix (an AVColorSpace
// value) and range read from the frame, with an unspecified matrix taken
// as BT.709 from 720 lines up and BT.601 below, and whether the colours
// need zimg (BT.2020 primaries, the constant-luminance matrix, PQ or HLG).
struct TColourSetup
{
    int matrix = AVCOL_SPC_BT470BG;
    bool fullRange = false;
    bool wideGamut = false;   // BT.2020 primaries, converted to BT.709
    int transfer = AVCOL_TRC_BT709; // AVCOL_TRC_SMPTE2084 or AVCOL_TRC_ARIB_STD_B67 ask for tone mapping
    bool NeedsFilterGraph() const;
    bool ToneMapped() const;
    bool operator==(const TColourSetup&) const = default;
};
TColourSetup ColourSetupOf(const AVFrame& frame);

// The one step between a decoded frame and the delivered bitmap: colours
// to sRGB/BT.709 (tone mapping HDR to SDR), stored pixels to square pixels,
// and the display matrix's turn and mirror. The shown size is fixed when
// the stream is opened.
class TFrameConversion
{
public:
    TFrameConversion();
    ~TFrameConversion();
    TFrameConversion(const TFrameConversion&) = delete;
    TFrameConversion& operator=(const TFrameConversion&) = delete;

    // Learns the display matrix and the sample aspect of the stream.
    // storedPixels keeps the pixels as stored (no turn, no aspect).
    void Configure(AVFormatContext* format, AVStream* stream, int storedWidth, int storedHeight, bool storedPixels);
    void Reset();

    // The size of the delivered picture.
    int ShownWidth() const { return orientation.SwapsSides() ? scaledHeight : scaledWidth; }
    int ShownHeight() const { return orientation.SwapsSides() ? scaledWidth : scaledHeight; }

    // Converts the frame into bitmap, which is made the shown size.
    bool Convert(const AVFrame& frame, TSafetyBitmap& bitmap);

    // A small picture of the frame for scanning a stretch quickly: at most
    // maxWidth pixels wide at the shown aspect (square pixels), 24-bit BGR,
    // not turned, and PQ/HLG/BT.2020 frames through the plain scaler
    // (colours only roughly right). 8-bit planar YUV is averaged in blocks
    // of the whole factor that brings the stored width to maxWidth (the
    // stored aspect); other formats go through libswscale (area averaging)
    // at the shown aspect.
    bool ConvertReduced(const AVFrame& frame, int maxWidth, QImage& picture);

    // What was done to the stored picture, for the provenance of saved
    // pictures ("rotated 90° clockwise; pixel aspect 32:27, 720×480 shown as
    // 854×480; PQ tone-mapped to SDR (zscale, tonemap=hable)"); empty when
    // the picture was delivered as stored with BT.601/BT.709 colours.
    QString Description() const;

private:
    bool ConvertWithScaler(const AVFrame& frame, const TColourSetup& colour, uint8_t* firstRow, std::ptrdiff_t stride);
    bool ConvertWithGraph(const AVFrame& frame, const TColourSetup& colour, uint8_t* firstRow, std::ptrdiff_t stride);
    bool BuildGraph(const AVFrame& frame, const TColourSetup& colour);
    bool ReduceByBlocks(const AVFrame& frame, int maxWidth, QImage& picture);

    TDisplayOrientation orientation;
    AVRational sampleAspect{1, 1};
    int storedWidth = 0;
    int storedHeight = 0;
    int scaledWidth = 0;   // square pixels, before the turn
    int scaledHeight = 0;
    TColourSetup lastColour;
    bool converted = false;

    TAvPointer<SwsContext, sws_freeContext> scaler;
    std::vector<uint8_t> scaledRows; // the scaler's padded output, reused
    TAvPointer<SwsContext, sws_freeContext> reducedScaler; // ConvertReduced's own
    std::vector<uint8_t> reducedPlanes[3];
    std::vector<uint32_t> reducedSums;
    TAvPointer<AVFilterGraph, avfilter_graph_free> graph;
    AVFilterContext* graphSource = nullptr;
    AVFilterContext* graphSink = nullptr;
    struct TGraphKey
    {
        int width = 0, height = 0, format = -1;
        TColourSetup colour;
        bool operator==(const TGraphKey&) const = default;
    } graphKey;
    TAvPointer<AVFrame, av_frame_free> graphOutput;
    QImage unturned; // the square-pixel picture before the turn
};
