#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <cstdint>

namespace avifile {

// A four-character code as it is stored in the file: the first character in
// the lowest byte.
constexpr quint32 MakeFourCC(char a, char b, char c, char d)
{
    return quint32(quint8(a)) | (quint32(quint8(b)) << 8) | (quint32(quint8(c)) << 16) | (quint32(quint8(d)) << 24);
}

constexpr quint32 streamtypeVIDEO = MakeFourCC('v', 'i', 'd', 's');
constexpr quint32 streamtypeAUDIO = MakeFourCC('a', 'u', 'd', 's');

// Results of the file services: 0 is success, as with the system library
// these services stand in for.
enum AviResult : int {
    AVIERR_OK = 0,
    AVIERR_BADFORMAT = 1,
    AVIERR_FILEOPEN = 2,
    AVIERR_FILEREAD = 3,
    AVIERR_NODATA = 4,
    AVIERR_BADPARAM = 5,
};

// What the services report about the whole file; the values of the main
// header (avih), except dwStreams, which counts the streams actually present.
struct TAviFileInfo {
    quint32 dwMaxBytesPerSec = 0;
    quint32 dwFlags = 0;
    quint32 dwStreams = 0;
    quint32 dwSuggestedBufferSize = 0;
    quint32 dwWidth = 0;
    quint32 dwHeight = 0;
    quint32 dwScale = 0; // microseconds per frame ...
    quint32 dwRate = 0; // ... per 1000000
    quint32 dwLength = 0; // total frames (OpenDML count when present)
};

// What the services report about one stream: its header (strh), its name
// (strn) and the length the index gives.
struct TAviStreamInfo {
    quint32 fccType = 0;
    quint32 fccHandler = 0;
    quint32 dwFlags = 0;
    quint16 wPriority = 0;
    quint16 wLanguage = 0;
    quint32 dwInitialFrames = 0;
    quint32 dwScale = 0;
    quint32 dwRate = 0;
    quint32 dwStart = 0;
    quint32 dwLength = 0;
    quint32 dwSuggestedBufferSize = 0;
    quint32 dwQuality = 0;
    quint32 dwSampleSize = 0;
    std::array<qint16, 4> rcFrame {}; // left, top, right, bottom
    QString szName;
};

// One sample (for video: one frame) of a stream: where its data lies in the
// file. offset is -1 when the index points outside the file's data.
struct TAviSample {
    qint64 offset = -1;
    quint32 size = 0;
    bool keyFrame = false;

    bool Readable() const { return offset >= 0; }
};

} // namespace avifile
