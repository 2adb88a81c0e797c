#pragma once

#include "decoder/avifile/TAviLayout.h"
#include "decoder/avifile/TRiffSource.h"

namespace avifile {

// Builds the sample list of every video stream. Sources, in order of
// preference: the OpenDML super index (indx -> ix##), the AVI 1.0 idx1, and a
// scan of the 'movi' lists for files without a usable index. A frame whose
// entry points outside the 'movi' data keeps its place (so later frames keep
// their times) but is marked unreadable.
class TAviIndexReader
{
public:
    TAviIndexReader(TRiffSource& source, TAviLayout& layout);

    void Build();

    // The stream number of a chunk id such as "01dc", or -1.
    static int StreamNumber(quint32 chunkId);

private:
    bool IsVideo(int stream) const;
    bool ReadOpenDmlIndex(TAviStreamData& stream);
    bool ReadStandardIndex(qint64 chunkOffset, quint32 declaredSize, std::vector<TAviSample>& samples);
    bool AppendStandardEntries(const QByteArray& ix, std::vector<TAviSample>& samples);
    void ReadIdx1();
    qint64 Idx1Base(const QByteArray& firstEntry);
    void ScanMovi();
    void ScanList(qint64 begin, qint64 end, int depth);
    void AddSample(int stream, TAviSample sample);
    // The data of a chunk lies completely inside one 'movi' list.
    bool InsideMovi(qint64 dataOffset, quint32 size) const;
    bool Full(const std::vector<TAviSample>& samples) const;

    TRiffSource& source;
    TAviLayout& layout;
    std::vector<bool> needsSamples;
    qint64 maxSamples = 0;
};

} // namespace avifile
