// Files made to hurt: each is refused, or served with the right frames, in
// bounded time and memory. Every file is made here from a fixture.

#include "TDecoderTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace DecoderTest;
using PellumoFixture::FixturePath;
using PellumoFixture::ReadFrameNumber;

namespace {

// A fixture with every frame from the 11th on passed through damage, the
// last one too unless keepLast.
template <typename Damage>
QByteArray WithLaterFramesDamaged(const char* fixture, Damage damage, bool keepLast = false)
{
    return WithFramesDamaged(fixture, damage, 10, keepLast ? -1 : 0);
}

// Makes the last frame's chunk longer by bytes zeros after its picture (so
// that the decoder takes its size for real), keeping the AVI consistent.
void PadLastFrame(QByteArray& avi, quint32 bytes)
{
    const qsizetype data = FrameChunks(avi).back();
    const quint32 size = ChunkSize(avi, data);
    avi.insert(data + size, QByteArray(qsizetype(bytes), '\0'));
    const auto grow = [&](qsizetype at) {
        qToLittleEndian<quint32>(qFromLittleEndian<quint32>(avi.constData() + at) + bytes, avi.data() + at);
    };
    grow(data - 4);                   // the chunk
    grow(avi.indexOf("movi") - 4);    // LIST movi
    grow(4);                          // RIFF
    const qsizetype idx1 = avi.lastIndexOf("idx1");
    const quint32 entries = qFromLittleEndian<quint32>(avi.constData() + idx1 + 4) / 16;
    grow(idx1 + 8 + 16 * (entries - 1) + 12); // its index entry
}

long PeakResidentKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Opens path; a FIFO it would block on is released after a while so that
// the test ends either way (released() then says so).
class TGuardedOpen
{
public:
    explicit TGuardedOpen(const QString& fifo) : fifo(QFile::encodeName(fifo))
    {
        watchdog = std::thread([this] {
            for (int i = 0; i < 400 && !done; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (done)
                return;
            released = true;
            const int writer = ::open(this->fifo.constData(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                ::close(writer);
        });
    }
    ~TGuardedOpen()
    {
        done = true;
        watchdog.join();
    }
    bool Released() const { return released; }

private:
    QByteArray fifo;
    std::atomic<bool> done {false};
    std::atomic<bool> released {false};
    std::thread watchdog;
};

} // namespace

// Playlists, concat lists and other files that name further files are not
// opened, whatever they are called: one naming itself made memory grow
// without end, one naming a FIFO blocked for ever.
TEST(THostileVideoTest, FilesThatNameOtherFilesAreRefused)
{
    QTemporaryDir folder;
    const QString fifo = folder.filePath("fifo.ts");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const std::vector<std::pair<QString, QByteArray>> files = {
        {"self.avi", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nself.avi\n"},
        {"fifo.mp4", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nfifo.ts\n"},
        {"list.mpg", "ffconcat version 1.0\nfile fifo.ts\nduration 10\n"},
        {"frame.avi", "file 'fifo.ts'\n"},
    };
    for (const auto& [name, content] : files) {
        const QString path = WriteFile(folder, name, content);
        const TGuardedOpen guard(fifo);
        TMovieDecoder decoder;
        EXPECT_FALSE(decoder.Open(path)) << name.toStdString();
        EXPECT_EQ(decoder.OpenError(), TOpenError::Unreadable) << name.toStdString();
        EXPECT_FALSE(guard.Released()) << name.toStdString() << " blocked on the FIFO";
    }
}

// From the 11th frame on, pictures of 16000 x 16000 pixels: they are not
// decoded (the size limit of the open holds for every frame), so those
// positions fail instead of allocating gigabytes or showing frame 10 again.
TEST(THostileVideoTest, OversizedFramesInTheMiddleAreNotDelivered)
{
    QByteArray avi = WithLaterFramesDamaged("mjpeg.avi", [](char* data, quint32 size) {
        const QByteArray frame = QByteArray::fromRawData(data, qsizetype(size));
        const qsizetype sof = frame.indexOf("\xFF\xC0");
        ASSERT_GT(sof, 0);
        qToBigEndian<quint16>(16000, data + sof + 5); // height
        qToBigEndian<quint16>(16000, data + sof + 7); // width
    });
    // The decoder refuses a picture of that size in a small packet.
    PadLastFrame(avi, 1100000);
    QTemporaryDir folder;
    const QString path = WriteFile(folder, "huge.avi", avi);
    const long peakBefore = PeakResidentKiB();
    TMovieDecoder decoder;
    ASSERT_TRUE(decoder.Open(path));
    ASSERT_TRUE(decoder.FetchFrame(200));
    EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 5);
    for (int position : {440, 800, decoder.Duration() - 1, 1000})
        EXPECT_FALSE(decoder.FetchFrame(position)) << position;
    EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 5);
    EXPECT_EQ(decoder.FrameBitmap().Width(), 160);
    // One such picture alone takes 384 MiB.
    EXPECT_LT(PeakResidentKiB() - peakBefore, 256 * 1024);
}

// Damaged frames from the 11th on: their positions fail, they do not show
// the 10th frame as theirs. MJPEG goes through FFmpeg; Cinepak through the
// AVI back end, which takes the picture size from the last frame at open,
// so there the last frame stays whole.
TEST(THostileVideoTest, DamagedFramesDoNotRepeatTheLastGoodOne)
{
    struct TCase
    {
        const char* fixture;
        bool keepLast;
    };
    for (const TCase& row : {TCase{"mjpeg.avi", false}, TCase{"cinepak.avi", true}}) {
        SCOPED_TRACE(row.fixture);
        const auto fill = [](char* data, quint32 size) { std::fill(data, data + size, '\x11'); };
        const QByteArray avi = WithLaterFramesDamaged(row.fixture, fill, row.keepLast);
        QTemporaryDir folder;
        TMovieDecoder decoder;
        ASSERT_TRUE(decoder.Open(WriteFile(folder, "damaged.avi", avi)));
        for (int position = 0; position < 400; position += 40) {
            ASSERT_TRUE(decoder.FetchFrame(position)) << position;
            EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), position / 40);
        }
        const int last = decoder.Duration() - 1;
        for (int position : {400, 440, 1000, last - 40, 480})
            EXPECT_FALSE(decoder.FetchFrame(position)) << position;
        EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 9);
        // A whole frame after damaged ones decodes (with their faults, as a
        // player shows it).
        EXPECT_EQ(decoder.FetchFrame(last), row.keepLast);
        ASSERT_TRUE(decoder.FetchFrame(0));
        EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 0);
        EXPECT_FALSE(decoder.FetchFrame(1200));
    }
}

// Timestamps claiming more than 2^31 ms (about 24.8 days): refused by both
// back ends, instead of a negative duration.
TEST(THostileVideoTest, DurationBeyond32BitMillisecondsIsRefused)
{
    QByteArray avi = ReadFixture("mjpeg.avi");
    const qsizetype strh = avi.indexOf("strh");
    ASSERT_GT(strh, 0);
    qToLittleEndian<quint32>(3000000, avi.data() + strh + 8 + 20); // dwScale: 3,000,000 s a frame
    qToLittleEndian<quint32>(1, avi.data() + strh + 8 + 24);       // dwRate
    QTemporaryDir folder;
    TMovieDecoder decoder;
    EXPECT_FALSE(decoder.Open(WriteFile(folder, "long.avi", avi)));
    EXPECT_EQ(decoder.OpenError(), TOpenError::TooLong);
    EXPECT_EQ(decoder.Duration(), -1);
}

// An AVI whose index lists only empty frames has nothing to show.
TEST(THostileVideoTest, AviIndexWithoutFrameDataIsRefused)
{
    QByteArray avi = ReadFixture("msvideo1.avi");
    const qsizetype idx1 = avi.lastIndexOf("idx1");
    ASSERT_GT(idx1, 0);
    const quint32 entries = qFromLittleEndian<quint32>(avi.constData() + idx1 + 4) / 16;
    ASSERT_EQ(entries, 50u);
    for (quint32 i = 0; i < entries; ++i)
        qToLittleEndian<quint32>(0, avi.data() + idx1 + 8 + 16 * i + 12);
    QTemporaryDir folder;
    TMovieDecoder decoder;
    EXPECT_FALSE(decoder.Open(WriteFile(folder, "empty_index.avi", avi)));
    EXPECT_FALSE(decoder.Active());
}

// Inputs that once crashed the fuzz target: refused or served, nothing more.
TEST(THostileVideoTest, FuzzRegressionInputsEndCleanly)
{
    const QDir folder(PELLUMO_DECODER_REGRESSION_DIR);
    const QStringList inputs = folder.entryList(QDir::Files);
    ASSERT_FALSE(inputs.isEmpty());
    for (const QString& input : inputs) {
        TMovieDecoder decoder;
        if (!decoder.Open(folder.filePath(input)))
            continue;
        for (int position : {decoder.Duration() - 1, 0, decoder.Duration() / 2}) {
            if (decoder.FetchFrame(position)) {
                EXPECT_EQ(decoder.FrameBitmap().Width(), decoder.FrameWidth()) << input.toStdString();
            }
        }
    }
}
