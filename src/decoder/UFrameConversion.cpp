#include "decoder/UFrameConversion.h"

#include "decoder/avifile/UScaleRows.h"
#include "picture/TSafetyBitmap.h"
#include "support/ULog.h"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace {

// Unspecified matrices: HD and larger pictures are BT.709, smaller ones BT.601.
constexpr int HighDefinitionLines = 720;
// The tone mapping, after the first zscale has made the picture linear
// light with 100 cd/m² as 1.0 (t=linear:npl=100): BT.709 primaries, Hable's
// curve without desaturation, then BT.709's transfer.
constexpr const char* ToneMapTail = "format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:desat=0,zscale=t=bt709";

// A damaged stream can leave a number outside the enumeration in a frame's
// colour fields: the stored integer is read, never the enumeration.
template <typename Enum>
int StoredValue(const Enum& field)
{
    std::underlying_type_t<Enum> stored;
    std::memcpy(&stored, &field, sizeof stored);
    return static_cast<int>(stored);
}

// The full-range ("J") formats are deprecated in libswscale: map them to the
// plain format and say the range instead.
AVPixelFormat PlainPixelFormat(AVPixelFormat format, bool& fullRange)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P: fullRange = true; return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: fullRange = true; return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: fullRange = true; return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: fullRange = true; return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P: fullRange = true; return AV_PIX_FMT_YUV411P;
    default: return format;
    }
}

int ScalerColourSpace(int matrix)
{
    switch (matrix) {
    case AVCOL_SPC_BT709: return SWS_CS_ITU709;
    case AVCOL_SPC_FCC: return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M: return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: return SWS_CS_BT2020;
    default: return SWS_CS_ITU601;
    }
}

const char* MatrixName(int matrix)
{
    switch (matrix) {
    case AVCOL_SPC_BT709: return "BT.709";
    case AVCOL_SPC_FCC: return "FCC";
    case AVCOL_SPC_SMPTE240M: return "SMPTE 240M";
    case AVCOL_SPC_BT2020_NCL: return "BT.2020";
    case AVCOL_SPC_BT2020_CL: return "BT.2020 constant luminance";
    default: return "BT.601";
    }
}

} // namespace

TDisplayOrientation OrientationFromMatrix(const int32_t* matrix)
{
    TDisplayOrientation orientation;
    if (!matrix)
        return orientation;
    const double counterClockwise = av_display_rotation_get(matrix);
    if (std::isnan(counterClockwise))
        return orientation;
    double theta = -std::round(counterClockwise);
    theta -= 360 * std::floor(theta / 360 + 0.9 / 360);
    if (std::fabs(theta - 90) < 1.0) {
        // A positive third element is a transpose: a counter-clockwise turn, then a flip.
        orientation.quarterTurns = matrix[3] > 0 ? 3 : 1;
        orientation.mirrorVertical = matrix[3] > 0;
    } else if (std::fabs(theta - 180) < 1.0) {
        orientation.mirrorHorizontal = matrix[0] < 0;
        orientation.mirrorVertical = matrix[4] < 0;
    } else if (std::fabs(theta - 270) < 1.0) {
        orientation.quarterTurns = matrix[3] < 0 ? 1 : 3;
        orientation.mirrorVertical = matrix[3] < 0;
    } else if (std::fabs(theta) < 1.0) {
        orientation.mirrorVertical = matrix[4] < 0;
    }
    return orientation;
}

int SquarePixelWidth(int storedWidth, AVRational sampleAspect, int maxWidth)
{
    if (sampleAspect.num <= 0 || sampleAspect.den <= 0 || sampleAspect.num == sampleAspect.den || storedWidth <= 0)
        return storedWidth;
    // Pairs of pixels, rounded to nearest with halves up.
    const int64_t pairs = av_rescale_rnd(storedWidth, sampleAspect.num, 2LL * sampleAspect.den, AV_ROUND_NEAR_INF);
    return static_cast<int>(std::clamp<int64_t>(pairs * 2, 2, maxWidth));
}

bool TColourSetup::NeedsFilterGraph() const
{
    return wideGamut || ToneMapped() || matrix == AVCOL_SPC_BT2020_CL;
}

bool TColourSetup::ToneMapped() const
{
    return transfer == AVCOL_TRC_SMPTE2084 || transfer == AVCOL_TRC_ARIB_STD_B67;
}

TColourSetup ColourSetupOf(const AVFrame& frame)
{
    TColourSetup setup;
    const int matrix = StoredValue(frame.colorspace);
    const int primaries = StoredValue(frame.color_primaries);
    const int transfer = StoredValue(frame.color_trc);
    switch (matrix) {
    case AVCOL_SPC_BT709:
    case AVCOL_SPC_FCC:
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
    case AVCOL_SPC_SMPTE240M:
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: setup.matrix = matrix; break;
    default: setup.matrix = frame.height >= HighDefinitionLines ? AVCOL_SPC_BT709 : AVCOL_SPC_BT470BG; break;
    }
    bool fullRange = StoredValue(frame.color_range) == AVCOL_RANGE_JPEG;
    PlainPixelFormat(static_cast<AVPixelFormat>(frame.format), fullRange);
    setup.fullRange = fullRange;
    // A BT.2020 matrix without primaries is taken as BT.2020 colour.
    const bool bt2020Matrix = matrix == AVCOL_SPC_BT2020_NCL || matrix == AVCOL_SPC_BT2020_CL;
    setup.wideGamut = primaries == AVCOL_PRI_BT2020 || (primaries == AVCOL_PRI_UNSPECIFIED && bt2020Matrix);
    if (transfer == AVCOL_TRC_SMPTE2084 || transfer == AVCOL_TRC_ARIB_STD_B67)
        setup.transfer = transfer;
    return setup;
}

TFrameConversion::TFrameConversion() = default;
TFrameConversion::~TFrameConversion() = default;

void TFrameConversion::Configure(AVFormatContext* format, AVStream* stream, int width, int height, bool storedPixels)
{
    Reset();
    storedWidth = scaledWidth = width;
    storedHeight = scaledHeight = height;
    if (storedPixels)
        return;
    size_t size = 0;
    const uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix && size >= 9 * sizeof(int32_t)) {
        int32_t values[9];
        std::memcpy(values, matrix, sizeof values);
        orientation = OrientationFromMatrix(values);
    }
    sampleAspect = av_guess_sample_aspect_ratio(format, stream, nullptr);
    // Beyond the largest picture the decoder takes, the aspect is damage.
    constexpr int MaxShownWidth = 8192;
    scaledWidth = SquarePixelWidth(width, sampleAspect, MaxShownWidth);
}

void TFrameConversion::Reset()
{
    orientation = {};
    sampleAspect = {1, 1};
    storedWidth = storedHeight = scaledWidth = scaledHeight = 0;
    converted = false;
    lastColour = {};
    scaler.reset();
    reducedScaler.reset();
    graph.reset();
    graphSource = graphSink = nullptr;
    graphKey = {};
    graphOutput.reset();
    unturned = QImage();
}

bool TFrameConversion::Convert(const AVFrame& frame, TSafetyBitmap& bitmap)
{
    if (scaledWidth <= 0 || scaledHeight <= 0 || !frame.data[0])
        return false;
    const TColourSetup colour = ColourSetupOf(frame);
    uint8_t* firstRow = nullptr;
    std::ptrdiff_t stride = 0;
    if (orientation.IsUpright()) {
        if (bitmap.Width() != scaledWidth || bitmap.Height() != scaledHeight
            || bitmap.Image().format() != QImage::Format_BGR888)
            bitmap.SetSize24(scaledWidth, scaledHeight);
        firstRow = bitmap.ScanLine(0);
        stride = bitmap.BytesPerLine();
    } else {
        if (unturned.width() != scaledWidth || unturned.height() != scaledHeight)
            unturned = QImage(scaledWidth, scaledHeight, QImage::Format_BGR888);
        if (unturned.isNull())
            return false;
        firstRow = unturned.scanLine(0);
        stride = unturned.bytesPerLine();
    }
    const bool done = colour.NeedsFilterGraph() ? ConvertWithGraph(frame, colour, firstRow, stride)
                                                : ConvertWithScaler(frame, colour, firstRow, stride);
    if (!done)
        return false;
    lastColour = colour;
    converted = true;
    if (!orientation.IsUpright()) {
        // Quarter turns of a QImage are exact pixel moves.
        const QImage turned = unturned.transformed(QTransform().rotate(90.0 * orientation.quarterTurns))
                                  .mirrored(orientation.mirrorHorizontal, orientation.mirrorVertical);
        bitmap.SetImage(turned);
    }
    return true;
}

namespace {

// A scaler from the frame to BGR24 of the size given, in the frame's
// colours; reuses the one in `scaler` where it fits. Null on failure.
SwsContext* PrepareScaler(TAvPointer<SwsContext, sws_freeContext>& scaler, const AVFrame& frame,
                          const TColourSetup& colour, int width, int height, int flags)
{
    bool fullRange = colour.fullRange;
    const AVPixelFormat source = PlainPixelFormat(static_cast<AVPixelFormat>(frame.format), fullRange);
    SwsContext* context = sws_getCachedContext(scaler.release(), frame.width, frame.height, source, width, height,
                                               AV_PIX_FMT_BGR24, flags, nullptr, nullptr, nullptr);
    scaler.reset(context);
    if (!context)
        return nullptr;
    const int* coefficients = sws_getCoefficients(ScalerColourSpace(colour.matrix));
    sws_setColorspaceDetails(context, coefficients, fullRange ? 1 : 0, coefficients, 1, 0, 1 << 16, 1 << 16);
    return context;
}

} // namespace

bool TFrameConversion::ConvertWithScaler(const AVFrame& frame, const TColourSetup& colour, uint8_t* firstRow,
                                         std::ptrdiff_t stride)
{
    SwsContext* context = PrepareScaler(scaler, frame, colour, scaledWidth, scaledHeight, SWS_BILINEAR);
    return context && avifile::ScaleIntoRows(context, frame, scaledHeight, firstRow, stride,
                                             std::size_t(scaledWidth) * 3, scaledRows);
}

namespace {

// 8-bit planar YUV, one plane per component: averaged block by block here,
// in a third of libswscale's time (which scales every line of a large
// frame across before it reduces the height).
bool IsPlainPlanarYuv(const AVPixFmtDescriptor* format)
{
    if (!format || format->nb_components < 3 || (format->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL))
        || !(format->flags & AV_PIX_FMT_FLAG_PLANAR))
        return false;
    for (int i = 0; i < 3; ++i)
        if (format->comp[i].plane != i || format->comp[i].depth != 8 || format->comp[i].step != 1
            || format->comp[i].shift != 0)
            return false;
    return true;
}

// The mean of each block of a plane, `width` x `height` blocks of
// blockWidth x blockHeight pixels. Of blocks four rows high or more, two
// rows are read (at a quarter and three quarters of the height): the mean
// of a scan picture need not be exact, and the plane is most of the work.
void AverageBlocks(const uint8_t* plane, int stride, int planeWidth, int planeHeight, int blockWidth,
                   int blockHeight, int width, int height, std::vector<uint8_t>& out, std::vector<uint32_t>& sums)
{
    out.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    const int columns = std::min(width * blockWidth, planeWidth);
    sums.resize(static_cast<size_t>(columns));
    const int rowStep = blockHeight >= 4 ? blockHeight / 2 : 1;
    const int rowStart = blockHeight >= 4 ? blockHeight / 4 : 0;
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        int rows = 0;
        uint32_t* __restrict total = sums.data();
        for (int row = y * blockHeight + rowStart; row < (y + 1) * blockHeight; row += rowStep, ++rows) {
            const uint8_t* __restrict line = plane + static_cast<std::ptrdiff_t>(std::min(row, planeHeight - 1)) * stride;
            for (int x = 0; x < columns; ++x)
                total[x] += line[x];
        }
        rows = std::max(rows, 1);
        for (int x = 0; x < width; ++x) {
            const int first = std::min(x * blockWidth, columns - 1);
            const int count = std::max(std::min(blockWidth, columns - first), 1);
            uint32_t sum = 0;
            for (int i = 0; i < count; ++i)
                sum += sums[static_cast<size_t>(first + i)];
            out[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                static_cast<uint8_t>((sum + static_cast<uint32_t>(count * rows) / 2) / static_cast<uint32_t>(count * rows));
        }
    }
}

uint8_t ToByte(int value)
{
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

} // namespace

bool TFrameConversion::ReduceByBlocks(const AVFrame& frame, int maxWidth, QImage& picture)
{
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    if (!IsPlainPlanarYuv(format) || frame.width <= 0 || frame.height <= 0)
        return false;
    const int factor = (frame.width + maxWidth - 1) / maxWidth;
    const int width = std::max(frame.width / factor, 1);
    const int height = std::max(frame.height / factor, 1);
    const int chromaWidth = AV_CEIL_RSHIFT(frame.width, format->log2_chroma_w);
    const int chromaHeight = AV_CEIL_RSHIFT(frame.height, format->log2_chroma_h);
    const int chromaBlockWidth = std::max(factor >> format->log2_chroma_w, 1);
    const int chromaBlockHeight = std::max(factor >> format->log2_chroma_h, 1);
    AverageBlocks(frame.data[0], frame.linesize[0], frame.width, frame.height, factor, factor, width, height,
                  reducedPlanes[0], reducedSums);
    AverageBlocks(frame.data[1], frame.linesize[1], chromaWidth, chromaHeight, chromaBlockWidth, chromaBlockHeight,
                  width, height, reducedPlanes[1], reducedSums);
    AverageBlocks(frame.data[2], frame.linesize[2], chromaWidth, chromaHeight, chromaBlockWidth, chromaBlockHeight,
                  width, height, reducedPlanes[2], reducedSums);
    if (picture.width() != width || picture.height() != height || picture.format() != QImage::Format_BGR888)
        picture = QImage(width, height, QImage::Format_BGR888);
    if (picture.isNull())
        return false;
    // BT.601 or full range as the frame says; the matrix matters little at this size.
    bool fullRange = frame.color_range == AVCOL_RANGE_JPEG;
    PlainPixelFormat(static_cast<AVPixelFormat>(frame.format), fullRange); // yuvj formats are full range
    for (int y = 0; y < height; ++y) {
        uchar* out = picture.scanLine(y);
        const size_t row = static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int x = 0; x < width; ++x, out += 3) {
            const int luma = reducedPlanes[0][row + static_cast<size_t>(x)];
            const int c = fullRange ? luma * 1024 : (luma - 16) * 1192;
            const int u = reducedPlanes[1][row + static_cast<size_t>(x)] - 128;
            const int v = reducedPlanes[2][row + static_cast<size_t>(x)] - 128;
            const int scale = fullRange ? 1024 : 1167; // chroma 224/255 in limited range
            out[0] = ToByte((c + (1815 * scale / 1024) * u + 512) >> 10);
            out[1] = ToByte((c - (352 * scale / 1024) * u - (731 * scale / 1024) * v + 512) >> 10);
            out[2] = ToByte((c + (1436 * scale / 1024) * v + 512) >> 10);
        }
    }
    return true;
}

bool TFrameConversion::ConvertReduced(const AVFrame& frame, int maxWidth, QImage& picture)
{
    if (scaledWidth <= 0 || scaledHeight <= 0 || maxWidth <= 0 || !frame.data[0])
        return false;
    if (ReduceByBlocks(frame, maxWidth, picture))
        return true;
    const int width = std::min(maxWidth, scaledWidth);
    const int height = std::max(1, static_cast<int>((static_cast<int64_t>(scaledHeight) * width + scaledWidth / 2) / scaledWidth));
    SwsContext* context = PrepareScaler(reducedScaler, frame, ColourSetupOf(frame), width, height, SWS_AREA);
    if (!context)
        return false;
    if (picture.width() != width || picture.height() != height || picture.format() != QImage::Format_BGR888)
        picture = QImage(width, height, QImage::Format_BGR888);
    if (picture.isNull())
        return false;
    return avifile::ScaleIntoRows(context, frame, height, picture.scanLine(0), picture.bytesPerLine(),
                                  std::size_t(width) * 3, scaledRows);
}

// zimg (through libavfilter's zscale) converts BT.2020 primaries in linear
// light and tone-maps PQ and HLG; the graph is rebuilt only when the
// frame's size, format or colours change.
bool TFrameConversion::BuildGraph(const AVFrame& frame, const TColourSetup& colour)
{
    const TGraphKey key{frame.width, frame.height, frame.format, colour};
    if (graph && key == graphKey)
        return true;
    graph.reset(avfilter_graph_alloc());
    graphSource = graphSink = nullptr;
    graphKey = {};
    if (!graph)
        return false;
    graph->nb_threads = 0; // one per core
    const QByteArray sourceArgs = QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=1/25:pixel_aspect=1/1")
                                      .arg(frame.width)
                                      .arg(frame.height)
                                      .arg(frame.format)
                                      .toLatin1();
    if (avfilter_graph_create_filter(&graphSource, avfilter_get_by_name("buffer"), "in", sourceArgs.constData(),
                                     nullptr, graph.get())
            < 0
        || avfilter_graph_create_filter(&graphSink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                        graph.get())
               < 0)
        return false;
    const AVPixelFormat outputFormats[] = {AV_PIX_FMT_BGR24, AV_PIX_FMT_NONE};
    if (av_opt_set_int_list(graphSink, "pix_fmts", outputFormats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN) < 0)
        return false;
    // The input is described in full: a frame's own fields may be unset.
    const int primaries = colour.wideGamut ? AVCOL_PRI_BT2020 : AVCOL_PRI_BT709;
    const int transfer = colour.ToneMapped() ? colour.transfer : AVCOL_TRC_BT709;
    QString chain = QStringLiteral("zscale=min=%1:pin=%2:tin=%3:rin=%4")
                        .arg(colour.matrix)
                        .arg(primaries)
                        .arg(transfer)
                        .arg(colour.fullRange ? 1 : 0);
    if (colour.ToneMapped())
        chain += QStringLiteral(":t=linear:npl=100,") + QLatin1String(ToneMapTail);
    else
        chain += QStringLiteral(":p=bt709:t=bt709");
    chain += QStringLiteral(":r=pc:w=%1:h=%2,format=gbrp").arg(scaledWidth).arg(scaledHeight);
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    bool built = outputs && inputs;
    if (built) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = graphSource;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = graphSink;
        built = avfilter_graph_parse_ptr(graph.get(), chain.toLatin1().constData(), &inputs, &outputs, nullptr) >= 0
                && avfilter_graph_config(graph.get(), nullptr) >= 0;
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (!built) {
        graph.reset();
        return false;
    }
    graphKey = key;
    return true;
}

bool TFrameConversion::ConvertWithGraph(const AVFrame& frame, const TColourSetup& colour, uint8_t* firstRow,
                                        std::ptrdiff_t stride)
{
    if (!BuildGraph(frame, colour))
        return false;
    if (!graphOutput)
        graphOutput.reset(av_frame_alloc());
    if (!graphOutput)
        return false;
    // The source takes a reference of its own; the decoder's frame stays.
    if (av_buffersrc_add_frame_flags(graphSource, const_cast<AVFrame*>(&frame), AV_BUFFERSRC_FLAG_KEEP_REF) < 0
        || av_buffersink_get_frame(graphSink, graphOutput.get()) < 0) {
        graph.reset(); // a graph left holding a frame would answer the next one late
        return false;
    }
    const AVFrame& out = *graphOutput;
    const bool fits = out.width == scaledWidth && out.height == scaledHeight && out.format == AV_PIX_FMT_BGR24;
    if (fits)
        for (int row = 0; row < scaledHeight; ++row)
            std::memcpy(firstRow + stride * row, out.data[0] + std::ptrdiff_t(out.linesize[0]) * row,
                        std::size_t(scaledWidth) * 3);
    av_frame_unref(graphOutput.get());
    return fits;
}

QString TFrameConversion::Description() const
{
    QStringList parts;
    if (orientation.quarterTurns != 0)
        parts << QStringLiteral("rotated %1° clockwise").arg(90 * orientation.quarterTurns);
    if (orientation.mirrorHorizontal)
        parts << QStringLiteral("mirrored left to right");
    if (orientation.mirrorVertical)
        parts << QStringLiteral("mirrored top to bottom");
    if (scaledWidth != storedWidth)
        parts << QStringLiteral("pixel aspect %1:%2, %3×%4 shown as %5×%4")
                     .arg(sampleAspect.num)
                     .arg(sampleAspect.den)
                     .arg(storedWidth)
                     .arg(storedHeight)
                     .arg(scaledWidth);
    if (converted) {
        if (lastColour.ToneMapped())
            parts << QStringLiteral("%1 tone-mapped to SDR (zscale, tonemap=hable)")
                         .arg(lastColour.transfer == AVCOL_TRC_SMPTE2084 ? QStringLiteral("PQ") : QStringLiteral("HLG"));
        if (lastColour.wideGamut)
            parts << QStringLiteral("BT.2020 colours converted to BT.709");
        else if (lastColour.matrix != AVCOL_SPC_BT709 && lastColour.matrix != AVCOL_SPC_BT470BG
                 && lastColour.matrix != AVCOL_SPC_SMPTE170M)
            parts << QStringLiteral("%1 matrix").arg(QLatin1String(MatrixName(lastColour.matrix)));
    }
    return parts.join(QStringLiteral("; "));
}
