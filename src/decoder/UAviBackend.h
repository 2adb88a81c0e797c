#pragma once

#include "decoder/UMovieBackend.h"

// Serves the files the FFmpeg back end refuses through the AVI file services.
class TAviBackend : public TMovieBackend
{
public:
    bool Open(const QString& fileName, TSafetyBitmap& frame) override;
    bool Close() override;
    int Duration() const override;
    int FrameWidth() const override;
    int FrameHeight() const override;
    bool SeekTo(int position) override;
    bool RenderFrame(TSafetyBitmap& frame) override;
};
