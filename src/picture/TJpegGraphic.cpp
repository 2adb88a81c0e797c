#include "picture/TJpegGraphic.h"

#include "picture/EInvalidGraphic.h"
#include "picture/TBmpReader.h"
#include "picture/TSafetyBitmap.h"
#include "picture/UImageWriter.h"
#include "picture/UJpegError.h"

#include <QIODevice>
#include <QPainter>

#include <cstring>

namespace {

// Bounds for what a damaged or hostile file can make libjpeg do.
constexpr long kMaxDecoderMemory = 512L * 1024 * 1024;
constexpr int kMaxScans = 1000;
// Quality used when a bitmap is assigned (compressed) into a JPEG graphic.
constexpr int AssignQuality = 90;

struct DecodeJob
{
    const uchar* data;
    size_t size;
    bool headerOnly;
    int denominator;
    bool fast;
    bool smoothing;
    QImage* image;
    int width;
    int height;
    bool tooLarge;
    char message[JMSG_LENGTH_MAX];
};

// Allocates the output picture outside the setjmp frame's scope rules.
bool allocateImage(QImage* image, int width, int height)
{
    *image = QImage(width, height, QImage::Format_BGR888);
    return !image->isNull();
}

void limitScans(j_common_ptr cinfo)
{
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > kMaxScans) {
        std::snprintf(reinterpret_cast<JpegErrorManager*>(cinfo->err)->message, JMSG_LENGTH_MAX, "too many scans");
        std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
    }
}

bool runDecoder(DecodeJob* job)
{
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    jpeg_progress_mgr progress;
    cinfo.err = JpegErrorSetup(err);
    if (setjmp(err.jump)) {
        std::memcpy(job->message, err.message, sizeof job->message);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    progress.progress_monitor = limitScans;
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, job->data, static_cast<unsigned long>(job->size));
    jpeg_read_header(&cinfo, TRUE);
    job->width = int(cinfo.image_width);
    job->height = int(cinfo.image_height);
    if (job->headerOnly) {
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    cinfo.scale_num = 1;
    cinfo.scale_denom = unsigned(job->denominator);
    cinfo.out_color_space = JCS_EXT_BGR;
    cinfo.do_block_smoothing = job->smoothing ? TRUE : FALSE;
    if (job->fast) {
        cinfo.dct_method = JDCT_IFAST;
        cinfo.do_fancy_upsampling = FALSE;
    }
    jpeg_calc_output_dimensions(&cinfo);
    if (qint64(cinfo.output_width) * cinfo.output_height > TBmpReader::PixelLimit()) {
        job->tooLarge = true;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (!allocateImage(job->image, int(cinfo.output_width), int(cinfo.output_height))) {
        job->tooLarge = true;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = job->image->scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

DecodeJob makeJob(const QByteArray& data, QImage* image)
{
    DecodeJob job{};
    job.data = reinterpret_cast<const uchar*>(data.constData());
    job.size = size_t(data.size());
    job.image = image;
    job.denominator = 1;
    return job;
}

[[noreturn]] void refuse(const DecodeJob& job)
{
    if (job.tooLarge)
        throw EInvalidGraphic(QStringLiteral("JPEG image too large"));
    throw EInvalidGraphic(QStringLiteral("JPEG error: %1").arg(QString::fromLocal8Bit(job.message)));
}

} // namespace

TJpegGraphic::TJpegGraphic(const TJpegGraphic& other)
    : TGraphic(),
      data(other.data),
      jpegWidth(other.jpegWidth),
      jpegHeight(other.jpegHeight),
      scale(other.scale),
      performance(other.performance),
      smoothing(other.smoothing),
      decoded(other.decoded)
{
    CopyTransparencyFrom(other);
}

TJpegGraphic& TJpegGraphic::operator=(const TJpegGraphic& other)
{
    if (this != &other) {
        data = other.data;
        jpegWidth = other.jpegWidth;
        jpegHeight = other.jpegHeight;
        scale = other.scale;
        performance = other.performance;
        smoothing = other.smoothing;
        decoded = other.decoded;
        CopyTransparencyFrom(other);
        Changed();
    }
    return *this;
}

int TJpegGraphic::ScaleDenominator() const
{
    switch (scale) {
    case TJpegScale::Half: return 2;
    case TJpegScale::Quarter: return 4;
    case TJpegScale::Eighth: return 8;
    default: return 1;
    }
}

// libjpeg rounds scaled sizes up.
int TJpegGraphic::Width() const
{
    if (!decoded.isNull())
        return decoded.width();
    const int d = ScaleDenominator();
    return (jpegWidth + d - 1) / d;
}

int TJpegGraphic::Height() const
{
    if (!decoded.isNull())
        return decoded.height();
    const int d = ScaleDenominator();
    return (jpegHeight + d - 1) / d;
}

void TJpegGraphic::DropDecoded()
{
    decoded = QImage();
}

void TJpegGraphic::SetScale(TJpegScale value)
{
    if (scale == value)
        return;
    scale = value;
    DropDecoded();
    Changed();
}

void TJpegGraphic::SetPerformance(TJpegPerformance value)
{
    if (performance == value)
        return;
    performance = value;
    DropDecoded();
    Changed();
}

void TJpegGraphic::SetSmoothing(bool value)
{
    if (smoothing == value)
        return;
    smoothing = value;
    DropDecoded();
    Changed();
}

void TJpegGraphic::SetData(const QByteArray& jpegData)
{
    DecodeJob job = makeJob(jpegData, nullptr);
    job.headerOnly = true;
    if (!runDecoder(&job))
        refuse(job);
    data = jpegData;
    jpegWidth = job.width;
    jpegHeight = job.height;
    DropDecoded();
    Changed();
}

void TJpegGraphic::LoadFromStream(QIODevice& stream)
{
    SetData(stream.readAll());
}

void TJpegGraphic::SaveToStream(QIODevice& stream) const
{
    if (stream.write(data) != data.size())
        throw EImageWriteError(QStringLiteral("Cannot write JPEG data: %1").arg(stream.errorString()));
}

void TJpegGraphic::ReadData(QIODevice& stream)
{
    uchar length[4];
    if (stream.read(reinterpret_cast<char*>(length), 4) != 4)
        throw EReadError();
    const qint64 size = qint64(length[0]) | (qint64(length[1]) << 8) | (qint64(length[2]) << 16) | (qint64(length[3]) << 24);
    if (!stream.isSequential() && stream.size() - stream.pos() < size)
        throw EReadError();
    const QByteArray bytes = stream.read(size);
    if (bytes.size() != size)
        throw EReadError();
    SetData(bytes);
}

void TJpegGraphic::Assign(const TGraphic& source)
{
    if (const auto* jpeg = dynamic_cast<const TJpegGraphic*>(&source)) {
        *this = *jpeg;
        return;
    }
    if (const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(&source)) {
        SetData(EncodeJpeg(bitmap->Image(), AssignQuality));
        return;
    }
    if (!source.AssignTo(*this))
        throw EInvalidGraphic(QStringLiteral("Cannot assign this graphic to a JPEG image"));
}

bool TJpegGraphic::AssignTo(TGraphic& destination) const
{
    auto* bitmap = dynamic_cast<TSafetyBitmap*>(&destination);
    if (!bitmap)
        return false;
    bitmap->SetImage(Empty() ? QImage() : Bitmap());
    return true;
}

const QImage& TJpegGraphic::Bitmap() const
{
    if (decoded.isNull() && !data.isEmpty()) {
        QImage image;
        DecodeJob job = makeJob(data, &image);
        job.denominator = ScaleDenominator();
        job.fast = performance == TJpegPerformance::BestSpeed;
        job.smoothing = smoothing;
        if (!runDecoder(&job))
            refuse(job);
        decoded = image;
    }
    return decoded;
}

void TJpegGraphic::Draw(QPainter& canvas, const QRect& rect) const
{
    if (Empty() || rect.isEmpty())
        return;
    canvas.drawImage(rect, Bitmap());
}

std::unique_ptr<TGraphic> TJpegGraphic::Clone() const
{
    return std::make_unique<TJpegGraphic>(*this);
}
