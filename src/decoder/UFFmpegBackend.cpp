#include "decoder/UFFmpegBackend.h"

#include "picture/TSafetyBitmap.h"
#include "support/ULog.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

extern "C" {
#include <libavutil/mathematics.h>
}

namespace {

// Left to the AVI back end: these files are refused here.
constexpr std::array ExcludedCodecs = {
    AV_CODEC_ID_INDEO3, AV_CODEC_ID_CINEPAK, AV_CODEC_ID_MSRLE, AV_CODEC_ID_MSVIDEO1,
};

constexpr int64_t MinimumDurationUs = 40000; // exclusive
constexpr int ForwardWindowSeconds = 7;
constexpr int MaxSeekAttempts = 200;
constexpr int MaxReadsPerPacket = 250;
constexpr int MaxKeyScanPackets = 1000;
constexpr size_t MaxSkippedTimestamps = 512;
// Larger pictures are refused: the frame bitmap would take hundreds of MiB.
// Frames decoded later are held to the same limit (a stream may change its
// size in the middle).
constexpr int MaxPictureSide = 8192;
constexpr int64_t MaxPicturePixels = int64_t(MaxPictureSide) * MaxPictureSide;
// Ordinary media containers only: none of these demuxers opens another file
// (playlists, concat lists, image sequences and manifests are left out).
constexpr const char* DemuxerWhitelist = "avi,asf,mpeg,mpegts,mpegvideo,mov,matroska,flv,rm,dv,ogg,nut,mxf,gxf,wtv,"
                                         "nuv,ivf,m4v,h261,h263,h264,hevc,vc1,cavsvideo,yuv4mpegpipe,mjpeg,smjpeg,gif";
// No single libavformat call may hold the program longer than this.
constexpr auto OpenDeadline = std::chrono::seconds(10);
constexpr auto SeekDeadline = std::chrono::seconds(5);
// Reads allowed when looking for the last video packet from near the end.
constexpr int MaxEndScanReads = 5000;
constexpr int64_t EndScanSeconds = 5;
constexpr AVRational MicrosecondBase{1, 1000000};

bool IsExcludedCodec(AVCodecID id)
{
    return std::find(ExcludedCodecs.begin(), ExcludedCodecs.end(), id) != ExcludedCodecs.end();
}

int64_t MaxKnown(int64_t a, int64_t b)
{
    if (a == AV_NOPTS_VALUE)
        return b;
    if (b == AV_NOPTS_VALUE)
        return a;
    return std::max(a, b);
}

// The stream's index as the seek rules see it.
class TStreamKeyFrameIndex final : public TKeyFrameIndex
{
public:
    TStreamKeyFrameIndex(const AVFormatContext* format, AVStream* stream) : format(format), stream(stream) {}

    std::optional<int64_t> KeyFrameAtOrBefore(int64_t ts) const override
    {
        const AVIndexEntry* entry = avformat_index_get_entry_from_timestamp(stream, ts, AVSEEK_FLAG_BACKWARD);
        return entry ? std::optional<int64_t>(entry->timestamp) : std::nullopt;
    }

    int64_t FirstTimestamp() const override
    {
        const AVIndexEntry* first = avformat_index_get_entry(stream, 0);
        return first ? first->timestamp : INT64_MIN;
    }

    bool Reaches(int64_t ts) const override
    {
        if (format->iformat->read_timestamp)
            return false;
        const int entries = avformat_index_get_entries_count(stream);
        const AVIndexEntry* last = entries > 0 ? avformat_index_get_entry(stream, entries - 1) : nullptr;
        return last && last->timestamp >= ts;
    }

private:
    const AVFormatContext* format;
    AVStream* stream;
};

} // namespace

TFFmpegBackend::TFFmpegBackend(int threads)
    : decoderThreads(threads)
{
}

TFFmpegBackend::~TFFmpegBackend()
{
    ReleaseAll();
}

bool TFFmpegBackend::Open(const QString& fileName, TSafetyBitmap& frame)
{
    ReleaseAll();
    openError = TOpenError::None;
    try {
        if (!IsRegularFile(fileName)) {
            Refuse(TOpenError::NotRegularFile);
        } else if (OpenInput(fileName) && OpenCodec() && IsStreamUsable()) {
            packet.reset(av_packet_alloc());
            currentFrame.reset(av_frame_alloc());
            scratchFrame.reset(av_frame_alloc());
            if (packet && currentFrame && scratchFrame && MeasureDuration()) {
                keyFrameIndex = std::make_unique<TStreamKeyFrameIndex>(format.get(), stream);
                conversion.Configure(format.get(), stream, width, height, storedPixels);
                frame.SetSize24(conversion.ShownWidth(), conversion.ShownHeight());
                startOffset = -1;
                // The first picture is shown at once and teaches the start offset.
                if (SeekTo(0))
                    RenderFrame(frame);
                return true;
            }
        }
    } catch (...) {
        LogDroppedError("TFFmpegBackend::Open");
    }
    if (openError == TOpenError::None)
        openError = TOpenError::Unreadable;
    ReleaseAll();
    return false;
}

int TFFmpegBackend::Interrupted(void* backend)
{
    return std::chrono::steady_clock::now() > static_cast<const TFFmpegBackend*>(backend)->deadline ? 1 : 0;
}

bool TFFmpegBackend::OpenInput(const QString& fileName)
{
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        return false;
    deadline = std::chrono::steady_clock::now() + OpenDeadline;
    raw->interrupt_callback = AVIOInterruptCB{&TFFmpegBackend::Interrupted, this};
    AVDictionary* options = nullptr;
    // Only local files, and only containers that open no further file.
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", DemuxerWhitelist, 0);
    // "file:" keeps names with a colon from being taken for another protocol.
    const QByteArray url = "file:" + QFile::encodeName(fileName);
    const int opened = avformat_open_input(&raw, url.constData(), nullptr, &options); // frees raw on failure
    av_dict_free(&options);
    if (opened != 0)
        return false;
    format.reset(raw);
    // The probing decoders are held to the picture limit as well.
    std::vector<AVDictionary*> streamOptions(format->nb_streams, nullptr);
    for (AVDictionary*& streamOption : streamOptions)
        av_dict_set_int(&streamOption, "max_pixels", MaxPicturePixels, 0);
    const int found = avformat_find_stream_info(format.get(), streamOptions.data());
    for (AVDictionary*& streamOption : streamOptions)
        av_dict_free(&streamOption);
    return found >= 0;
}

bool TFFmpegBackend::OpenCodec()
{
    // The lowest video stream; cover art attached to audio files is no video.
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream* candidate = format->streams[i];
        if (candidate->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
            && !(candidate->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            stream = candidate;
            videoStreamIndex = static_cast<int>(i);
            break;
        }
    }
    if (!stream)
        return Refuse(TOpenError::NoVideoStream);
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder)
        return false;
    if (IsExcludedCodec(decoder->id))
        return Refuse(TOpenError::ExcludedCodec);
    codec.reset(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0)
        return false;
    codec->pkt_timebase = stream->time_base;
    codec->workaround_bugs = FF_BUG_AUTODETECT;
    codec->thread_count = decoderThreads;
    codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    codec->max_pixels = MaxPicturePixels;
    format->flags |= AVFMT_FLAG_GENPTS;
    LearnGuessedFrameStep();
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return false;
    // Old muxers wrote 1001/1 for 1000/1001 s. The decoder no longer reads
    // this field (timestamps come from the stream), so this changes nothing
    // today; it is kept so the context looks as older files expect.
    if (codec->time_base.num > 1000 && codec->time_base.den == 1)
        codec->time_base.den = 1000;
    width = codec->width;
    height = codec->height;
    durationUs = format->duration;
    return true;
}

bool TFFmpegBackend::IsStreamUsable()
{
    if (width > MaxPictureSide || height > MaxPictureSide)
        return Refuse(TOpenError::TooLarge);
    if (width <= 0 || height <= 0 || stream->time_base.num <= 0 || stream->time_base.den <= 0)
        return false;
    if (durationUs == AV_NOPTS_VALUE)
        return Refuse(TOpenError::UnknownDuration);
    return IsDurationUsable();
}

bool TFFmpegBackend::IsDurationUsable()
{
    if (durationUs <= MinimumDurationUs)
        return Refuse(TOpenError::TooShort);
    // Positions are 32-bit milliseconds: a longer video cannot be shown.
    if (av_rescale(durationUs, 1000, 1000000) > INT32_MAX)
        return Refuse(TOpenError::TooLong);
    return true;
}

// FFmpeg's duration is an estimate from the bit rate for some containers,
// and comes out short for others (MPEG program streams): the end of the
// last video packet, read from a seek near the end, is where the last frame
// ends. A longer duration from the container's timestamps is kept.
bool TFFmpegBackend::MeasureDuration()
{
    const int64_t lastEnd = LastPacketEndUs();
    const bool estimated = format->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE;
    if (lastEnd != AV_NOPTS_VALUE && (estimated || lastEnd > durationUs))
        durationUs = lastEnd;
    return IsDurationUsable();
}

// The end of the last video packet in microseconds from the stream's start;
// AV_NOPTS_VALUE when the end of the file is not reached within the bounds.
int64_t TFFmpegBackend::LastPacketEndUs()
{
    const AVRational base = stream->time_base;
    const int64_t streamStart = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    const int64_t from = av_rescale_q(std::max<int64_t>(0, durationUs - EndScanSeconds * 1000000), MicrosecondBase, base);
    if (av_seek_frame(format.get(), videoStreamIndex, SaturatingAdd(streamStart, from), AVSEEK_FLAG_BACKWARD) < 0)
        return AV_NOPTS_VALUE;
    const AVRational rate = av_guess_frame_rate(format.get(), stream, nullptr);
    const int64_t frameLength = rate.num > 0 && rate.den > 0 ? av_rescale_q(1, av_inv_q(rate), base) : 0;
    int64_t lastEnd = AV_NOPTS_VALUE;
    bool ended = false;
    for (int reads = 0; reads < MaxEndScanReads; ++reads) {
        const int read = av_read_frame(format.get(), packet.get());
        if (read < 0) {
            ended = read == AVERROR_EOF;
            break;
        }
        const int64_t timestamp = PacketTimestamp(packet.get());
        if (packet->stream_index == videoStreamIndex && timestamp != AV_NOPTS_VALUE
            && !(packet->flags & AV_PKT_FLAG_DISCARD)) {
            const int64_t length = packet->duration > 0 ? packet->duration : frameLength;
            lastEnd = MaxKnown(lastEnd, SaturatingAdd(timestamp, length));
        }
        av_packet_unref(packet.get());
    }
    av_packet_unref(packet.get());
    if (!ended || lastEnd == AV_NOPTS_VALUE || lastEnd <= streamStart)
        return AV_NOPTS_VALUE;
    return av_rescale_q(SaturatingSubtract(lastEnd, streamStart), base, MicrosecondBase);
}

void TFFmpegBackend::ReleaseAll()
{
    ForgetDecoderPosition();
    keyFrameIndex.reset();
    conversion.Reset();
    scratchFrame.reset();
    currentFrame.reset();
    packet.reset();
    codec.reset();
    format.reset();
    stream = nullptr;
    videoStreamIndex = -1;
    durationUs = 0;
    startOffset = -1;
    dataStartPos = -1;
    keyInterval = 0;
    width = height = 0;
}

bool TFFmpegBackend::Close()
{
    ReleaseAll();
    return true;
}

int TFFmpegBackend::Duration() const
{
    if (!format)
        return -1;
    return static_cast<int32_t>(av_rescale(durationUs, 1000, 1000000));
}

int TFFmpegBackend::FrameWidth() const
{
    return codec ? conversion.ShownWidth() : -1;
}

int TFFmpegBackend::FrameHeight() const
{
    return codec ? conversion.ShownHeight() : -1;
}

std::vector<int> TFFmpegBackend::KeyFramePositions() const
{
    std::vector<int> positions;
    // Demuxers that seek by searching timestamps index arbitrary packets.
    if (!format || !stream || format->iformat->read_timestamp)
        return positions;
    const int64_t streamStart = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    const int64_t start = startOffset >= 0 ? startOffset : std::max<int64_t>(streamStart, 0);
    // MP4 indexes decoding times, which run ahead of the presentation by the
    // reordering delay; the first entry is the first frame, so that delay
    // is its distance to the stream's start.
    const int entries = avformat_index_get_entries_count(stream);
    const AVIndexEntry* first = entries > 0 ? avformat_index_get_entry(stream, 0) : nullptr;
    const int64_t delay = first && first->timestamp != AV_NOPTS_VALUE && first->timestamp < streamStart
                              ? streamStart - first->timestamp
                              : 0;
    for (int i = 0; i < entries; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(stream, i);
        if (!entry || !(entry->flags & AVINDEX_KEYFRAME) || entry->timestamp == AV_NOPTS_VALUE)
            continue;
        const int64_t pts = SaturatingAdd(entry->timestamp, delay);
        const int64_t ms = av_rescale_q(SaturatingSubtract(pts, start), stream->time_base, AVRational{1, 1000});
        if (ms >= 0 && ms <= INT32_MAX)
            positions.push_back(static_cast<int>(ms));
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

int64_t TFFmpegBackend::TargetTimestamp(int position) const
{
    int64_t us = av_rescale(position, 1000000, 1000);
    if (us < 0)
        us = 0;
    if (us >= durationUs)
        us = durationUs - 1;
    const AVRational base = stream->time_base;
    int64_t ts = av_rescale(us, base.den, 1000000LL * base.num);
    if (startOffset >= 0 && position != 0)
        ts = SaturatingAdd(ts, startOffset);
    return ts;
}

void TFFmpegBackend::ArmDeadline()
{
    deadline = std::chrono::steady_clock::now() + SeekDeadline;
}

bool TFFmpegBackend::SeekTo(int position)
{
    if (!format || !codec)
        return false;
    ArmDeadline();
    try {
        const bool found = DeliverFrameAt(TargetTimestamp(position));
        LearnStartOffset(position);
        return found;
    } catch (...) {
        LogDroppedError("TFFmpegBackend::SeekTo");
        return false;
    }
}

bool TFFmpegBackend::DeliverFrameAt(int64_t ts)
{
    if (KeptFrameAnswers(ts))
        return true;
    bool found = CurrentFrameAnswers(ts);
    if (!found && CanDecodeForward(ts))
        found = DecodeForward(ts, reached.framePts);
    if (!found)
        found = SeekAndDecode(ts);
    return found;
}

bool TFFmpegBackend::BeforeWindowEnd(int64_t from, int64_t ts) const
{
    return av_compare_ts(ts - from, stream->time_base, ForwardWindowSeconds, AVRational{1, 1}) <= 0;
}

// The delivered frame is still the first one at or after the target: the
// same position again, a target between it and the frame before it, or a
// target past the last frame of the stream.
bool TFFmpegBackend::CurrentFrameAnswers(int64_t ts) const
{
    if (!reached.haveFrame || reached.framePts == AV_NOPTS_VALUE)
        return false;
    if (ts == reached.framePts)
        return true;
    if (ts < reached.framePts)
        return reached.precedingPts != AV_NOPTS_VALUE && ts > reached.precedingPts;
    return reached.drained && NoPacketFrom(ts) && BeforeWindowEnd(reached.framePts, ts);
}

// No video packet read since the seek lies at or after the target: once the
// stream is drained, the last frame is the answer. Otherwise a frame at or
// after the target exists but did not decode, and the last picture is not
// the one for the target.
bool TFFmpegBackend::NoPacketFrom(int64_t ts) const
{
    return reached.lastPacketPts == AV_NOPTS_VALUE || reached.lastPacketPts < ts;
}

bool TFFmpegBackend::CanDecodeForward(int64_t ts) const
{
    return reached.haveFrame && reached.framePts != AV_NOPTS_VALUE && ts > reached.framePts && !reached.drained
           && BeforeWindowEnd(reached.framePts, ts)
           && !KeyFrameBetween(reached.framePts, ts, keyInterval, stream->time_base, *keyFrameIndex);
}

void TFFmpegBackend::ForgetDecoderPosition()
{
    ForgetStepBack();
    // A context whose open failed has nothing to flush (and crashes if asked).
    if (codec && avcodec_is_open(codec.get()))
        avcodec_flush_buffers(codec.get());
    if (currentFrame)
        av_frame_unref(currentFrame.get());
    reached = {};
}

bool TFFmpegBackend::SeekAndDecode(int64_t ts)
{
    const int64_t streamStart = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    // At the start of the stream the first key frame is the answer even
    // when the target lies before it.
    const int64_t startLimit = std::max(ts, streamStart);
    TLanding landing = TLanding::Failed;
    int64_t previous = INT64_MAX;
    int64_t lateKey = AV_NOPTS_VALUE;
    for (int attempt = 0; attempt < MaxSeekAttempts; ++attempt) {
        const int64_t seekPoint = NextSeekPoint(ts, previous, attempt, keyInterval, *keyFrameIndex);
        const bool atStart = seekPoint <= 0 || seekPoint <= keyFrameIndex->FirstTimestamp();
        landing = SeekAndFindKeyPacket(seekPoint, atStart ? startLimit : ts);
        if (landing == TLanding::Accepted) {
            // Two key frames seen around the target give the key-frame distance.
            const int64_t keyPts = reached.keyPts;
            if (keyInterval == 0 && lateKey != AV_NOPTS_VALUE && keyPts != AV_NOPTS_VALUE && lateKey > keyPts)
                keyInterval = lateKey - keyPts;
            break;
        }
        if (landing == TLanding::Late && reached.keyPts != AV_NOPTS_VALUE)
            lateKey = lateKey == AV_NOPTS_VALUE ? reached.keyPts : std::min(lateKey, reached.keyPts);
        if (atStart) {
            landing = RewindToStart(startLimit);
            break;
        }
        previous = seekPoint;
    }
    if (landing != TLanding::Accepted)
        return false;
    reached.packetPending = true;
    // Frames without timestamps cannot be compared with the target: the last
    // decoded picture is the best there is.
    return DecodeForward(ts, reached.keyPts) || (reached.haveFrame && reached.framePts == AV_NOPTS_VALUE);
}

TFFmpegBackend::TLanding TFFmpegBackend::SeekAndFindKeyPacket(int64_t seekPoint, int64_t limit)
{
    ++statistics.seeks;
    if (av_seek_frame(format.get(), videoStreamIndex, seekPoint, 0) < 0)
        return TLanding::Failed;
    ForgetDecoderPosition();
    return FindKeyPacket(limit, false);
}

// Demuxers that land at a later key frame when asked for the very start
// (Matroska, WebM, ASF) are brought back by a backward seek, then by a byte
// seek to the first packet, and at last the first packet found is taken.
TFFmpegBackend::TLanding TFFmpegBackend::RewindToStart(int64_t limit)
{
    const int64_t streamStart = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    ++statistics.seeks;
    if (av_seek_frame(format.get(), videoStreamIndex, std::min<int64_t>(streamStart, 0), AVSEEK_FLAG_BACKWARD) >= 0) {
        ForgetDecoderPosition();
        if (FindKeyPacket(limit, false) == TLanding::Accepted)
            return TLanding::Accepted;
    }
    if (dataStartPos >= 0) {
        ++statistics.seeks;
        if (av_seek_frame(format.get(), -1, dataStartPos, AVSEEK_FLAG_BYTE) >= 0) {
            ForgetDecoderPosition();
            if (FindKeyPacket(limit, false) == TLanding::Accepted)
                return TLanding::Accepted;
        }
    }
    ++statistics.seeks;
    if (av_seek_frame(format.get(), videoStreamIndex, 0, AVSEEK_FLAG_BACKWARD) < 0)
        return TLanding::Failed;
    ForgetDecoderPosition();
    return FindKeyPacket(limit, true);
}

// Reads up to the first key packet after a seek. Packets before it would
// decode into damaged pictures and are dropped. Accepted when the key frame
// lies at or before the limit; late when it, or everything read, lies after.
TFFmpegBackend::TLanding TFFmpegBackend::FindKeyPacket(int64_t limit, bool acceptAny)
{
    for (int scanned = 0; scanned < MaxKeyScanPackets; ++scanned) {
        const TReadResult read = ReadVideoPacket();
        if (read == TReadResult::EndOfInput || read == TReadResult::Failed)
            return TLanding::Failed;
        if (read == TReadResult::NoVideoPacket)
            continue;
        const int64_t timestamp = PacketTimestamp(packet.get());
        if (acceptAny || (packet->flags & AV_PKT_FLAG_KEY)) {
            reached.keyPts = timestamp;
            const bool early = timestamp != AV_NOPTS_VALUE && timestamp <= limit;
            return acceptAny || early ? TLanding::Accepted : TLanding::Late;
        }
        // Past the target any key frame is late; while the key-frame distance
        // is unknown the scan goes on to the key frame to learn it.
        if (packet->dts != AV_NOPTS_VALUE && packet->dts > limit && keyInterval > 0)
            return TLanding::Late;
    }
    return TLanding::Late;
}

int64_t TFFmpegBackend::PacketTimestamp(const AVPacket* packet)
{
    return packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
}

bool TFFmpegBackend::DecodeForward(int64_t ts, int64_t fromPts)
{
    const int budget = ForwardBudget(ts, fromPts, stream->time_base, av_guess_frame_rate(format.get(), stream, nullptr));
    for (int rounds = 0;; ++rounds) {
        switch (ReceiveUntil(ts)) {
        case TDecodeResult::Reached: return true;
        case TDecodeResult::Drained:
            return reached.haveFrame && (reached.framePts == AV_NOPTS_VALUE || NoPacketFrom(ts));
        case TDecodeResult::Failed: return false;
        case TDecodeResult::NeedInput: break;
        }
        if (rounds >= budget || reached.inputEnded)
            return false;
        if (!reached.packetPending) {
            const TReadResult read = ReadVideoPacket();
            // A read that failed or was interrupted is no end of the stream:
            // the frames after it are unknown.
            if (read == TReadResult::Failed)
                return false;
            if (read == TReadResult::EndOfInput) {
                // Drain: the frames the decoder still holds come out, the last one too.
                avcodec_send_packet(codec.get(), nullptr);
                reached.inputEnded = true;
                continue;
            }
            if (read == TReadResult::NoVideoPacket)
                continue;
        }
        reached.packetPending = false;
        SendCurrentPacket(ts);
    }
}

// Non-reference frames before the target cannot change any later picture,
// so the decoder may drop them: exact, and most B-frames are skipped.
void TFFmpegBackend::SendCurrentPacket(int64_t ts)
{
    const int64_t timestamp = packet->pts;
    const bool skip = skipNonReference && timestamp != AV_NOPTS_VALUE && timestamp < ts
                      && !(packet->flags & AV_PKT_FLAG_KEY);
    codec->skip_frame = skip ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    if (skip) {
        std::vector<int64_t>& skipped = reached.skippedTimestamps;
        if (skipped.size() >= MaxSkippedTimestamps)
            skipped.erase(skipped.begin());
        skipped.push_back(timestamp);
        ++statistics.packetsSkipped;
    }
    ++statistics.packetsSent;
    // A damaged packet is refused by the decoder; the next one goes on.
    avcodec_send_packet(codec.get(), packet.get());
    av_packet_unref(packet.get());
}

TFFmpegBackend::TDecodeResult TFFmpegBackend::ReceiveUntil(int64_t ts)
{
    for (;;) {
        const int received = avcodec_receive_frame(codec.get(), scratchFrame.get());
        if (received == AVERROR(EAGAIN))
            return TDecodeResult::NeedInput;
        if (received == AVERROR_EOF) {
            reached.drained = true;
            return TDecodeResult::Drained;
        }
        if (received < 0)
            return TDecodeResult::Failed;
        ++statistics.framesReceived;
        // The decoder's own limit stops most oversized frames; none reaches
        // the scaler.
        if (scratchFrame->width <= 0 || scratchFrame->height <= 0 || scratchFrame->width > MaxPictureSide
            || scratchFrame->height > MaxPictureSide) {
            av_frame_unref(scratchFrame.get());
            continue;
        }
        int64_t pts = scratchFrame->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE)
            pts = scratchFrame->pts;
        // Frames of an open group that precede its key frame refer to
        // pictures before the seek: never delivered.
        if (reached.keyPts != AV_NOPTS_VALUE && pts != AV_NOPTS_VALUE && pts < reached.keyPts) {
            av_frame_unref(scratchFrame.get());
            continue;
        }
        reached.keyPts = AV_NOPTS_VALUE;
        AcceptFrame(pts);
        if (pts != AV_NOPTS_VALUE && pts >= ts)
            return TDecodeResult::Reached;
    }
}

void TFFmpegBackend::AcceptFrame(int64_t pts)
{
    MendGuessedTimestamp(pts);
    KeepForStepBack();
    // Frames dropped unseen still lie between this frame and the one before.
    int64_t preceding = reached.haveFrame ? reached.framePts : AV_NOPTS_VALUE;
    if (pts != AV_NOPTS_VALUE) {
        for (int64_t skipped : reached.skippedTimestamps)
            if (skipped < pts)
                preceding = MaxKnown(preceding, skipped);
        std::erase_if(reached.skippedTimestamps, [pts](int64_t skipped) { return skipped < pts; });
    }
    av_frame_unref(currentFrame.get());
    av_frame_move_ref(currentFrame.get(), scratchFrame.get());
    reached.firstAfterSeek = !reached.haveFrame;
    reached.haveFrame = true;
    reached.framePts = pts;
    reached.precedingPts = preceding;
}

// MPEG program streams carry no timestamp on most pictures; after a seek
// the demuxer guesses the first one from where it landed, and the guess
// can lie a frame or more early. In these constant-rate streams the frame
// decoded next is one frame later, so it tells the first frame's time.
// Without this the frame, kept for stepping back, would claim a position
// that fetches the frame before it.
void TFFmpegBackend::MendGuessedTimestamp(int64_t nextPts)
{
    if (guessedFrameStep <= 0 || !reached.firstAfterSeek || nextPts == AV_NOPTS_VALUE
        || reached.framePts == AV_NOPTS_VALUE)
        return;
    const int64_t mended = nextPts - guessedFrameStep;
    if (reached.framePts < mended && (reached.precedingPts == AV_NOPTS_VALUE || reached.precedingPts < mended))
        reached.framePts = mended;
}

void TFFmpegBackend::LearnGuessedFrameStep()
{
    const char* demuxer = format->iformat->name;
    const bool guessed = std::strcmp(demuxer, "mpeg") == 0 || std::strcmp(demuxer, "mpegvideo") == 0;
    const AVRational rate = stream->avg_frame_rate;
    if (!guessed || rate.num <= 0 || rate.den <= 0 || av_cmp_q(rate, stream->r_frame_rate) != 0)
        return;
    guessedFrameStep = av_rescale_q(1, av_inv_q(rate), stream->time_base);
}

TFFmpegBackend::TReadResult TFFmpegBackend::ReadVideoPacket()
{
    av_packet_unref(packet.get());
    for (int reads = 0; reads < MaxReadsPerPacket; ++reads) {
        const int result = av_read_frame(format.get(), packet.get());
        if (result < 0) {
            const bool atEnd = result == AVERROR_EOF || (format->pb && avio_feof(format->pb));
            return atEnd && !Interrupted(this) ? TReadResult::EndOfInput : TReadResult::Failed;
        }
        if (packet->stream_index == videoStreamIndex) {
            if (dataStartPos < 0 && packet->pos >= 0)
                dataStartPos = packet->pos;
            if (!(packet->flags & AV_PKT_FLAG_DISCARD))
                reached.lastPacketPts = MaxKnown(reached.lastPacketPts, PacketTimestamp(packet.get()));
            LearnKeyInterval();
            return TReadResult::Packet;
        }
        av_packet_unref(packet.get());
    }
    return TReadResult::NoVideoPacket;
}

// The longest distance between two key frames read one after the other.
void TFFmpegBackend::LearnKeyInterval()
{
    if (!(packet->flags & AV_PKT_FLAG_KEY))
        return;
    const int64_t timestamp = PacketTimestamp(packet.get());
    if (timestamp == AV_NOPTS_VALUE)
        return;
    if (reached.lastKeyPts != AV_NOPTS_VALUE && timestamp > reached.lastKeyPts)
        keyInterval = std::max(keyInterval, timestamp - reached.lastKeyPts);
    reached.lastKeyPts = timestamp;
}

void TFFmpegBackend::LearnStartOffset(int position)
{
    if (startOffset >= 0 || position != 0 || !reached.haveFrame || reached.framePts == AV_NOPTS_VALUE)
        return;
    // Kept in 64 bits: MPEG transport streams from broadcasts start anywhere
    // in a 33-bit clock, and a start time cut to 32 bits would move every
    // position by hours. A negative start time counts as not yet known.
    const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    startOffset = start < 0 ? -1 : start;
}

bool TFFmpegBackend::RenderFrame(TSafetyBitmap& frame)
{
    if (!reached.haveFrame || !currentFrame->data[0])
        return false;
    try {
        return conversion.Convert(*currentFrame, frame);
    } catch (...) {
        LogDroppedError("TFFmpegBackend::RenderFrame");
        return false;
    }
}

bool TFFmpegBackend::RenderReduced(QImage& picture, int maxWidth)
{
    if (!reached.haveFrame || !currentFrame->data[0])
        return false;
    try {
        return conversion.ConvertReduced(*currentFrame, maxWidth, picture);
    } catch (...) {
        LogDroppedError("TFFmpegBackend::RenderReduced");
        return false;
    }
}

QString TFFmpegBackend::PictureCorrection() const
{
    return codec ? conversion.Description() : QString();
}
