#pragma once

#include <QIcon>

// The pictures on the window's speed and bitmap buttons, drawn in code so that
// they scale cleanly and need no files.
enum class TGlyph {
    Play, Pause, Rewind, StepPrev, StepNext, Capture, OpenFile, SearchDisc, Help, Ok, Cancel,
    SelectAll, UnselectAll, Delete, DeleteAll, Update, Save
};

QIcon KadrixGlyph(TGlyph glyph);
