#include "picture/UImageWriter.h"

#include "picture/UJpegError.h"
#include "support/Pathutil.h"
#include "support/USafeWrite.h"


#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <png.h>

namespace {

void put16(QByteArray& out, quint16 v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void put32(QByteArray& out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

int naturalBitCount(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: return 1;
    case QImage::Format_Indexed8: return 8;
    case QImage::Format_RGB555:
    case QImage::Format_RGB16: return 16;
    case QImage::Format_RGB32: return 32;
    default: return 24;
    }
}

// The image in the layout the BMP rows are copied from.
QImage rowSource(const QImage& image, int bitCount)
{
    switch (bitCount) {
    case 1: return image.convertToFormat(QImage::Format_Mono);
    case 4:
    case 8: return image.format() == QImage::Format_Indexed8 ? image : image.convertToFormat(QImage::Format_Indexed8);
    case 16: return image.format() == QImage::Format_RGB16 ? image : image.convertToFormat(QImage::Format_RGB555);
    case 32: return image.convertToFormat(QImage::Format_RGB32);
    default: return image.convertToFormat(QImage::Format_BGR888);
    }
}

void writeFile(const QByteArray& data, const QString& path)
{
    if (!Pathutil::CanReplaceFile(path))
        throw EImageWriteError(QStringLiteral("Cannot write image file \"%1\": the file or its folder is read-only").arg(path));
    try {
        SafeWrite::WriteFile(path, data);
    } catch (const SafeWrite::ESafeWriteError& error) {
        throw EImageWriteError(QStringLiteral("Cannot write image file \"%1\": %2").arg(path, error.Reason()));
    }
}

void requireImage(const QImage& image)
{
    if (image.isNull())
        throw EImageWriteError(QStringLiteral("Cannot encode an empty picture"));
}

// --- libjpeg -------------------------------------------------------------

struct JpegJob
{
    const QImage* rgb;   // Format_RGB888
    int quality;
    const QByteArray* comment;   // empty: no comment segment
    unsigned char* output;
    unsigned long outputSize;
    char message[JMSG_LENGTH_MAX];
};

bool compressJpeg(JpegJob* job)
{
    jpeg_compress_struct cinfo;
    JpegErrorManager err;
    cinfo.err = JpegErrorSetup(err);
    if (setjmp(err.jump)) {
        std::memcpy(job->message, err.message, sizeof job->message);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &job->output, &job->outputSize);
    cinfo.image_width = JDIMENSION(job->rgb->width());
    cinfo.image_height = JDIMENSION(job->rgb->height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, job->quality, TRUE);   // baseline tables
    jpeg_start_compress(&cinfo, TRUE);
    if (!job->comment->isEmpty())
        jpeg_write_marker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(job->comment->constData()),
                          unsigned(job->comment->size()));
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(job->rgb->constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// --- libpng --------------------------------------------------------------

struct PngJob
{
    const QImage* rgb;   // Format_RGB888
    const TImageTexts* texts;
    QByteArray* output;
    char message[256];
};

void pngWrite(png_structp png, png_bytep data, png_size_t length)
{
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    job->output->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

void pngFlush(png_structp) {}

void pngError(png_structp png, png_const_charp message)
{
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    std::snprintf(job->message, sizeof job->message, "%s", message);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

// tEXt holds Latin-1 only; a text outside it (a Japanese movie path) goes
// into an iTXt chunk, which is UTF-8. Keywords are Latin-1, 1 to 79 bytes.
void setPngTexts(png_structp png, png_infop info, const TImageTexts& texts)
{
    if (texts.isEmpty())
        return;
    std::vector<QByteArray> keys, values;
    std::vector<png_text> chunks(size_t(texts.size()));
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const TImageText& text = texts[i];
        const bool latin1 = std::all_of(text.Value.cbegin(), text.Value.cend(), [](QChar c) { return c.unicode() < 0x100; });
        keys.push_back(text.Key.toLatin1().left(79));
        values.push_back(latin1 ? text.Value.toLatin1() : text.Value.toUtf8());
        png_text& chunk = chunks[size_t(i)];
        chunk = png_text{};
        chunk.compression = latin1 ? PNG_TEXT_COMPRESSION_NONE : PNG_ITXT_COMPRESSION_NONE;
    }
    for (size_t i = 0; i < chunks.size(); ++i) {
        chunks[i].key = keys[i].data();
        chunks[i].text = values[i].data();
        if (chunks[i].compression == PNG_TEXT_COMPRESSION_NONE)
            chunks[i].text_length = size_t(values[i].size());
        else
            chunks[i].itxt_length = size_t(values[i].size());
    }
    png_set_text(png, info, chunks.data(), int(chunks.size()));
}

bool compressPng(PngJob* job)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, job, pngError, pngWarning);
    if (!png) {
        std::snprintf(job->message, sizeof job->message, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, job, pngWrite, pngFlush);
    png_set_IHDR(png, info, png_uint_32(job->rgb->width()), png_uint_32(job->rgb->height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    setPngTexts(png, info, *job->texts);
    png_write_info(png, info);
    for (int y = 0; y < job->rgb->height(); ++y)
        png_write_row(png, const_cast<png_bytep>(job->rgb->constScanLine(y)));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

QByteArray EncodeBmp(const QImage& image, int bitCount)
{
    requireImage(image);
    if (bitCount == 0)
        bitCount = naturalBitCount(image);
    if (bitCount == 4 && image.format() == QImage::Format_Indexed8 && image.colorCount() > 16)
        bitCount = 8;
    const QImage rows = rowSource(image, bitCount);
    const int width = rows.width(), height = rows.height();
    const bool masks565 = bitCount == 16 && rows.format() == QImage::Format_RGB16;
    QList<QRgb> palette;
    if (bitCount <= 8) {
        palette = rows.colorTable();
        palette.resize(1 << bitCount, qRgb(0, 0, 0));
    }
    const qint64 stride = ((qint64(width) * bitCount + 31) / 32) * 4;
    const qint64 tableSize = masks565 ? 12 : qint64(palette.size()) * 4;
    const qint64 offset = 14 + 40 + tableSize;
    const qint64 fileSize = offset + stride * height;
    if (fileSize > 0xFFFFFFFFLL)
        throw EImageWriteError(QStringLiteral("Picture too large for a BMP file"));

    QByteArray out;
    out.reserve(qsizetype(fileSize));
    out.append("BM", 2);
    put32(out, quint32(fileSize));
    put32(out, 0);
    put32(out, quint32(offset));
    put32(out, 40);
    put32(out, quint32(width));
    put32(out, quint32(height));   // positive: rows bottom-up
    put16(out, 1);
    put16(out, quint16(bitCount));
    put32(out, masks565 ? 3 : 0);
    put32(out, quint32(stride * height));
    put32(out, quint32(qMax(0, image.dotsPerMeterX())));
    put32(out, quint32(qMax(0, image.dotsPerMeterY())));
    put32(out, bitCount <= 8 ? quint32(palette.size()) : 0);
    put32(out, 0);
    if (masks565) {
        put32(out, 0xF800);
        put32(out, 0x07E0);
        put32(out, 0x001F);
    }
    for (QRgb c : palette) {
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append(char(0));
    }
    QByteArray row(qsizetype(stride), '\0');
    for (int y = height - 1; y >= 0; --y) {
        const uchar* src = rows.constScanLine(y);
        if (bitCount == 4) {
            row.fill('\0');
            for (int x = 0; x < width; ++x)
                row[x / 2] = char(row[x / 2] | ((src[x] & 0x0F) << ((x & 1) ? 0 : 4)));
        } else {
            const qsizetype used = qsizetype((qint64(width) * bitCount + 7) / 8);
            std::memcpy(row.data(), src, size_t(used));
            if (bitCount == 32)
                for (int x = 0; x < width; ++x)
                    row[4 * x + 3] = 0;
        }
        out.append(row);
    }
    return out;
}

namespace {

// One comment segment holds at most 65533 bytes; a longer text is cut at a
// character boundary.
QByteArray jpegComment(const TImageTexts& texts)
{
    QStringList lines;
    for (const TImageText& text : texts)
        lines.append(text.Key + QStringLiteral(": ") + text.Value);
    QByteArray bytes = lines.join(u'\n').toUtf8();
    constexpr qsizetype MaxComment = 65533;
    if (bytes.size() > MaxComment) {
        qsizetype end = MaxComment;
        while (end > 0 && (uchar(bytes[end]) & 0xC0) == 0x80)   // inside a character
            --end;
        bytes.truncate(end);
    }
    return bytes;
}

} // namespace

QByteArray EncodeJpeg(const QImage& image, int quality, const TImageTexts& texts)
{
    requireImage(image);
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const QByteArray comment = jpegComment(texts);
    JpegJob job{&rgb, qBound(1, quality, 100), &comment, nullptr, 0, {0}};
    const bool ok = compressJpeg(&job);
    QByteArray out;
    if (ok)
        out = QByteArray(reinterpret_cast<const char*>(job.output), qsizetype(job.outputSize));
    std::free(job.output);
    if (!ok)
        throw EImageWriteError(QStringLiteral("JPEG encoding failed: %1").arg(QString::fromLocal8Bit(job.message)));
    return out;
}

QByteArray EncodePng(const QImage& image, const TImageTexts& texts)
{
    requireImage(image);
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QByteArray out;
    PngJob job{&rgb, &texts, &out, {0}};
    if (!compressPng(&job))
        throw EImageWriteError(QStringLiteral("PNG encoding failed: %1").arg(QString::fromLocal8Bit(job.message)));
    return out;
}

namespace {

// Encodes, then writes; any failure names the file.
template <typename Encode>
void encodeAndWrite(const QString& path, Encode encode)
{
    QByteArray data;
    try {
        data = encode();
    } catch (const EImageWriteError& error) {
        throw EImageWriteError(QStringLiteral("Cannot write image file \"%1\": %2").arg(path, QString::fromUtf8(error.what())));
    }
    writeFile(data, path);
}

} // namespace

void WriteBmpFile(const QImage& image, const QString& path)
{
    encodeAndWrite(path, [&] { return EncodeBmp(image); });
}

void WriteJpegFile(const QImage& image, const QString& path, int quality, const TImageTexts& texts)
{
    encodeAndWrite(path, [&] { return EncodeJpeg(image, quality, texts); });
}

void WritePngFile(const QImage& image, const QString& path, const TImageTexts& texts)
{
    encodeAndWrite(path, [&] { return EncodePng(image, texts); });
}
