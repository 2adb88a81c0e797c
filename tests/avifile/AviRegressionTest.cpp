#include "avifile/AviTestSupport.h"

#include "decoder/UAviBackend.h"
#include "picture/TSafetyBitmap.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace avifile;
using namespace avitest;

// Inputs the fuzz target once stumbled on (fuzz/avifile) go through the same
// path again: open, every stream, the frames the back end asks for, and the
// BMP reader. They must be refused or served with whole DIBs.
TEST(AviRegression, FuzzInputsAreRefusedOrServedSafely)
{
    const QDir folder(QStringLiteral(PELLUMO_AVI_REGRESSION_DIR));
    const QStringList inputs = folder.entryList(QDir::Files);
    ASSERT_FALSE(inputs.isEmpty());
    for (const QString& name : inputs) {
        SCOPED_TRACE(name.toStdString());
        QFile input(folder.filePath(name));
        ASSERT_TRUE(input.open(QIODevice::ReadOnly));
        PAVIFILE file = OpenBytes(input.readAll());
        TAviFileInfo info;
        if (AVIFileInfo(file, info) != 0)
            continue;
        EXPECT_LE(info.dwStreams, 100u);
        for (int i = 0; i < int(info.dwStreams); ++i) {
            PAVISTREAM stream;
            if (AVIFileGetStream(file, stream, 0, i) != 0)
                continue;
            PGETFRAME server = AVIStreamGetFrameOpen(stream);
            const int first = AVIStreamStart(stream);
            for (int n = 0; server && n < std::min(AVIStreamLength(stream), 50); ++n) {
                const QByteArrayView dib = AVIStreamGetFrame(server, first + n);
                if (dib.isEmpty())
                    continue;
                QBuffer bitmapFile;
                ASSERT_TRUE(TAviBackend::BuildBitmapFileStream(dib, bitmapFile));
                TSafetyBitmap bitmap;
                try {
                    bitmap.LoadFromStream(bitmapFile);
                } catch (...) {
                }
            }
        }
    }
}
