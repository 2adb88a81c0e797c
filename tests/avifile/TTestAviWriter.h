#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <vector>

// Writes small AVI files for the tests, byte by byte, so that every case an
// encoder never produces (odd sizes, absolute idx1 offsets, OpenDML, damage)
// can be made on purpose.
struct TTestStream {
    QByteArray type = "vids";
    QByteArray handler = QByteArray(4, '\0');
    quint16 priority = 0;
    quint32 rate = 25;
    quint32 scale = 1;
    quint32 start = 0;
    QByteArray format; // strf
    QByteArray chunkType = "db";
    std::vector<QByteArray> frames;
    std::vector<bool> keyFrames; // empty: every frame is a key frame
};

enum class TTestIndex { Idx1Relative, Idx1Absolute, None, OpenDml };

class TTestAviWriter
{
public:
    static QByteArray Write(const std::vector<TTestStream>& streams, TTestIndex index = TTestIndex::Idx1Relative);

    // A BITMAPINFOHEADER followed by extra (colour table, masks).
    static QByteArray BitmapInfo(int width, int height, int bitCount, quint32 compression = 0,
                                 quint32 clrUsed = 0, const QByteArray& extra = {});
    // A 24-bit frame whose every pixel is blue, green, red.
    static QByteArray SolidFrame24(int width, int height, uchar blue, uchar green, uchar red);
    // A grey ramp colour table: entry i is (i, i, i).
    static QByteArray GreyPalette(int entries);

    // Offsets of every chunk header in a written file (for truncation tests).
    static std::vector<qsizetype> ChunkBoundaries(const QByteArray& file);

private:
    qsizetype BeginChunk(const char* id);
    qsizetype BeginList(const char* kind, const char* type);
    void EndChunk(qsizetype start);
    void Chunk(const QByteArray& id, const QByteArray& data);
    void Put32(quint32 value);
    void Put16(quint16 value);
    void Patch32(qsizetype at, quint32 value);
    void Patch64(qsizetype at, quint64 value);

    void WriteHeaders(const std::vector<TTestStream>& streams, TTestIndex index);
    void WriteStreamHeader(const TTestStream& stream);
    struct Written {
        QByteArray id;
        qsizetype header; // offset of the chunk header
        quint32 size;
        bool key;
    };
    std::vector<Written> WriteMovi(const std::vector<TTestStream>& streams, size_t first, size_t end);
    void WriteIdx1(const std::vector<Written>& chunks, qsizetype moviType, bool absolute);
    qsizetype WriteStandardIndex(const std::vector<Written>& chunks);

    QByteArray out;
    std::vector<qsizetype> superIndexAt; // per stream, data offset of indx
};
