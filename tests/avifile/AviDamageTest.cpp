#include "avifile/AviTestSupport.h"

#include "decoder/avifile/TAviStream.h"

#include <QtEndian>

#include <gtest/gtest.h>

using namespace avifile;
using namespace avitest;

namespace {

const TTestStream& Original()
{
    static const TTestStream stream = Solid24Stream(5, 5, 3);
    return stream;
}

// Opens a damaged file and asks for every frame (and the ones next to the
// range). Whatever is delivered must be a whole, self-consistent DIB holding
// exactly the frame that was written for that sample; returns how many were
// delivered, or -1 when the file did not open.
int DeliveredIntactFrames(const QByteArray& avi, bool mayRepeat = false)
{
    PAVIFILE file = OpenBytes(avi);
    if (!file)
        return -1;
    TAviFileInfo info;
    EXPECT_EQ(AVIFileInfo(file, info), 0);
    int delivered = 0;
    for (quint32 i = 0; i < info.dwStreams; ++i) {
        PAVISTREAM stream;
        if (AVIFileGetStream(file, stream, 0, int(i)) != 0 || stream->Info().fccType != streamtypeVIDEO)
            continue;
        PGETFRAME server = AVIStreamGetFrameOpen(stream);
        if (!server)
            continue;
        const int start = AVIStreamStart(stream);
        const int length = AVIStreamLength(stream);
        EXPECT_LE(length, 5);
        for (int s = start - 1; s <= start + std::min(length, 10); ++s) {
            const QByteArrayView dib = AVIStreamGetFrame(server, s);
            if (dib.isEmpty())
                continue;
            const auto view = ViewDib(dib);
            EXPECT_TRUE(view);
            if (!view)
                continue;
            EXPECT_EQ(qsizetype(40 + view->header.biClrUsed * 4 + view->header.biSizeImage), dib.size());
            const size_t frame = size_t(s - start);
            EXPECT_LT(frame, Original().frames.size());
            // A frame whose chunk became empty shows the one before it.
            bool matches = false;
            for (size_t earlier = 0; earlier <= frame && earlier < Original().frames.size(); ++earlier)
                matches = matches || ((earlier == frame || mayRepeat) && view->pixels == Original().frames[earlier]);
            EXPECT_TRUE(matches) << "sample " << s;
            ++delivered;
        }
    }
    return delivered;
}

std::vector<TTestIndex> AllIndexForms()
{
    return { TTestIndex::Idx1Relative, TTestIndex::Idx1Absolute, TTestIndex::None, TTestIndex::OpenDml };
}

QByteArray Patched32(QByteArray avi, qsizetype at, quint32 value)
{
    qToLittleEndian(value, avi.data() + at);
    return avi;
}

qsizetype FindChunk(const QByteArray& avi, const char* id)
{
    return avi.indexOf(QByteArray(id, 4));
}

} // namespace

TEST(AviDamage, IntactFileDeliversEveryFrame)
{
    for (TTestIndex index : AllIndexForms())
        EXPECT_EQ(DeliveredIntactFrames(TTestAviWriter::Write({ Original() }, index)), 5) << int(index);
}

TEST(AviDamage, TruncatedAtEveryByteNeverDeliversWrongFrames)
{
    for (TTestIndex index : AllIndexForms()) {
        const QByteArray avi = TTestAviWriter::Write({ Original() }, index);
        const qsizetype moviData = FindChunk(avi, "00db");
        for (qsizetype size = 0; size < avi.size(); ++size) {
            const int delivered = DeliveredIntactFrames(avi.left(size));
            // Without the whole header list there is nothing to open; after
            // it every frame whose chunk is complete is found.
            if (size < moviData - 12) {
                EXPECT_LE(delivered, 0) << size;
            } else if (index != TTestIndex::OpenDml) {
                const qsizetype chunkBytes = 8 + Original().frames[0].size();
                EXPECT_EQ(delivered, std::min<qsizetype>((size - moviData) / chunkBytes, 5)) << size;
            }
        }
    }
}

TEST(AviDamage, TruncationAtChunkBoundariesKeepsWholeFrames)
{
    const QByteArray avi = TTestAviWriter::Write({ Original() }, TTestIndex::Idx1Relative);
    const qsizetype idx1 = FindChunk(avi, "idx1");
    for (qsizetype boundary : TTestAviWriter::ChunkBoundaries(avi)) {
        const int delivered = DeliveredIntactFrames(avi.left(boundary));
        // Cut after the last frame the file still opens by walking its data.
        if (boundary >= idx1) {
            EXPECT_EQ(delivered, 5) << boundary;
        }
    }
}

TEST(AviDamage, ImpossibleChunkSizesAreCutBack)
{
    for (TTestIndex index : AllIndexForms()) {
        const QByteArray avi = TTestAviWriter::Write({ Original() }, index);
        for (qsizetype boundary : TTestAviWriter::ChunkBoundaries(avi)) {
            if (boundary + 8 > avi.size())
                continue;
            for (quint32 size : { 0xFFFFFFFFu, 0xFFFFFFFEu, 0x7FFFFFFFu, 0u, 1u, 3u }) {
                SCOPED_TRACE(testing::Message() << "index " << int(index) << " chunk " << avi.mid(boundary, 4).constData()
                                                << " at " << boundary << " size " << size);
                DeliveredIntactFrames(Patched32(avi, boundary + 4, size), size == 0);
            }
        }
    }
    // The outer RIFF size is often wrong in real files and does not matter.
    const QByteArray avi = TTestAviWriter::Write({ Original() });
    EXPECT_EQ(DeliveredIntactFrames(Patched32(avi, 4, 0xFFFFFFFF)), 5);
}

TEST(AviDamage, Idx1EntriesOutsideMoviAreNotDelivered)
{
    const QByteArray avi = TTestAviWriter::Write({ Original() }, TTestIndex::Idx1Relative);
    const qsizetype entries = FindChunk(avi, "idx1") + 8;
    // Entry 1 past the end of the file, entry 2 into the header list.
    QByteArray damaged = Patched32(avi, entries + 16 + 8, 0x7FFFFFF0);
    damaged = Patched32(damaged, entries + 32 + 8, quint32(FindChunk(avi, "strh") - FindChunk(avi, "movi")));
    PAVISTREAM stream = VideoStream(OpenBytes(damaged));
    ASSERT_TRUE(stream);
    EXPECT_EQ(AVIStreamLength(stream), 5);
    PGETFRAME server = AVIStreamGetFrameOpen(stream);
    ASSERT_TRUE(server);
    EXPECT_FALSE(AVIStreamGetFrame(server, 0).isEmpty());
    EXPECT_TRUE(AVIStreamGetFrame(server, 1).isEmpty());
    EXPECT_TRUE(AVIStreamGetFrame(server, 2).isEmpty());
    EXPECT_EQ(DeliveredIntactFrames(damaged), 3);
    // An entry whose size runs past the 'movi' list.
    EXPECT_EQ(DeliveredIntactFrames(Patched32(avi, entries + 64 + 12, 0xFFFFFF00)), 4);
}

TEST(AviDamage, HugeCountsAreNotTrusted)
{
    const QByteArray avi = TTestAviWriter::Write({ Original() }, TTestIndex::OpenDml);
    const qsizetype avih = FindChunk(avi, "avih") + 8;
    const qsizetype strh = FindChunk(avi, "strh") + 8;
    const qsizetype indx = FindChunk(avi, "indx") + 8;
    const qsizetype ix = FindChunk(avi, "ix00") + 8;
    // Stream count, total frames and stream length of the headers.
    EXPECT_EQ(DeliveredIntactFrames(Patched32(avi, avih + 24, 0xFFFFFFFF)), 5);
    EXPECT_EQ(DeliveredIntactFrames(Patched32(avi, avih + 16, 0xFFFFFFFF)), 5);
    EXPECT_EQ(DeliveredIntactFrames(Patched32(avi, strh + 32, 0xFFFFFFFF)), 5);
    // Index entry counts: the index is cut to what its chunk holds.
    EXPECT_EQ(DeliveredIntactFrames(Patched32(avi, indx + 4, 0xFFFFFFFF)), 5);
    EXPECT_EQ(DeliveredIntactFrames(Patched32(avi, ix + 4, 0xFFFFFFFF)), 5);
    // A super index whose entries all point at the same standard index
    // claims more frames than the file can hold and is not used.
    QByteArray repeated = Patched32(avi, indx + 4, 0xFFFFFFFF);
    EXPECT_EQ(DeliveredIntactFrames(repeated), 5);
}

TEST(AviDamage, ImpossiblePictureSizesHaveNoServer)
{
    for (auto [width, height] : { std::pair { 0, 3 }, { -5, 3 }, { 5, 0 }, { 0x7FFFFFFF, 3 }, { 5, int(0x80000000) },
                                  { 100000, 1 } }) {
        TTestStream video = Original();
        video.format = TTestAviWriter::BitmapInfo(width, height, 24);
        PAVISTREAM stream = VideoStream(OpenBytes(TTestAviWriter::Write({ video })));
        ASSERT_TRUE(stream);
        EXPECT_FALSE(AVIStreamGetFrameOpen(stream)) << width << "x" << height;
    }
    TTestStream video = Original();
    video.format = TTestAviWriter::BitmapInfo(5, 3, 8, 0, 0xFFFFFFFF);
    PGETFRAME server = AVIStreamGetFrameOpen(VideoStream(OpenBytes(TTestAviWriter::Write({ video }))));
    ASSERT_TRUE(server);
    const auto dib = ViewDib(AVIStreamGetFrame(server, 0));
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->header.biClrUsed, 256u);
}

TEST(AviDamage, FileWithoutFramesHasNothingToDeliver)
{
    TTestStream video = Original();
    video.frames.clear();
    for (TTestIndex index : AllIndexForms()) {
        PAVISTREAM stream = VideoStream(OpenBytes(TTestAviWriter::Write({ video }, index)));
        ASSERT_TRUE(stream);
        EXPECT_EQ(AVIStreamLength(stream), 0);
        PGETFRAME server = AVIStreamGetFrameOpen(stream);
        ASSERT_TRUE(server);
        EXPECT_TRUE(AVIStreamGetFrame(server, 0).isEmpty());
    }
}
