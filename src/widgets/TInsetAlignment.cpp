#include "widgets/TInsetAlignment.h"

TInsetAlignment::TInsetAlignment(QWidget* panel)
    : panel(panel)
{
    offset.OnChange = [this] { Realign(); };
}

void TInsetAlignment::SetBaseControl(QWidget* control)
{
    base = control;
    Realign();
}

void TInsetAlignment::Realign()
{
    if (base && base->parentWidget() == panel)
        base->setGeometry(panel->rect());
    // A layout on the panel aligns the children inside the contents rectangle.
    panel->setContentsMargins(offset.Margins());
}
