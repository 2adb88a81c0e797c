#pragma once

#include "decoder/UAvPointer.h"
#include "decoder/UFrameConversion.h"
#include "decoder/UMovieBackend.h"
#include "decoder/USeekPolicy.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

// Decodes any container and codec the FFmpeg libraries open, except the
// codecs left to the AVI back end. The frame delivered for a position is the
// first frame in presentation order whose timestamp is at or after it.
class TFFmpegBackend : public TMovieBackend
{
public:
    // Counters for tests and benchmarks: they show how a fetch was served.
    struct TStatistics
    {
        int seeks = 0;          // container seeks (each back-off step counts)
        int packetsSent = 0;    // video packets given to the decoder
        int packetsSkipped = 0; // of those, sent while non-reference frames were discarded
        int framesReceived = 0; // pictures the decoder handed out
    };

    // decoderThreads: FFmpeg's own decoding threads (0 = one per core,
    // 1 = none). The program uses the default; benchmarks compare.
    explicit TFFmpegBackend(int decoderThreads = DefaultDecoderThreads);
    ~TFFmpegBackend() override;

    bool Open(const QString& fileName, TSafetyBitmap& frame) override;
    bool Close() override;
    int Duration() const override;
    int FrameWidth() const override;
    int FrameHeight() const override;
    bool SeekTo(int position) override;
    bool RenderFrame(TSafetyBitmap& frame) override;
    bool RenderReduced(QImage& picture, int maxWidth) override;
    bool NextFrame() override;
    bool NextFrameUnkept() override;
    bool PreviousFrame() override;
    int FramePosition() const override;
    void SetStoredPixels(bool stored) override { storedPixels = stored; }
    QString PictureCorrection() const override;
    std::vector<int> KeyFramePositions() const override;

    // Skipping non-reference frames before the target is exact; it can be
    // switched off to measure its gain.
    void SetSkipNonReference(bool skip) { skipNonReference = skip; }

    const TStatistics& Statistics() const { return statistics; }
    void ResetStatistics() { statistics = {}; }

    static constexpr int DefaultDecoderThreads = 0;

private:
    enum class TReadResult { Packet, NoVideoPacket, EndOfInput, Failed };
    enum class TDecodeResult { Reached, NeedInput, Drained, Failed };
    enum class TLanding { Accepted, Late, Failed };

    bool OpenInput(const QString& fileName);
    bool OpenCodec();
    bool IsStreamUsable();
    bool IsDurationUsable();
    bool MeasureDuration();
    int64_t LastPacketEndUs();
    void ReleaseAll();
    static int Interrupted(void* backend);
    // Every fetch and every step gets SeekDeadline of its own.
    void ArmDeadline();

    int64_t TargetTimestamp(int position) const;
    bool CurrentFrameAnswers(int64_t ts) const;
    bool NoPacketFrom(int64_t ts) const;
    bool CanDecodeForward(int64_t ts) const;
    bool SeekAndDecode(int64_t ts);
    TLanding SeekAndFindKeyPacket(int64_t seekPoint, int64_t limit);
    TLanding RewindToStart(int64_t limit);
    TLanding FindKeyPacket(int64_t limit, bool acceptAny);
    bool DecodeForward(int64_t ts, int64_t fromPts);
    void SendCurrentPacket(int64_t ts);
    TDecodeResult ReceiveUntil(int64_t ts);
    void AcceptFrame(int64_t pts);
    void MendGuessedTimestamp(int64_t nextPts);
    void LearnGuessedFrameStep();
    TReadResult ReadVideoPacket();
    void LearnKeyInterval();
    void ForgetDecoderPosition();
    void LearnStartOffset(int position);
    bool BeforeWindowEnd(int64_t from, int64_t ts) const;

    static int64_t PacketTimestamp(const AVPacket* packet);

    // Frame stepping (UFFmpegFrameStep.cpp).
    bool StepForward(bool keep);
    bool DeliverFrameAt(int64_t ts);
    bool KeptFrameAnswers(int64_t ts);
    struct TKeptFrame;
    bool KeptFrameCovers(const TKeptFrame& kept, int64_t ts) const;
    bool RefillStepBack(int64_t shownPts);
    bool ShowLatestBefore(int64_t pts);
    void Show(int index);
    void KeepForStepBack();
    void ForgetStepBack();
    int64_t ShownPts() const;
    int StepBackCapacity() const;
    int PositionOf(int64_t pts) const;

    const int decoderThreads;
    bool skipNonReference = true;

    TAvPointer<AVFormatContext, avformat_close_input> format;
    TAvPointer<AVCodecContext, avcodec_free_context> codec;
    TAvPointer<AVPacket, av_packet_free> packet;
    TAvPointer<AVFrame, av_frame_free> currentFrame; // the delivered picture
    TAvPointer<AVFrame, av_frame_free> scratchFrame; // receives each decoded picture
    TFrameConversion conversion;       // the decoded frame to the delivered picture
    bool storedPixels = false;
    std::unique_ptr<TKeyFrameIndex> keyFrameIndex;   // the stream's index, as the seek rules see it

    // What is known of the open file; set at open, kept across seeks.
    AVStream* stream = nullptr;
    int videoStreamIndex = -1;
    int64_t durationUs = 0;
    int64_t startOffset = -1;   // stream start time in time-base units, learned at position 0
    int64_t dataStartPos = -1;  // byte position of the first packet, for rewinding
    int64_t keyInterval = 0;    // longest key-frame distance seen, time-base units
    int64_t guessedFrameStep = 0; // frame distance where the first frame after a seek has a guessed time
    int width = 0;
    int height = 0;
    // Libavformat calls give up after this (interrupt callback); set at the
    // start of the open and of every SeekTo.
    std::chrono::steady_clock::time_point deadline;

    // Where the decoder stands: the delivered frame, the frame before it,
    // and the reading and decoding state that leads to the next one. Every
    // seek and every close forgets it, in ForgetDecoderPosition only.
    struct TDecoderPosition
    {
        bool haveFrame = false;                // currentFrame holds a delivered picture
        int64_t framePts = AV_NOPTS_VALUE;     // its timestamp
        int64_t precedingPts = AV_NOPTS_VALUE; // the frame before it, delivered or skipped
        std::vector<int64_t> skippedTimestamps; // sent under discard, not yet passed by a frame
        int64_t keyPts = AV_NOPTS_VALUE;       // frames before the key frame after a seek are dropped
        bool packetPending = false;            // the key packet found after a seek is still to be sent
        int64_t lastKeyPts = AV_NOPTS_VALUE;   // last key packet read since the last seek
        bool inputEnded = false;               // end of input reached and signalled to the decoder
        bool drained = false;                  // every frame of the stream has been handed out
        int64_t lastPacketPts = AV_NOPTS_VALUE; // latest video packet read since the seek
        bool firstAfterSeek = false;           // the delivered frame is the first since the seek
    };
    TDecoderPosition reached;

    // The frames just before the delivered one, all of them, in presentation
    // order, kept while stepping so that a step back costs no seek. The
    // last entry is the frame right before reached.framePts. shownIndex
    // points at the entry on screen, or is -1 when the delivered frame is;
    // the picture on screen is always in currentFrame (Show swaps it with
    // the entry's, so rendering needs to know nothing of this).
    struct TKeptFrame
    {
        int64_t pts = AV_NOPTS_VALUE;
        int64_t precedingPts = AV_NOPTS_VALUE;
        TAvPointer<AVFrame, av_frame_free> frame;
    };
    std::vector<TKeptFrame> stepBack;
    int shownIndex = -1;
    bool keepForStepBack = false; // frames passed while stepping go to stepBack

    TStatistics statistics;
};
