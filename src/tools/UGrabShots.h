#pragma once

class TGrabOptions;
class TMovieDecoder;

// pellumo-grab --shots and --list-shots on one open video: scans the range
// for cuts (ScanShotFrames, FindCuts), prints each cut with --list-shots and,
// with --shots, writes one picture per shot (PickShotFrames), leaving out
// a shot whose picture is a near duplicate (IsNearDuplicate) of one already
// written, then the summary line. 1 when a picture cannot be fetched or
// written.
int GrabShots(TMovieDecoder& decoder, const TGrabOptions& options);
