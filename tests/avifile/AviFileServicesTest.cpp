#include "avifile/AviTestSupport.h"

#include "decoder/avifile/TAviFile.h"
#include "decoder/avifile/TAviStream.h"

#include <gtest/gtest.h>

using namespace avifile;
using namespace avitest;

TEST(AviFileServices, ReportsStreamsWithTypeAndPriority)
{
    TTestStream video = Solid24Stream(3);
    video.priority = 7;
    video.rate = 30000;
    video.scale = 1001;
    TTestStream audio;
    audio.type = "auds";
    audio.format = QByteArray(18, '\0');
    audio.chunkType = "wb";
    audio.frames = { QByteArray(10, '\1') };
    PAVIFILE file = OpenBytes(TTestAviWriter::Write({ audio, video }));
    ASSERT_TRUE(file);

    TAviFileInfo info;
    ASSERT_EQ(AVIFileInfo(file, info), 0);
    EXPECT_EQ(info.dwStreams, 2u);

    PAVISTREAM first;
    ASSERT_EQ(AVIFileGetStream(file, first, 0, 0), 0);
    TAviStreamInfo firstInfo;
    ASSERT_EQ(AVIStreamInfo(first, firstInfo), 0);
    EXPECT_EQ(firstInfo.fccType, streamtypeAUDIO);

    PAVISTREAM second;
    ASSERT_EQ(AVIFileGetStream(file, second, 0, 1), 0);
    TAviStreamInfo secondInfo;
    ASSERT_EQ(AVIStreamInfo(second, secondInfo), 0);
    EXPECT_EQ(secondInfo.fccType, streamtypeVIDEO);
    EXPECT_EQ(secondInfo.wPriority, 7);
    EXPECT_EQ(secondInfo.dwRate, 30000u);
    EXPECT_EQ(secondInfo.dwScale, 1001u);
    EXPECT_EQ(AVIStreamLength(second), 3);

    PAVISTREAM none;
    EXPECT_NE(AVIFileGetStream(file, none, 0, 2), 0);
    EXPECT_FALSE(none);
    EXPECT_EQ(AVIFileGetStream(file, none, streamtypeVIDEO, 0), 0);
    EXPECT_EQ(none->Info().fccType, streamtypeVIDEO);
}

TEST(AviFileServices, RefusesWhatIsNotAnAviFile)
{
    PAVIFILE file;
    EXPECT_NE(AVIFileOpen(file, QStringLiteral("/nonexistent/file.avi")), 0);
    EXPECT_FALSE(file);
    EXPECT_FALSE(OpenBytes(QByteArray()));
    EXPECT_FALSE(OpenBytes(QByteArray("RIFF\x04\0\0\0WAVE", 12)));
    QByteArray avi = TTestAviWriter::Write({ Solid24Stream(2) });
    avi[8] = 'X'; // form type
    EXPECT_FALSE(OpenBytes(avi));
}

TEST(AviFileServices, ServicesWithoutHandlesFail)
{
    PAVIFILE file;
    PAVISTREAM stream;
    TAviFileInfo fileInfo;
    TAviStreamInfo streamInfo;
    EXPECT_NE(AVIFileInfo(file, fileInfo), 0);
    EXPECT_NE(AVIFileGetStream(file, stream, 0, 0), 0);
    EXPECT_NE(AVIStreamInfo(stream, streamInfo), 0);
    EXPECT_EQ(AVIStreamLength(stream), -1);
    EXPECT_FALSE(AVIStreamGetFrameOpen(stream));
    EXPECT_TRUE(AVIStreamGetFrame(PGETFRAME(), 0).isEmpty());
}

TEST(AviFileServices, StreamKeepsTheFileAliveAfterRelease)
{
    PAVIFILE file = OpenBytes(TTestAviWriter::Write({ Solid24Stream(2) }));
    PAVISTREAM stream = VideoStream(file);
    AVIFileRelease(file);
    EXPECT_FALSE(file);
    PGETFRAME server = AVIStreamGetFrameOpen(stream);
    ASSERT_TRUE(server);
    EXPECT_FALSE(AVIStreamGetFrame(server, 1).isEmpty());
    AVIStreamGetFrameClose(server);
    EXPECT_FALSE(server);
}

TEST(AviTimeMapping, SampleContainingTheTimeRoundsDown)
{
    TTestStream video = Solid24Stream(1);
    video.rate = 25;
    PAVISTREAM stream = VideoStream(OpenBytes(TTestAviWriter::Write({ video })));
    ASSERT_TRUE(stream);
    EXPECT_EQ(AVIStreamTimeToSample(stream, 0), 0);
    EXPECT_EQ(AVIStreamTimeToSample(stream, 39), 0);
    EXPECT_EQ(AVIStreamTimeToSample(stream, 40), 1);
    EXPECT_EQ(AVIStreamTimeToSample(stream, 79), 1);
    EXPECT_EQ(AVIStreamTimeToSample(stream, -1), -1);
    EXPECT_EQ(AVIStreamTimeToSample(stream, -40), -1);
    EXPECT_EQ(AVIStreamTimeToSample(stream, -41), -2);
    EXPECT_EQ(AVIStreamSampleToTime(stream, 0), 0);
    EXPECT_EQ(AVIStreamSampleToTime(stream, 3), 120);
}

TEST(AviTimeMapping, SampleToTimeLandsInsideItsSample)
{
    TTestStream video = Solid24Stream(1);
    video.rate = 30000;
    video.scale = 1001;
    PAVISTREAM stream = VideoStream(OpenBytes(TTestAviWriter::Write({ video })));
    ASSERT_TRUE(stream);
    // 29.97 frames per second: frame 1 starts at 33.366... ms.
    EXPECT_EQ(AVIStreamSampleToTime(stream, 1), 34);
    EXPECT_EQ(AVIStreamTimeToSample(stream, 33), 0);
    EXPECT_EQ(AVIStreamTimeToSample(stream, 34), 1);
    for (int n = 0; n < 200000; n += 7)
        ASSERT_EQ(AVIStreamTimeToSample(stream, AVIStreamSampleToTime(stream, n)), n) << n;
}

TEST(AviTimeMapping, ExtremeRatesStayInsideThirtyTwoBits)
{
    TTestStream video = Solid24Stream(1);
    video.rate = 0xFFFFFFFF;
    video.scale = 1;
    PAVISTREAM stream = VideoStream(OpenBytes(TTestAviWriter::Write({ video })));
    ASSERT_TRUE(stream);
    EXPECT_EQ(AVIStreamTimeToSample(stream, std::numeric_limits<int>::max()), std::numeric_limits<int>::max());
    EXPECT_EQ(AVIStreamTimeToSample(stream, std::numeric_limits<int>::min()), std::numeric_limits<int>::min());

    video.rate = 1;
    video.scale = 0xFFFFFFFF;
    stream = VideoStream(OpenBytes(TTestAviWriter::Write({ video })));
    ASSERT_TRUE(stream);
    EXPECT_EQ(AVIStreamSampleToTime(stream, std::numeric_limits<int>::max()), std::numeric_limits<int>::max());
    EXPECT_EQ(AVIStreamTimeToSample(stream, std::numeric_limits<int>::max()), 0);
}

TEST(AviTimeMapping, StreamWithoutRateIsRefused)
{
    TTestStream video = Solid24Stream(2);
    video.rate = 0;
    PAVIFILE file = OpenBytes(TTestAviWriter::Write({ video }));
    ASSERT_TRUE(file);
    PAVISTREAM stream;
    EXPECT_NE(AVIFileGetStream(file, stream, 0, 0), 0);
    EXPECT_FALSE(stream);
}

TEST(AviTimeMapping, StartShiftsTheSampleNumbers)
{
    TTestStream video = Solid24Stream(3);
    video.start = 5;
    PAVISTREAM stream = VideoStream(OpenBytes(TTestAviWriter::Write({ video })));
    ASSERT_TRUE(stream);
    EXPECT_EQ(AVIStreamStart(stream), 5);
    EXPECT_EQ(AVIStreamLength(stream), 3);
    PGETFRAME server = AVIStreamGetFrameOpen(stream);
    ASSERT_TRUE(server);
    EXPECT_TRUE(AVIStreamGetFrame(server, 4).isEmpty());
    const auto first = ViewDib(AVIStreamGetFrame(server, 5));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->pixels.left(3), QByteArray("\x00\x00\xff", 3));
    EXPECT_FALSE(AVIStreamGetFrame(server, 7).isEmpty());
    EXPECT_TRUE(AVIStreamGetFrame(server, 8).isEmpty());
}
