#include "decoder/UAviBackend.h"

// Not yet served: every open fails, so the decoder reports the file as
// unreadable.
bool TAviBackend::Open(const QString&, TSafetyBitmap&) { return false; }
bool TAviBackend::Close() { return true; }
int TAviBackend::Duration() const { return -1; }
int TAviBackend::FrameWidth() const { return -1; }
int TAviBackend::FrameHeight() const { return -1; }
bool TAviBackend::SeekTo(int) { return false; }
bool TAviBackend::RenderFrame(TSafetyBitmap&) { return false; }
