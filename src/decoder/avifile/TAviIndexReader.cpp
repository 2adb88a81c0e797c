#include "decoder/avifile/TAviIndexReader.h"

#include <algorithm>
#include <limits>

namespace avifile {

namespace {

constexpr quint32 ckLIST = MakeFourCC('L', 'I', 'S', 'T');
constexpr quint32 listRec = MakeFourCC('r', 'e', 'c', ' ');
constexpr quint32 AVIIF_KEYFRAME = 0x10;
constexpr quint8 AVI_INDEX_OF_INDEXES = 0;
constexpr quint8 AVI_INDEX_OF_CHUNKS = 1;
constexpr qint64 indexHeaderSize = 24;
constexpr qint64 idx1EntrySize = 16;
constexpr qint64 idx1EntriesPerRead = 4096;
constexpr quint32 ixNotKeyFrame = 0x80000000u;

// The two letters after the stream number: frames are 'db' (uncompressed) or
// 'dc' (compressed); 'pc' announces a palette change and is not a frame.
bool IsFrameChunk(quint32 chunkId)
{
    const char first = char((chunkId >> 16) & 0xFF);
    const char second = char((chunkId >> 24) & 0xFF);
    return !(first == 'p' && second == 'c');
}

} // namespace

TAviIndexReader::TAviIndexReader(TRiffSource& riffSource, TAviLayout& aviLayout)
    : source(riffSource)
    , layout(aviLayout)
{
    // Every frame needs at least its 8-byte chunk header in the file, so an
    // index that claims more frames than that repeats itself and is not used.
    maxSamples = std::min<qint64>(source.Size() / 8 + 1, std::numeric_limits<qint32>::max());
}

int TAviIndexReader::StreamNumber(quint32 chunkId)
{
    const int tens = int(chunkId & 0xFF) - '0';
    const int units = int((chunkId >> 8) & 0xFF) - '0';
    if (tens < 0 || tens > 9 || units < 0 || units > 9)
        return -1;
    return tens * 10 + units;
}

bool TAviIndexReader::IsVideo(int stream) const
{
    return stream >= 0 && stream < int(layout.streams.size())
        && layout.streams[size_t(stream)].info.fccType == streamtypeVIDEO;
}

void TAviIndexReader::Build()
{
    needsSamples.assign(layout.streams.size(), false);
    bool anyMissing = false;
    for (size_t i = 0; i < layout.streams.size(); ++i) {
        TAviStreamData& stream = layout.streams[i];
        if (!IsVideo(int(i)))
            continue;
        if (!ReadOpenDmlIndex(stream)) {
            stream.samples.clear();
            needsSamples[i] = true;
            anyMissing = true;
        }
    }
    if (anyMissing)
        ReadIdx1();
    // Streams idx1 says nothing about are found by walking the data.
    anyMissing = false;
    for (size_t i = 0; i < layout.streams.size(); ++i) {
        needsSamples[i] = IsVideo(int(i)) && layout.streams[i].samples.empty();
        anyMissing = anyMissing || needsSamples[i];
    }
    if (anyMissing)
        ScanMovi();
    for (size_t i = 0; i < layout.streams.size(); ++i) {
        if (IsVideo(int(i)))
            layout.streams[i].info.dwLength = quint32(layout.streams[i].samples.size());
    }
}

bool TAviIndexReader::Full(const std::vector<TAviSample>& samples) const
{
    return qint64(samples.size()) >= maxSamples;
}

bool TAviIndexReader::InsideMovi(qint64 dataOffset, quint32 size) const
{
    // The lists lie in file order without overlapping: only the last one
    // starting at or before the chunk header can hold it.
    const qint64 header = dataOffset - 8;
    const auto after = std::upper_bound(layout.moviLists.begin(), layout.moviLists.end(), header,
                                        [](qint64 offset, const TMoviList& movi) { return offset < movi.Begin(); });
    if (after == layout.moviLists.begin())
        return false;
    const TMoviList& movi = *std::prev(after);
    return dataOffset <= movi.end && qint64(size) <= movi.end - dataOffset;
}

bool TAviIndexReader::ReadOpenDmlIndex(TAviStreamData& stream)
{
    const QByteArray& indx = stream.superIndex;
    if (indx.size() < indexHeaderSize)
        return false;
    const quint16 longsPerEntry = ReadLE16(indx, 0);
    const quint8 subType = quint8(indx[2]);
    const quint8 type = quint8(indx[3]);
    if (subType != 0)
        return false; // field indexes are not served
    if (type == AVI_INDEX_OF_CHUNKS)
        return AppendStandardEntries(indx, stream.samples) && !stream.samples.empty();
    if (type != AVI_INDEX_OF_INDEXES || longsPerEntry != 4)
        return false;
    const qint64 entries = std::min<qint64>(ReadLE32(indx, 4), (indx.size() - indexHeaderSize) / 16);
    for (qint64 i = 0; i < entries; ++i) {
        const qsizetype entry = qsizetype(indexHeaderSize + 16 * i);
        const quint64 offset = ReadLE64(indx, entry);
        const quint32 size = ReadLE32(indx, entry + 8);
        if (offset > quint64(source.Size()) || !ReadStandardIndex(qint64(offset), size, stream.samples))
            return false;
    }
    return !stream.samples.empty();
}

bool TAviIndexReader::ReadStandardIndex(qint64 chunkOffset, quint32 declaredSize, std::vector<TAviSample>& samples)
{
    const auto chunkSize = source.ReadU32(chunkOffset + 4);
    if (!chunkSize)
        return false;
    // The super index gives the size of the whole ix## chunk, header included.
    qint64 size = std::min<qint64>(*chunkSize, source.Size() - (chunkOffset + 8));
    if (declaredSize >= 8)
        size = std::min<qint64>(size, qint64(declaredSize) - 8);
    const auto ix = source.ReadBytes(chunkOffset + 8, size);
    return ix && AppendStandardEntries(*ix, samples);
}

bool TAviIndexReader::AppendStandardEntries(const QByteArray& ix, std::vector<TAviSample>& samples)
{
    if (ix.size() < indexHeaderSize || ReadLE16(ix, 0) != 2 || quint8(ix[2]) != 0
        || quint8(ix[3]) != AVI_INDEX_OF_CHUNKS)
        return false;
    const qint64 entries = std::min<qint64>(ReadLE32(ix, 4), (ix.size() - indexHeaderSize) / 8);
    const quint64 base = ReadLE64(ix, 12);
    if (qint64(samples.size()) + entries > maxSamples)
        return false;
    samples.reserve(samples.size() + size_t(entries));
    for (qint64 i = 0; i < entries; ++i) {
        const qsizetype entry = qsizetype(indexHeaderSize + 8 * i);
        const quint64 offset = base + ReadLE32(ix, entry);
        const quint32 rawSize = ReadLE32(ix, entry + 4);
        TAviSample sample;
        sample.size = rawSize & ~ixNotKeyFrame;
        sample.keyFrame = (rawSize & ixNotKeyFrame) == 0;
        if (offset >= base && offset <= quint64(source.Size()) && InsideMovi(qint64(offset), sample.size))
            sample.offset = qint64(offset);
        samples.push_back(sample);
    }
    return true;
}

void TAviIndexReader::ReadIdx1()
{
    if (layout.idx1Offset < 0 || layout.moviLists.empty())
        return;
    const qint64 count = layout.idx1Size / idx1EntrySize;
    qint64 base = -1;
    for (qint64 first = 0; first < count; first += idx1EntriesPerRead) {
        const qint64 n = std::min(idx1EntriesPerRead, count - first);
        const auto block = source.ReadBytes(layout.idx1Offset + first * idx1EntrySize, n * idx1EntrySize);
        if (!block)
            return;
        for (qint64 i = 0; i < n; ++i) {
            const qsizetype entry = qsizetype(i * idx1EntrySize);
            const quint32 chunkId = ReadLE32(*block, entry);
            const int stream = StreamNumber(chunkId);
            if (stream < 0 || stream >= int(layout.streams.size()))
                continue;
            if (base < 0)
                base = Idx1Base(block->mid(entry, idx1EntrySize));
            if (!needsSamples[size_t(stream)] || !IsFrameChunk(chunkId))
                continue;
            TAviSample sample;
            sample.keyFrame = (ReadLE32(*block, entry + 4) & AVIIF_KEYFRAME) != 0;
            sample.size = ReadLE32(*block, entry + 12);
            const qint64 data = base + qint64(ReadLE32(*block, entry + 8)) + 8;
            if (InsideMovi(data, sample.size))
                sample.offset = data;
            AddSample(stream, sample);
        }
    }
}

// idx1 offsets are meant to count from the 'movi' type code, but some writers
// count from the start of the file. Both readings of the first entry are
// checked against the file; the one that finds the entry's chunk wins.
qint64 TAviIndexReader::Idx1Base(const QByteArray& entry)
{
    const quint32 chunkId = ReadLE32(entry, 0);
    const qint64 offset = ReadLE32(entry, 8);
    const quint32 size = ReadLE32(entry, 12);
    const qint64 relative = layout.moviLists.front().typeOffset;
    for (const qint64 candidate : { relative, qint64(0) }) {
        if (source.ReadU32(candidate + offset) == chunkId && InsideMovi(candidate + offset + 8, size))
            return candidate;
    }
    return relative;
}

void TAviIndexReader::AddSample(int stream, TAviSample sample)
{
    std::vector<TAviSample>& samples = layout.streams[size_t(stream)].samples;
    if (!Full(samples))
        samples.push_back(sample);
}

void TAviIndexReader::ScanMovi()
{
    for (const TMoviList& movi : layout.moviLists)
        ScanList(movi.Begin(), movi.end, 0);
    // Without an index nothing tells the key frames, so decoding starts at the
    // first frame (uncompressed frames stand alone all the same).
    for (size_t i = 0; i < layout.streams.size(); ++i) {
        if (needsSamples[i] && !layout.streams[i].samples.empty())
            layout.streams[i].samples.front().keyFrame = true;
    }
}

void TAviIndexReader::ScanList(qint64 begin, qint64 end, int depth)
{
    source.ForEachChunk(begin, end, [&](const TRiffChunk& chunk) {
        if (chunk.id == ckLIST) {
            if (chunk.listType == listRec && depth == 0)
                ScanList(chunk.dataBegin + 4, chunk.dataEnd, depth + 1);
            return true;
        }
        const int stream = StreamNumber(chunk.id);
        if (!chunk.Complete())
            return false; // cut short: the data ends here
        if (stream >= 0 && stream < int(needsSamples.size()) && needsSamples[size_t(stream)]
            && IsFrameChunk(chunk.id))
            AddSample(stream, TAviSample { chunk.dataBegin, chunk.declaredSize, false });
        return true;
    });
}

} // namespace avifile
