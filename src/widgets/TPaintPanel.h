#pragma once

#include "widgets/TInsetAlignment.h"
#include "widgets/TOriginalControl.h"

#include <functional>

class QPainter;

// A panel that fills its client area with its brush, or hands the painting to
// OnPaint (the brush already set on the painter).
class TPaintPanel : public TOriginalControl
{
    Q_OBJECT
public:
    explicit TPaintPanel(QWidget* parent = nullptr);

    TAlignOffset& AlignOffset() { return alignment.AlignOffset(); }
    QWidget* BaseControl() const { return alignment.BaseControl(); }
    void SetBaseControl(QWidget* control) { alignment.SetBaseControl(control); }

    std::function<void(QPainter&)> OnPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The face drawn when no OnPaint is set.
    virtual void PaintFace(QPainter& painter);

private:
    TInsetAlignment alignment;
};
