#pragma once

#include "decoder/UMovieBackend.h"
#include "decoder/avifile/AviFileServices.h"

#include <QByteArrayView>

class QBuffer;

// Serves the files the FFmpeg back end refuses through the AVI file services:
// chooses the video stream, maps milliseconds to samples, and turns the
// frame server's packed DIBs into the 24-bit frame bitmap through the
// program's BMP reader.
class TAviBackend : public TMovieBackend
{
public:
    TAviBackend() = default;
    ~TAviBackend() override;

    bool Open(const QString& fileName, TSafetyBitmap& frame) override;
    bool Close() override;
    int Duration() const override;
    int FrameWidth() const override { return pictureWidth; }
    int FrameHeight() const override { return pictureHeight; }
    bool SeekTo(int position) override;
    bool RenderFrame(TSafetyBitmap& frame) override;
    bool NextFrame() override;
    bool PreviousFrame() override;
    int FramePosition() const override;

    int FirstSample() const { return firstSample; }
    int LastSample() const { return lastSample; }
    // The number of the stream chosen at open (for tests and diagnostics).
    int StreamNumber() const { return streamNumber; }

    // Makes an in-memory BMP file of a packed DIB: the 14-byte file header,
    // then as much of the DIB as the header's sizes call for. False when the
    // DIB is shorter than that.
    static bool BuildBitmapFileStream(QByteArrayView dib, QBuffer& stream);

private:
    bool OpenAviFile(const QString& fileName, TSafetyBitmap& frame);
    bool ChooseVideoStream();
    bool ListsFrameData() const;
    bool FirstFrameDelivered();
    bool MeasureLastFrame();
    void ReleaseStreamAndFile();
    void CloseFrameServer();
    bool FetchSample(int sample);

    avifile::PAVIFILE file;
    avifile::PAVISTREAM stream;
    avifile::PGETFRAME frameServer;
    QByteArrayView lastFrame;
    int streamNumber = -1;
    int firstSample = 0;
    int lastSample = -1;
    int currentSample = -1; // the sample of lastFrame
    int pictureWidth = -1;
    int pictureHeight = -1;
};
