#pragma once

class TMovieDecoder;

// The frames within this many milliseconds either side of a position are
// the candidates of the sharpest-frame search.
inline constexpr int SharpestFrameRadiusMs = 500;

struct TSharpestFrame
{
    int position = -1; // FramePosition of the sharpest frame; -1 when no frame had a score
    double score = 0;  // its SharpnessScore
    int examined = 0;  // frames looked at
};

// Walks frame by frame through [position - radius, position + radius] (kept
// inside the video), scores each frame (SharpnessScore: near-black and
// near-uniform frames have none) and leaves the sharpest one rendered in
// the decoder; the first of equals wins. Without any score (or when the
// sharpest frame cannot be fetched again) position is -1 and the frame at
// position is rendered again.
TSharpestFrame FindSharpestFrame(TMovieDecoder& decoder, int position, int radiusMs = SharpestFrameRadiusMs);
