#pragma once

#include <QListView>

#include <functional>

// The browser's list: an icon view whose items the browser places itself.
// Keys that act on the scene list (Enter, Delete, Ctrl+A) are handed to the
// browser and always consumed, so that Enter never reaches a default button
// of the window around it. A window that routes Enter itself (an application
// event filter) must leave it to a focused TBrowserListView, see ClaimsKey.
class TBrowserListView : public QListView
{
    Q_OBJECT
public:
    explicit TBrowserListView(QWidget* parent = nullptr);

    // True for the keys this list handles itself: Enter/Return, Delete, Ctrl+A.
    static bool ClaimsKey(const QKeyEvent& key);

    std::function<void()> OnActivateKey;   // Enter or Return
    std::function<void()> OnDeleteKey;
    std::function<void()> OnSelectAllKey;  // Ctrl+A
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

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Shift with the arrow keys selects the items from the anchor to the new
    // current item in list order (scene numbers), not the rectangle between
    // them; the rubber band stays rectangular.
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;

private:
    bool keyboardRange = false;
};
