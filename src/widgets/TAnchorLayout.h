#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <optional>
#include <vector>

class QWidget;

// Edges of a child that follow its parent's edges when the parent is resized,
// combined with | (Anchor::Left | Anchor::Top).
using TAnchors = int;
namespace Anchor {
inline constexpr TAnchors Left = 1;
inline constexpr TAnchors Top = 2;
inline constexpr TAnchors Right = 4;
inline constexpr TAnchors Bottom = 8;
} // namespace Anchor

// Shares of the parent's change in width that a child's left and right edges
// follow, from 0 (stays) to 1 (moves with the right edge): two neighbours that
// split the change between them use the same share for the edges they meet at.
struct THorizontalShare
{
    double left = 0;
    double right = 1;
};

// Keeps children at their placed positions relative to the anchored edges of
// their parent: an edge anchored on both sides stretches, an edge anchored
// only right or bottom moves with that edge, and a dimension anchored on
// neither side keeps the child centred on its share of the change.
class TAnchorLayout : public QObject
{
    Q_OBJECT
public:
    // Places child at rect (relative to its parent's current size) and keeps
    // it anchored from now on. Placing again re-bases the child.
    static void Place(QWidget* child, const QRect& rect, TAnchors anchors);
    // As above, with the left and right edges following shares of the
    // parent's change in width instead of the left and right anchors.
    static void Place(QWidget* child, const QRect& rect, TAnchors anchors, THorizontalShare share);

    // The rectangle for a child placed at rect while the parent was
    // placedIn, now that the parent is size.
    static QRect Follow(const QRect& rect, QSize placedIn, QSize size, TAnchors anchors,
                        std::optional<THorizontalShare> share = std::nullopt);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TAnchorLayout(QWidget* parent);
    static TAnchorLayout* For(QWidget* parent);
    static void Place(QWidget* child, const QRect& rect, TAnchors anchors, std::optional<THorizontalShare> share);
    void Apply();

    struct Entry
    {
        QPointer<QWidget> child;
        QRect rect;
        QSize placedIn;
        TAnchors anchors;
        std::optional<THorizontalShare> share;
    };
    QWidget* parentWidget;
    // The parent size the children's geometries currently reflect; a hidden
    // parent gets its resize events only when shown.
    QSize appliedSize;
    std::vector<Entry> entries;
};
