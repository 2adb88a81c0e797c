#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <stdexcept>

// Writing pictures to files: uncompressed BMP, baseline colour JPEG through
// libjpeg and 24-bit PNG through libpng. Each file is written under a
// temporary name and renamed when complete, so a failed write never leaves a
// half-written file under the target name (an existing file stays as it was).
// A target file or folder without any write permission bit is refused, even
// for root.

// Raised when a picture cannot be encoded or its file cannot be written.
class EImageWriteError : public std::runtime_error
{
public:
    explicit EImageWriteError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// A key and its text stored with a picture: PNG files carry one text chunk
// per entry (tEXt, or UTF-8 iTXt when the text is not Latin-1); JPEG files
// one comment segment (COM) of "Key: text" lines in UTF-8. BMP has no place
// for them.
struct TImageText
{
    QString Key;
    QString Value;
};
using TImageTexts = QList<TImageText>;

void WriteBmpFile(const QImage& image, const QString& path);
void WriteJpegFile(const QImage& image, const QString& path, int quality = 90, const TImageTexts& texts = {});
void WritePngFile(const QImage& image, const QString& path, const TImageTexts& texts = {});

// The encoders behind the writers. bitCount 0 keeps the image's own layout
// (1, 8, 16, 32 bits where the image has it, otherwise 24); 4 packs an indexed
// image of at most 16 colours into 4 bits.
QByteArray EncodeBmp(const QImage& image, int bitCount = 0);
QByteArray EncodeJpeg(const QImage& image, int quality = 90, const TImageTexts& texts = {});
QByteArray EncodePng(const QImage& image, const TImageTexts& texts = {});
