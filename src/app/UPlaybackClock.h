#pragma once

#include <QtGlobal>

// The playback clock's tick source: milliseconds as a wrapping 32-bit count.
// Differences are taken in 32-bit arithmetic, so the wrap after about 49.7
// days does not disturb playback. Tests install their own source.
class TTickSource
{
public:
    virtual ~TTickSource() = default;
    virtual quint32 TickCount() const = 0;

    // Milliseconds from start to now, signed, correct across the wrap.
    static qint32 Elapsed(quint32 start, quint32 now) { return static_cast<qint32>(now - start); }
};

// CLOCK_MONOTONIC in milliseconds.
class TSystemTickSource : public TTickSource
{
public:
    quint32 TickCount() const override;
};
