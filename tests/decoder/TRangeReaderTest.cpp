// The range reader gives every position the frame one movie decoder gives
// it, whether one decoder or two serve the list, in the order of the list.

#include "TDecoderTestSupport.h"

#include "decoder/TRangeReader.h"

using namespace DecoderTest;
using PellumoFixture::FixturePath;
using PellumoFixture::ReadFrameNumber;

namespace {

struct TDelivered
{
    int index;
    int position;
    bool fetched;
    int frame;
    int framePosition;
    bool operator==(const TDelivered&) const = default;
};

std::vector<TDelivered> ReadAll(TRangeReader& reader)
{
    std::vector<TDelivered> delivered;
    TRangeReader::TFrame frame;
    while (reader.Next(frame))
        delivered.push_back({frame.index, frame.position, frame.fetched,
                             frame.fetched ? ReadFrameNumber(frame.picture) : -1, frame.framePosition});
    return delivered;
}

std::vector<TDelivered> Read(const TMovieDecoder& movie, const std::vector<int>& positions, int decoders,
                             TRangeReader::TStatistics* statistics = nullptr)
{
    TRangeReader reader(movie, positions, {decoders, 3});
    std::vector<TDelivered> delivered = ReadAll(reader);
    if (statistics)
        *statistics = reader.Statistics();
    return delivered;
}

} // namespace

class TRangeReaderTest : public testing::TestWithParam<TFixtureVideo>
{
};

TEST_P(TRangeReaderTest, TwoDecodersDeliverTheFramesOfOne)
{
    const TFixtureVideo& video = GetParam();
    TMovieDecoder movie;
    ASSERT_TRUE(movie.Open(FixturePath(video.fileName)));
    const TExpectation expectation(video, movie.Duration());
    const int last = video.frames - 1;
    std::vector<int> acrossGroups;
    for (int frame = 0; frame <= last; frame += 7)
        acrossGroups.push_back(FramePositions(video, frame)[1]);
    acrossGroups.push_back(acrossGroups.back()); // the same position twice
    const struct
    {
        const char* name;
        std::vector<int> positions;
    } lists[] = {
        {"one group", {FramePositions(video, 1)[0], FramePositions(video, 2)[1], FramePositions(video, 3)[2]}},
        {"across groups", acrossGroups},
        {"beyond the end", {FramePositions(video, last - 1)[1], movie.Duration(), movie.Duration() + 5000}},
    };
    for (const auto& list : lists) {
        SCOPED_TRACE(list.name);
        TRangeReader::TStatistics two;
        const std::vector<TDelivered> byOne = Read(movie, list.positions, 1);
        const std::vector<TDelivered> byTwo = Read(movie, list.positions, 2, &two);
        EXPECT_EQ(byTwo, byOne);
        ASSERT_EQ(byTwo.size(), list.positions.size());
        for (size_t i = 0; i < byTwo.size(); ++i) {
            EXPECT_EQ(byTwo[i].index, int(i));
            EXPECT_TRUE(byTwo[i].fetched) << byTwo[i].position;
            EXPECT_EQ(byTwo[i].frame, expectation.FrameAt(byTwo[i].position)) << byTwo[i].position;
        }
        // A second decoder works exactly where the index cuts the list.
        const int segments = int(TRangeReader::SegmentStarts(list.positions, movie.KeyFramePositions()).size());
        EXPECT_EQ(two.decoders, std::min(segments, 2));
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, TRangeReaderTest, testing::ValuesIn(DecodableVideos()), FixtureTestName);

// The index of an MP4 knows every key frame (24 frames apart); an MPEG
// program stream's index is made of packets found while searching.
TEST(TRangeReaderSegments, KeyFramesOfTheIndexCutTheList)
{
    TMovieDecoder movie;
    ASSERT_TRUE(movie.Open(FixturePath("h264_bframes.mp4")));
    EXPECT_EQ(movie.KeyFramePositions(), (std::vector<int>{0, 960, 1920, 2880, 3840}));
    ASSERT_TRUE(movie.Open(FixturePath("mpeg2_bframes.mpg")));
    EXPECT_TRUE(movie.KeyFramePositions().empty());

    const struct
    {
        std::vector<int> positions;
        std::vector<int> starts;
    } rows[] = {
        {{100, 500, 959, 960, 1000, 3000, 3000, 9000}, {0, 3, 5, 7}},
        {{960, 100, 2000}, {0}}, // not ascending: one decoder in the order given
        {{}, {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TRangeReader::SegmentStarts(row.positions, {0, 960, 1920, 2880, 3840}), row.starts);
}

TEST(TRangeReaderSegments, PositionsNotAscendingAreServedInTheOrderGiven)
{
    const TFixtureVideo video = DecodableVideos().at(2);
    ASSERT_STREQ(video.fileName, "h264_bframes.mp4");
    TMovieDecoder movie;
    ASSERT_TRUE(movie.Open(FixturePath(video.fileName)));
    const TExpectation expectation(video, movie.Duration());
    const std::vector<int> positions = {3000, 100, 2000, 100};
    TRangeReader::TStatistics statistics;
    const std::vector<TDelivered> delivered = Read(movie, positions, 2, &statistics);
    ASSERT_EQ(delivered.size(), positions.size());
    for (size_t i = 0; i < positions.size(); ++i)
        EXPECT_EQ(delivered[i].frame, expectation.FrameAt(positions[i]));
    EXPECT_EQ(statistics.decoders, 1);
}

// Cancel in the middle of a two-decoder read: Next ends, the decoders stop
// after the fetch they are in, and no more frames were kept than allowed.
TEST(TRangeReaderCancel, StopsBothDecoders)
{
    TMovieDecoder movie;
    ASSERT_TRUE(movie.Open(FixturePath("h264_bframes.mp4")));
    std::vector<int> positions;
    for (int frame = 0; frame < 100; ++frame)
        positions.push_back(frame * 40);
    const int maxWaiting = 2;
    TRangeReader reader(movie, positions, {2, maxWaiting});
    TRangeReader::TFrame frame;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(reader.Next(frame));
        EXPECT_EQ(ReadFrameNumber(frame.picture), i);
    }
    reader.Cancel();
    EXPECT_FALSE(reader.Next(frame));
    const TRangeReader::TStatistics statistics = reader.Statistics();
    EXPECT_EQ(statistics.decoders, 2);
    EXPECT_LE(statistics.peakWaiting, maxWaiting);
    // Taken, kept before their turn, and the one whose turn it is.
    EXPECT_LE(statistics.fetched, 5 + maxWaiting + 1);
}

// The second half of a Motion JPEG AVI (every frame a key frame, so each
// position is a segment of its own, taken by both decoders in turn) is
// damaged: those positions come back in their place without a frame, and
// a decoder that met one goes on with its next segment.
TEST(TRangeReaderFailures, FailedFetchesAreSkippedInTheirPlace)
{
    const auto fill = [](char* data, quint32 size) { std::fill(data, data + size, '\x11'); };
    QTemporaryDir folder;
    TMovieDecoder movie;
    ASSERT_TRUE(movie.Open(WriteFile(folder, "damaged.avi", WithFramesDamaged("mjpeg.avi", fill, 20, 0))));
    std::vector<int> positions;
    for (int frame = 0; frame < 40; ++frame)
        positions.push_back(frame * 40);
    std::swap(positions[10], positions[20]); // one failure among the good frames: served in this order by one decoder
    for (bool ascending : {false, true}) {
        if (ascending)
            std::sort(positions.begin(), positions.end());
        TRangeReader::TStatistics statistics;
        const std::vector<TDelivered> delivered = Read(movie, positions, 2, &statistics);
        ASSERT_EQ(delivered.size(), positions.size());
        for (size_t i = 0; i < positions.size(); ++i) {
            const int frame = positions[i] / 40;
            EXPECT_EQ(delivered[i].fetched, frame < 20) << positions[i];
            EXPECT_EQ(delivered[i].frame, frame < 20 ? frame : -1) << positions[i];
        }
        EXPECT_EQ(statistics.decoders, ascending ? 2 : 1);
        EXPECT_EQ(statistics.failed, 20);
    }
}
