#pragma once

#include <QListView>

#include <algorithm>
#include <functional>

// The browser's list: an icon view whose items the browser places itself.
// Keys that act on the scene list (Enter, Delete, Ctrl+A, Space, and Esc
// while a preview is open) are handed to the browser and always consumed, so
// that Enter never reaches a default button of the window around it. A window
// that routes Enter or Esc itself (an application event filter) must leave
// them to a focused TBrowserListView, see Claims.
//
// The wheel scrolls by rows of items (one row a notch); with Ctrl it asks for
// another thumbnail size instead.
class TBrowserListView : public QListView
{
    Q_OBJECT
public:
    explicit TBrowserListView(QWidget* parent = nullptr);

    // True for the keys this list handles itself: Enter/Return, Delete,
    // Ctrl+A, Space.
    static bool ClaimsKey(const QKeyEvent& key);
    // ClaimsKey, and Esc while ClaimEscape is set.
    bool Claims(const QKeyEvent& key) const;
    // Set by the browser while Esc has something to close.
    bool ClaimEscape = false;

    std::function<void()> OnActivateKey;   // Enter or Return
    std::function<void()> OnDeleteKey;
    std::function<void()> OnSelectAllKey;  // Ctrl+A
    std::function<void()> OnSpaceKey;
    std::function<void()> OnEscapeKey;     // while ClaimEscape
    // Ctrl + wheel: +1 per notch away from the user (larger), -1 towards.
    std::function<void(int steps)> OnZoomWheel;
    std::function<void()> OnDblClick;
    std::function<void()> OnResize;
    // After the view has laid its items out (new items, new item sizes).
    std::function<void()> OnItemsLayout;

    void doItemsLayout() override;
    // Items are placed by the browser (icon mode, free movement).
    using QListView::setPositionForIndex;
    // The scrollable area after the browser placed the items (the view only
    // ever grows it while items move).
    void SetContentsSize(QSize size);
    // The height of one row of items: what one wheel notch scrolls.
    void SetRowHeight(int height) { rowHeight = std::max(height, 1); }
    int RowHeight() const { return rowHeight; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // Shift with the arrow keys selects the items from the anchor to the new
    // current item in list order (scene numbers), not the rectangle between
    // them; the rubber band stays rectangular.
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;

private:
    bool keyboardRange = false;
    int rowHeight = 1;
    int wheelAngle = 0;  // left over from earlier notches (fine-grained wheels)
    int zoomAngle = 0;
};
