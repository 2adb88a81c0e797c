#pragma once

#include "widgets/TAlignOffset.h"

#include <QPointer>
#include <QWidget>

// The alignment rule shared by the kit's panels: the base control covers the
// whole client area, the other children are aligned (through the panel's
// layout) inside the client area shrunk by the insets.
class TInsetAlignment
{
public:
    explicit TInsetAlignment(QWidget* panel);

    TAlignOffset& AlignOffset() { return offset; }
    QWidget* BaseControl() const { return base; }
    void SetBaseControl(QWidget* control);

    // Call from the panel's resize event; inset changes realign at once.
    void Realign();

private:
    QWidget* panel;
    TAlignOffset offset;
    QPointer<QWidget> base; // forgets a base control destroyed elsewhere
};
