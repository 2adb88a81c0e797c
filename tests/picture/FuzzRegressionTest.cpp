#include "picture/EInvalidGraphic.h"
#include "picture/TSafetyBitmap.h"
#include "picture/TSafetyJPEGImage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

// Loads as a bitmap and as a JPEG (decoding at every scale); returns how many
// of the attempts ended cleanly: loaded, or refused with the picture errors.
int cleanOutcomes(QByteArray data)
{
    int clean = 0;
    {
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        TSafetyBitmap bitmap;
        try {
            bitmap.LoadFromStream(buffer);
            clean += !bitmap.Empty();
        } catch (const EInvalidGraphic&) {
            ++clean;
        } catch (const EReadError&) {
            ++clean;
        }
    }
    for (TJpegScale scale : {TJpegScale::FullSize, TJpegScale::Half, TJpegScale::Quarter, TJpegScale::Eighth}) {
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        TSafetyJPEGImage jpeg;
        try {
            jpeg.LoadFromStream(buffer);
            jpeg.SetScale(scale);
            clean += jpeg.Bitmap().width() == jpeg.Width();
        } catch (const EInvalidGraphic&) {
            ++clean;
        }
    }
    return clean;
}

} // namespace

TEST(FuzzRegressions, EveryKeptInputEndsCleanly)
{
    const QDir dir(QStringLiteral(PELLUMO_PICTURE_REGRESSIONS));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files)
        EXPECT_EQ(cleanOutcomes(contents(dir.filePath(name))), 5) << name.toStdString();
}
