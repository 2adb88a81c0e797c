#include "widgets/TIntegerList.h"

EIntegerList::EIntegerList(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

TIntegerList::TIntegerList(int count)
    : values(static_cast<size_t>(std::max(count, 0)), 0)
{
}

void TIntegerList::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw EIntegerList(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
}

int TIntegerList::Value(int index) const
{
    CheckIndex(index);
    return values[static_cast<size_t>(index)];
}

void TIntegerList::SetValue(int index, int value)
{
    CheckIndex(index);
    int& slot = values[static_cast<size_t>(index)];
    if (slot == value)
        return;
    slot = value;
    Changed();
}

void TIntegerList::Assign(const TIntegerList& source)
{
    if (source.Count() != Count())
        throw EIntegerList(QStringLiteral("Count of Values is mismatch."));
    if (source.values == values)
        return;
    values = source.values;
    Changed();
}

void TIntegerList::Changed()
{
    if (OnChange)
        OnChange();
}
