#pragma once

// Sends FFmpeg's own log lines ("start time for stream 0 is not set", a
// damaged packet's complaint) to the program's logging category instead of
// standard error, where they would reach a host's or a script's output.
// Warnings and errors are kept (as warnings); the rest is dropped. Safe to
// call more than once.
void RouteFFmpegLog();
