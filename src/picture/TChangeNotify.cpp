#include "picture/TChangeNotify.h"

void TChangeNotify::BeginUpdate()
{
    if (updateCount == 0)
        changePending = false;
    ++updateCount;
}

void TChangeNotify::EndUpdate()
{
    if (updateCount == 0)
        return;   // unbalanced: never let the counter go negative and swallow later changes
    --updateCount;
    if (updateCount == 0 && changePending) {
        changePending = false;
        Notify(Owner(), ntfPictureChanged);
        if (OnChange)
            OnChange(this);
    }
}

void TChangeNotify::Changed()
{
    BeginUpdate();
    changePending = true;
    EndUpdate();
}
