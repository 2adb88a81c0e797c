// The delivered picture is the frame as a player shows it: upright by the
// display matrix, in square pixels, in sRGB/BT.709 colours with HDR tone-
// mapped. The videos are made here with the ffmpeg program; the command
// line's own pictures are the reference where it has one.

#include "TDecoderTestSupport.h"

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <array>

namespace {

using PellumoFixture::FixturePath;

QTemporaryDir& Folder()
{
    static QTemporaryDir folder;
    return folder;
}

QString Made(const QString& name)
{
    return Folder().filePath(name);
}

bool RunFfmpeg(QStringList arguments)
{
    arguments.prepend(QStringLiteral("-y"));
    arguments.prepend(QStringLiteral("error"));
    arguments.prepend(QStringLiteral("-loglevel"));
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), arguments);
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

// The first frame as the ffmpeg program writes it (display matrix applied,
// sample aspect kept), after the filters given.
QImage CommandLinePicture(const QString& video, const QString& filters = {})
{
    const QString picture = video + QStringLiteral(".reference.png");
    QStringList arguments{"-i", video, "-frames:v", "1"};
    if (!filters.isEmpty())
        arguments << "-vf" << filters;
    arguments << "-pix_fmt" << "rgb24" << picture;
    return RunFfmpeg(arguments) ? QImage(picture).convertToFormat(QImage::Format_RGB888) : QImage();
}

QImage DecodedPicture(const QString& video, int position = 0)
{
    TMovieDecoder decoder;
    if (!decoder.Open(video) || !decoder.FetchFrame(position))
        return {};
    return decoder.FrameBitmap().Image().convertToFormat(QImage::Format_RGB888);
}

// Rewrites the track header's matrix of an MP4 file (what phones write to
// record upright): a, b, c, d in whole numbers, no translation.
bool SetTrackMatrix(const QString& path, std::array<int, 4> abcd)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    const qsizetype box = bytes.indexOf("tkhd");
    if (box < 0)
        return false;
    const qsizetype matrix = box + (bytes.at(box + 4) == 0 ? 44 : 56);
    const std::array<qint32, 9> values{abcd[0] << 16, abcd[1] << 16, 0, abcd[2] << 16, abcd[3] << 16, 0, 0, 0,
                                       0x40000000};
    for (size_t i = 0; i < values.size(); ++i)
        qToBigEndian(values[i], bytes.data() + matrix + 4 * qsizetype(i));
    return file.seek(0) && file.write(bytes) == bytes.size();
}

// Which corner the bright marker lies in: 0 top left, 1 top right, 2 bottom
// right, 3 bottom left; -1 when no corner alone is bright.
int MarkerCorner(const QImage& picture)
{
    const int w = picture.width();
    const int h = picture.height();
    const std::array<QPoint, 4> corners{QPoint(4, 4), QPoint(w - 5, 4), QPoint(w - 5, h - 5), QPoint(4, h - 5)};
    int found = -1;
    for (int i = 0; i < 4; ++i)
        if (qGray(picture.pixel(corners[i])) > 128) {
            if (found >= 0)
                return -1;
            found = i;
        }
    return found;
}

struct TOrientationCase
{
    const char* name;
    std::array<int, 4> matrix; // a b c d of the track header
    int corner;                // where the marker, stored top left, is shown
    bool turned;               // sides swapped
};

class TOrientationTest : public testing::TestWithParam<TOrientationCase>
{
};

} // namespace

TEST_P(TOrientationTest, MarkerLandsInTheCornerAPlayerShows)
{
    const TOrientationCase& sample = GetParam();
    const QString video = Made(QStringLiteral("turn_%1.mp4").arg(sample.name));
    ASSERT_TRUE(RunFfmpeg({"-f", "lavfi", "-i",
                           "color=c=black:s=96x48:r=25:d=0.4,drawbox=x=0:y=0:w=24:h=24:color=white:t=fill", "-c:v",
                           "libx264", "-pix_fmt", "yuv420p", video}));
    ASSERT_TRUE(SetTrackMatrix(video, sample.matrix));

    const QImage shown = DecodedPicture(video);
    const QSize expectedSize = sample.turned ? QSize(48, 96) : QSize(96, 48);
    ASSERT_EQ(shown.size(), expectedSize);
    EXPECT_EQ(MarkerCorner(shown), sample.corner);
    const QImage reference = CommandLinePicture(video);
    ASSERT_EQ(reference.size(), expectedSize);
    EXPECT_EQ(MarkerCorner(reference), sample.corner);

    TMovieDecoder stored;
    stored.SetStoredPixels(true);
    ASSERT_TRUE(stored.Open(video));
    EXPECT_EQ(QSize(stored.FrameWidth(), stored.FrameHeight()), QSize(96, 48));
    EXPECT_EQ(MarkerCorner(stored.FrameBitmap().Image()), 0);
}

INSTANTIATE_TEST_SUITE_P(Matrices, TOrientationTest,
                         testing::Values(TOrientationCase{"upright", {1, 0, 0, 1}, 0, false},
                                         TOrientationCase{"rotate90", {0, 1, -1, 0}, 1, true},
                                         TOrientationCase{"rotate180", {-1, 0, 0, -1}, 2, false},
                                         TOrientationCase{"rotate270", {0, -1, 1, 0}, 3, true},
                                         TOrientationCase{"mirrored", {-1, 0, 0, 1}, 1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

struct TAspectCase
{
    const char* name;
    QStringList encoding; // empty: the PAL DV fixture
    QSize shown;
};

void PrintTo(const TAspectCase& sample, std::ostream* out)
{
    *out << sample.name;
}

class TAspectTest : public testing::TestWithParam<TAspectCase>
{
};

} // namespace

TEST_P(TAspectTest, StoredPixelsWidenToSquarePixelsAtTheSameHeight)
{
    const TAspectCase& sample = GetParam();
    QString video = FixturePath("dv.dv");
    if (!sample.encoding.isEmpty()) {
        video = Made(sample.name);
        ASSERT_TRUE(RunFfmpeg(QStringList{"-i", FixturePath("mpeg4.avi"), "-t", "0.4"} + sample.encoding << video));
    }
    TMovieDecoder decoder;
    ASSERT_TRUE(decoder.Open(video));
    EXPECT_EQ(QSize(decoder.FrameWidth(), decoder.FrameHeight()), sample.shown);
    ASSERT_TRUE(decoder.FetchFrame(0));
    EXPECT_EQ(decoder.FrameBitmap().Image().size(), sample.shown);
    EXPECT_EQ(PellumoFixture::ReadFrameNumber(decoder.FrameBitmap().Image()), 0);
    EXPECT_FALSE(decoder.PictureCorrection().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Aspects, TAspectTest,
    testing::Values(
        // 720 × 32 / 27 = 853.3: the nearest even width.
        TAspectCase{"dvd_16x9.mpg", {"-vf", "scale=720:480,setsar=32/27", "-c:v", "mpeg2video", "-q:v", "2"}, {854, 480}},
        TAspectCase{"dvd_4x3.mpg", {"-vf", "scale=720:480,setsar=8/9", "-c:v", "mpeg2video", "-q:v", "2"}, {640, 480}},
        TAspectCase{"pal_dv", {}, {768, 576}},
        // An aspect in an AVI file's stream header, read through FFmpeg.
        TAspectCase{"aspect.avi", {"-vf", "setsar=12/11", "-c:v", "mpeg4", "-q:v", "2"}, {174, 120}}),
    [](const auto& info) { return QString(info.param.name).section('.', 0, 0).toStdString(); });

namespace {

// The seven upper bars of the SMPTE pattern: grey, yellow, cyan, green,
// magenta, red, blue; each one's mean colour near the middle of its top.
std::array<QColor, 7> Bars(const QImage& picture)
{
    std::array<QColor, 7> bars;
    for (int i = 0; i < 7; ++i) {
        const int cx = int((i + 0.5) * picture.width() / 7);
        const int cy = picture.height() / 3;
        int r = 0, g = 0, b = 0;
        for (int y = cy - 2; y <= cy + 2; ++y)
            for (int x = cx - 2; x <= cx + 2; ++x) {
                const QRgb pixel = picture.pixel(x, y);
                r += qRed(pixel), g += qGreen(pixel), b += qBlue(pixel);
            }
        bars[i] = QColor(r / 25, g / 25, b / 25);
    }
    return bars;
}

double HueDistance(const QColor& a, const QColor& b)
{
    const double d = std::abs(a.hsvHueF() - b.hsvHueF()) * 360;
    return std::min(d, 360 - d);
}

enum class TExpected { Original, ToneMapped };

struct TColourCase
{
    const char* name;
    QString filters;      // from the SDR bars (BT.601, limited range)
    QStringList encoding; // codec and the colour tags written
    TExpected expected;
    int tolerance = 8; // per channel, against the original
};

const QStringList X264 = {"-c:v", "libx264", "-preset", "ultrafast", "-qp", "4"};
const QStringList X265 = {"-c:v", "libx265", "-preset", "ultrafast", "-x265-params", "log-level=0:lossless=1"};
const QString FromBars = QStringLiteral("zscale=tin=bt709:pin=bt709:min=170m:rin=tv:r=tv:t=bt709:p=bt709:");

QStringList Tags(const char* matrix, const char* primaries = "bt709", const char* transfer = "bt709")
{
    return {"-colorspace", matrix, "-color_primaries", primaries, "-color_trc", transfer};
}

void PrintTo(const TColourCase& sample, std::ostream* out)
{
    *out << sample.name;
}

class TColourTest : public testing::TestWithParam<TColourCase>
{
};

} // namespace

TEST_P(TColourTest, BarsKeepTheirColours)
{
    const TColourCase& sample = GetParam();
    const QString bars = QStringLiteral("smptebars=s=320x240:r=25:d=0.2");
    const QString video = Made(QStringLiteral("%1.mkv").arg(sample.name));
    ASSERT_TRUE(RunFfmpeg(QStringList{"-f", "lavfi", "-i", bars, "-vf", sample.filters} + sample.encoding << video));
    const QString original = Made(QStringLiteral("bars.png"));
    ASSERT_TRUE(RunFfmpeg({"-f", "lavfi", "-i", bars, "-frames:v", "1", original}));

    const std::array<QColor, 7> shown = Bars(DecodedPicture(video).scaled(320, 240));
    const std::array<QColor, 7> sdr = Bars(QImage(original));
    if (sample.expected == TExpected::Original) {
        for (int i = 0; i < 7; ++i)
            for (auto channel : {&QColor::red, &QColor::green, &QColor::blue})
                EXPECT_NEAR((shown[i].*channel)(), (sdr[i].*channel)(), sample.tolerance) << "bar " << i;
        return;
    }
    const std::array<QColor, 7> toneMapped = Bars(CommandLinePicture(
        video, "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:desat=0,"
               "zscale=t=bt709:r=pc,format=gbrp"));
    for (int i = 0; i < 7; ++i) {
        if (sdr[i].hsvSaturationF() > 0.5)
            EXPECT_LT(HueDistance(shown[i], sdr[i]), 8) << "bar " << i;
        EXPECT_NEAR(shown[i].hsvSaturationF(), toneMapped[i].hsvSaturationF(), 0.06) << "bar " << i;
        EXPECT_NEAR(shown[i].value(), toneMapped[i].value(), 10) << "bar " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Matrices, TColourTest,
    testing::Values(
        TColourCase{"bt601", "format=yuv420p", X264 + Tags("smpte170m", "smpte170m", "smpte170m"), TExpected::Original},
        TColourCase{"bt709", FromBars + "m=709,format=yuv420p", X264 + Tags("bt709"), TExpected::Original},
        TColourCase{"fcc", FromBars + "m=fcc,format=yuv420p", X264 + Tags("fcc"), TExpected::Original},
        TColourCase{"smpte240m", FromBars + "m=smpte2400m,format=yuv420p", X264 + Tags("smpte240m"),
                    TExpected::Original},
        // Unspecified: BT.709 from 720 lines up, BT.601 below.
        TColourCase{"unspecified_hd", FromBars + "m=709:w=1280:h=720,format=yuv420p", X264, TExpected::Original},
        TColourCase{"unspecified_sd", "format=yuv420p", X264, TExpected::Original},
        TColourCase{"bt709_422_10bit", FromBars + "m=709,format=yuv422p10le", X264 + Tags("bt709"),
                    TExpected::Original},
        TColourCase{"bt709_444_12bit", FromBars + "m=709,format=yuv444p12le", X265 + Tags("bt709"),
                    TExpected::Original},
        TColourCase{"bt2020_sdr", FromBars + "m=2020_ncl:p=bt2020,format=yuv420p10le",
                    X265 + Tags("bt2020nc", "bt2020", "bt2020-10"), TExpected::Original, 16},
        TColourCase{"bt2020_cl", FromBars + "m=2020_cl:p=bt2020,format=yuv420p10le",
                    X265 + Tags("bt2020c", "bt2020", "bt2020-10"), TExpected::Original, 16},
        TColourCase{"hdr10_pq", FromBars + "t=smpte2084:m=2020_ncl:p=bt2020:npl=100,format=yuv420p10le",
                    X265 + Tags("bt2020nc", "bt2020", "smpte2084"), TExpected::ToneMapped},
        TColourCase{"hlg", FromBars + "t=arib-std-b67:m=2020_ncl:p=bt2020:npl=100,format=yuv420p10le",
                    X265 + Tags("bt2020nc", "bt2020", "arib-std-b67"), TExpected::ToneMapped}),
    [](const auto& info) { return std::string(info.param.name); });

// A variable frame rate: every frame is delivered at its own timestamp and
// steps to the next frame's.
TEST(TVariableFrameRateTest, EveryFrameAtItsOwnTimestamp)
{
    const QString video = Made(QStringLiteral("vfr.mp4"));
    ASSERT_TRUE(RunFfmpeg({"-i", FixturePath("h264_bframes.mp4"), "-vf", "settb=1/1000,setpts=N*40+mod(N*N\\,7)*5",
                           "-fps_mode", "passthrough", "-enc_time_base", "1/1000", "-video_track_timescale", "1000",
                           "-c:v", "libx264", "-preset", "veryfast", "-crf", "16", "-bf", "3", video}));
    const auto timeOf = [](int frame) { return frame * 40 + frame * frame % 7 * 5; };
    TMovieDecoder decoder;
    ASSERT_TRUE(decoder.Open(video));
    for (int frame : {0, 1, 2, 3, 57, 58, 99, 98, 30, 31, 32, 33, 34, 35, 36, 37, 5}) {
        ASSERT_TRUE(decoder.FetchFrame(timeOf(frame))) << frame;
        EXPECT_EQ(PellumoFixture::ReadFrameNumber(decoder.FrameBitmap()), frame) << "at " << timeOf(frame);
        EXPECT_EQ(decoder.FramePosition(), timeOf(frame));
    }
    ASSERT_TRUE(decoder.FetchFrame(timeOf(10)));
    for (int frame = 11; frame < 20; ++frame) {
        ASSERT_TRUE(decoder.NextFrame());
        EXPECT_EQ(PellumoFixture::ReadFrameNumber(decoder.FrameBitmap()), frame);
        EXPECT_EQ(decoder.FramePosition(), timeOf(frame));
    }
}
