#pragma once

#include "decoder/avifile/AviTypes.h"

#include <QByteArray>

#include <vector>

namespace avifile {

// One stream as the headers describe it, plus its sample index once built.
struct TAviStreamData {
    TAviStreamInfo info;
    QByteArray format; // strf: BITMAPINFOHEADER (+ colour table) for video
    QByteArray superIndex; // indx (OpenDML), empty when absent
    std::vector<TAviSample> samples; // video streams only
};

// A 'movi' list: the 'movi' type code lies at typeOffset (the base of idx1
// offsets), its chunks run from typeOffset + 4 to end.
struct TMoviList {
    qint64 typeOffset = 0;
    qint64 end = 0;

    qint64 Begin() const { return typeOffset + 4; }
};

// Everything the parser learned about a file.
struct TAviLayout {
    TAviFileInfo fileInfo;
    std::vector<TAviStreamData> streams;
    std::vector<TMoviList> moviLists; // first from RIFF 'AVI ', then one per 'AVIX'
    qint64 idx1Offset = -1; // data of the idx1 chunk, -1 when absent
    qint64 idx1Size = 0;
};

// At most 100 streams: chunk ids number streams with two decimal digits.
constexpr int maxStreams = 100;

} // namespace avifile
