#pragma once

// Shared helpers of the decoder tests: which frame a position must deliver,
// and the positions worth asking for.

#include "decoder/UMovieDecoder.h"
#include "fixtures/TFixtureCatalog.h"
#include "fixtures/TFixtureFrames.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace DecoderTest {

using PellumoFixture::TFixtureVideo;

// The time base of the first video stream, read with libavformat.
inline AVRational StreamTimeBase(const QString& path)
{
    AVFormatContext* format = nullptr;
    AVRational base{0, 1};
    if (avformat_open_input(&format, QFile::encodeName(path).constData(), nullptr, nullptr) == 0) {
        if (avformat_find_stream_info(format, nullptr) >= 0) {
            const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
            if (index >= 0)
                base = format->streams[index]->time_base;
        }
        avformat_close_input(&format);
    }
    return base;
}

// What a position must deliver: the position is rounded to the container's
// time base (and clamped to just before the duration); the answer is the
// first frame whose time is at or after it.
class TExpectation
{
public:
    TExpectation(const TFixtureVideo& fixture, int durationMs)
        : video(fixture), duration(durationMs),
          timeBase(StreamTimeBase(PellumoFixture::FixturePath(fixture.fileName)))
    {
    }

    int FrameAt(int position) const
    {
        double ms = std::max(position, 0);
        if (ms >= duration)
            ms = duration - 0.001;
        const double unitsPerMs = timeBase.den / (1000.0 * timeBase.num);
        const double target = std::round(ms * unitsPerMs);
        const double unitsPerFrame = unitsPerMs * 1000.0 / video.rate;
        const int frame = static_cast<int>(std::ceil(target / unitsPerFrame - 1e-9)) - video.leadFrames;
        return std::clamp(frame, 0, video.frames - 1);
    }

private:
    TFixtureVideo video;
    int duration;
    AVRational timeBase;
};

// Positions on a frame, half a frame after it and three quarters after it.
inline std::vector<int> FramePositions(const TFixtureVideo& video, int frame)
{
    const int frameMs = 1000 / video.rate;
    const int start = (frame + video.leadFrames) * frameMs;
    return {start, start + frameMs / 2, start + frameMs * 3 / 4};
}

inline QByteArray ReadFixture(const char* name)
{
    QFile file(PellumoFixture::FixturePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QString WriteFile(const QTemporaryDir& folder, const QString& name, const QByteArray& bytes)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

// Offsets of the data of every video frame chunk ("00dc") of an AVI file.
inline std::vector<qsizetype> FrameChunks(const QByteArray& avi)
{
    std::vector<qsizetype> chunks;
    qsizetype at = avi.indexOf("movi");
    if (at < 0)
        return chunks;
    for (at += 4; at + 8 <= avi.size();) {
        const quint32 size = qFromLittleEndian<quint32>(avi.constData() + at + 4);
        if (avi.mid(at, 4) == "00dc")
            chunks.push_back(at + 8);
        else if (avi.mid(at, 4) != "JUNK")
            break;
        at += 8 + qsizetype(size) + (size & 1);
    }
    return chunks;
}

inline quint32 ChunkSize(const QByteArray& avi, qsizetype data)
{
    return qFromLittleEndian<quint32>(avi.constData() + data - 4);
}

// An AVI fixture with the frames first to end - 1 passed through damage;
// an end of 0 or less counts from the end (0: up to the last frame).
template <typename Damage>
QByteArray WithFramesDamaged(const char* fixture, Damage damage, int first, int end)
{
    QByteArray avi = ReadFixture(fixture);
    const std::vector<qsizetype> chunks = FrameChunks(avi);
    EXPECT_GT(chunks.size(), 30u);
    const size_t stop = end > 0 ? size_t(end) : chunks.size() - size_t(-end);
    for (size_t i = size_t(first); i < std::min(stop, chunks.size()); ++i)
        damage(avi.data() + chunks[i], ChunkSize(avi, chunks[i]));
    return avi;
}

inline std::vector<TFixtureVideo> DecodableVideos()
{
    std::vector<TFixtureVideo> videos;
    for (const TFixtureVideo& video : PellumoFixture::FixtureVideos())
        if (video.kind == PellumoFixture::TFixtureKind::Video)
            videos.push_back(video);
    return videos;
}

inline std::string FixtureTestName(const testing::TestParamInfo<TFixtureVideo>& info)
{
    std::string name = info.param.fileName;
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

} // namespace DecoderTest
