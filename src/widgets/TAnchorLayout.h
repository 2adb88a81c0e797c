#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
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

    // The rectangle for a child placed at rect while the parent was
    // placedIn, now that the parent is size.
    static QRect Follow(const QRect& rect, QSize placedIn, QSize size, TAnchors anchors);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TAnchorLayout(QWidget* parent);
    static TAnchorLayout* For(QWidget* parent);
    void Apply();

    struct Entry
    {
        QPointer<QWidget> child;
        QRect rect;
        QSize placedIn;
        TAnchors anchors;
    };
    QWidget* parentWidget;
    // The parent size the children's geometries currently reflect; a hidden
    // parent gets its resize events only when shown.
    QSize appliedSize;
    std::vector<Entry> entries;
};
