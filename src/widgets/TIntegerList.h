#pragma once

#include <QString>
#include <functional>
#include <stdexcept>
#include <vector>

// Raised for an index outside the list and for copies between lists whose
// counts differ.
class EIntegerList : public std::runtime_error
{
public:
    explicit EIntegerList(const QString& message);
};

// A fixed number of integers with a change event; the base of the insets
// used by the panels of the window kit.
class TIntegerList
{
public:
    explicit TIntegerList(int count);
    virtual ~TIntegerList() = default;

    int Count() const { return static_cast<int>(values.size()); }
    int Value(int index) const;
    // Fires OnChange when the stored value actually changes.
    void SetValue(int index, int value);
    // Copies every value of source; the counts must match.
    void Assign(const TIntegerList& source);

    std::function<void()> OnChange;

private:
    void CheckIndex(int index) const;
    void Changed();

    std::vector<int> values;
};
