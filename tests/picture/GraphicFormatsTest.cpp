#include "picture/EInvalidGraphic.h"
#include "picture/TGraphicFormats.h"
#include "picture/TMetafile.h"
#include "picture/TPictureEx.h"
#include "picture/TSafetyBitmap.h"
#include "picture/TSafetyJPEGImage.h"
#include "picture/UErrorPicture.h"
#include "picture/UImageWriter.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

} // namespace

TEST(GraphicFormats, BuiltInExtensionsIgnoreCase)
{
    EXPECT_NE(dynamic_cast<TSafetyBitmap*>(TGraphicFormats::CreateForFile("a/b/scene.Bmp").get()), nullptr);
    EXPECT_NE(dynamic_cast<TSafetyJPEGImage*>(TGraphicFormats::CreateForFile("x.jpg").get()), nullptr);
    EXPECT_NE(dynamic_cast<TSafetyJPEGImage*>(TGraphicFormats::CreateForFile("x.JPEG").get()), nullptr);
    EXPECT_EQ(TGraphicFormats::CreateForFile("x.png"), nullptr);
    EXPECT_EQ(TGraphicFormats::Description("bmp"), QStringLiteral("Bitmaps"));
    EXPECT_EQ(TGraphicFormats::Description("JPG"), QStringLiteral("JPEG Image"));
}

TEST(GraphicFormats, LatestRegistrationWinsAndUnregisterRemoves)
{
    TGraphicFormats::Register("pmf", "Pellumo metafile", [] { return std::unique_ptr<TGraphic>(new TMetafile); });
    TGraphicFormats::Register("PMF", "Bitmap in disguise", [] { return std::unique_ptr<TGraphic>(new TSafetyBitmap); });
    EXPECT_NE(dynamic_cast<TSafetyBitmap*>(TGraphicFormats::CreateForFile("a.pmf").get()), nullptr);
    EXPECT_EQ(TGraphicFormats::Description("pmf"), QStringLiteral("Bitmap in disguise"));
    TGraphicFormats::Unregister("Pmf");
    EXPECT_EQ(TGraphicFormats::CreateForFile("a.pmf"), nullptr);
}

TEST(GraphicFormats, PictureLoadsBitmapFilesAndRefusesBadOnes)
{
    QTemporaryDir dir;
    QImage image(6, 4, QImage::Format_BGR888);
    image.fill(QColor(1, 2, 3));
    writeFile(dir.filePath("good.BMP"), EncodeBmp(image));
    writeFile(dir.filePath("bad.bmp"), QByteArray("BX not a bitmap"));
    TPictureEx picture;
    picture.LoadFromFile(dir.filePath("good.BMP"));
    ASSERT_NE(dynamic_cast<TSafetyBitmap*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Bitmap().Image().pixelColor(5, 3), QColor(1, 2, 3));
    EXPECT_THROW(picture.LoadFromFile(dir.filePath("bad.bmp")), EInvalidGraphic);
    EXPECT_EQ(picture.Width(), 6);
    // Saving writes the graphic in its own format.
    picture.SaveToFile(dir.filePath("copy.bmp"));
    TPictureEx copy;
    copy.LoadFromFile(dir.filePath("copy.bmp"));
    EXPECT_EQ(copy.Bitmap().Image(), picture.Bitmap().Image());
}

TEST(MetafileStream, RoundTripKeepsSizeAndDrawing)
{
    const TGraphic& error = *ErrorPicture().Graphic();
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    error.SaveToStream(buffer);
    buffer.seek(0);
    TMetafile loaded;
    loaded.LoadFromStream(buffer);
    EXPECT_EQ(loaded.Width(), error.Width());
    EXPECT_EQ(loaded.Height(), error.Height());
    TSafetyBitmap a, b;
    a.Assign(error);
    b.Assign(loaded);
    EXPECT_EQ(a.Image(), b.Image());
    QBuffer garbage;
    garbage.setData("\x01\x02");
    garbage.open(QIODevice::ReadOnly);
    EXPECT_THROW(loaded.LoadFromStream(garbage), EInvalidGraphic);
}
