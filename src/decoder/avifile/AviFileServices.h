#pragma once

// The AVI file services: open a file, list its streams with their type and
// priority, map milliseconds to samples and back, and deliver any video frame
// as a packed DIB. The calls mirror the system AVI file library the program
// was first written against; those that report a result return 0 for
// success.

#include "decoder/avifile/AviTypes.h"
#include "decoder/avifile/TAviGetFrame.h"

#include <QByteArrayView>
#include <QString>

#include <memory>

class QIODevice;

namespace avifile {

class TAviFile;
class TAviStream;

using PAVIFILE = std::shared_ptr<TAviFile>;
using PAVISTREAM = std::shared_ptr<TAviStream>;
using PGETFRAME = std::unique_ptr<TAviGetFrame>;

// Opens the file for reading (others may read it too).
int AVIFileOpen(PAVIFILE& file, const QString& fileName);
// The same on a device that is open for reading; used for in-memory files.
int AVIFileOpen(PAVIFILE& file, std::unique_ptr<QIODevice> device);
int AVIFileInfo(const PAVIFILE& file, TAviFileInfo& info);
// Stream number index among those of type fccType (0 = any type).
int AVIFileGetStream(const PAVIFILE& file, PAVISTREAM& stream, quint32 fccType, int index);
void AVIFileRelease(PAVIFILE& file);

int AVIStreamInfo(const PAVISTREAM& stream, TAviStreamInfo& info);
// First sample number and number of samples; -1 without a stream.
int AVIStreamStart(const PAVISTREAM& stream);
int AVIStreamLength(const PAVISTREAM& stream);
// Milliseconds from the stream's first sample to a sample offset from it and
// back (see TAviStream for the rounding); -1 without a stream.
int AVIStreamTimeToSample(const PAVISTREAM& stream, int milliseconds);
int AVIStreamSampleToTime(const PAVISTREAM& stream, int sample);
void AVIStreamRelease(PAVISTREAM& stream);

// A frame server for a video stream; empty when it cannot serve the stream.
PGETFRAME AVIStreamGetFrameOpen(const PAVISTREAM& stream);
// The frame's packed DIB, owned by the server until its next call or its
// close; empty when the frame cannot be delivered.
QByteArrayView AVIStreamGetFrame(const PGETFRAME& server, int sample);
void AVIStreamGetFrameClose(PGETFRAME& server);

} // namespace avifile
