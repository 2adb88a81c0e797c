#include "widgets/TFormPanel.h"
#include "widgets/TPaintPanel.h"
#include "widgets/TShadowPanel.h"

#include <QPainter>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

QImage Render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::green);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

TEST(TPaintPanel, InsetsShrinkTheAlignedAreaButNotTheBaseControl)
{
    TPaintPanel panel;
    EXPECT_EQ(panel.size(), QSize(100, 100));
    auto* base = new QWidget(&panel);
    auto* filled = new QWidget;
    auto* layout = new QVBoxLayout(&panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(filled);
    panel.SetBaseControl(base);
    panel.resize(200, 150);
    panel.AlignOffset().SetAll(8, 8, 1, 8);
    layout->activate();
    EXPECT_EQ(base->geometry(), QRect(0, 0, 200, 150));
    EXPECT_EQ(filled->geometry(), QRect(8, 8, 191, 134));

    delete base; // a destroyed base control is forgotten
    EXPECT_EQ(panel.BaseControl(), nullptr);
    panel.resize(210, 150);
}

TEST(TPaintPanel, FillsWithTheBrushOrLeavesPaintingToOnPaint)
{
    TPaintPanel panel;
    panel.SetBrush(QColor(180, 180, 180));
    EXPECT_EQ(Render(panel).pixelColor(50, 50), QColor(180, 180, 180));
    QColor brushSeen;
    panel.OnPaint = [&](QPainter& painter) {
        brushSeen = painter.brush().color();
        painter.fillRect(0, 0, 10, 10, Qt::red);
    };
    const QImage image = Render(panel);
    EXPECT_EQ(brushSeen, QColor(180, 180, 180));
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(50, 50), QColor(Qt::green)) << "OnPaint replaces the fill";
}

TEST(TShadowPanel, ShapeLeavesTheTwoCornerSquaresOpen)
{
    const QRegion shape = TShadowPanel::ShapeFor(QSize(40, 30), true, 2);
    EXPECT_TRUE(shape.contains(QPoint(0, 0)));
    EXPECT_TRUE(shape.contains(QPoint(39, 29)));
    EXPECT_FALSE(shape.contains(QPoint(38, 0)));  // top right square
    EXPECT_FALSE(shape.contains(QPoint(39, 1)));
    EXPECT_FALSE(shape.contains(QPoint(0, 28)));  // bottom left square
    EXPECT_FALSE(shape.contains(QPoint(1, 29)));
    EXPECT_TRUE(shape.contains(QPoint(37, 0)));
    EXPECT_TRUE(shape.contains(QPoint(2, 29)));
    EXPECT_EQ(TShadowPanel::ShapeFor(QSize(40, 30), false, 2), QRegion(0, 0, 40, 30));
    EXPECT_EQ(TShadowPanel::ShapeFor(QSize(40, 30), true, 0), QRegion(0, 0, 40, 30));
}

TEST(TShadowPanel, FaceOutlineAndShadowArePaintedWhereTheyBelong)
{
    TShadowPanel panel;
    panel.resize(40, 30);
    panel.SetBrush(Qt::white);
    panel.SetShadowColor(Qt::blue);
    panel.show(); // hidden widgets get their resize events only when shown
    const QImage image = Render(panel);
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));   // outline
    EXPECT_EQ(image.pixelColor(37, 27), QColor(Qt::black)); // outline, bottom right of the face
    EXPECT_EQ(image.pixelColor(20, 15), QColor(Qt::white)); // face
    EXPECT_EQ(image.pixelColor(39, 29), QColor(Qt::blue));  // shadow
    EXPECT_EQ(image.pixelColor(38, 10), QColor(Qt::blue));
    EXPECT_EQ(panel.mask(), TShadowPanel::ShapeFor(QSize(40, 30), true, 2));

    panel.SetShadow(false);
    EXPECT_EQ(panel.mask(), QRegion(0, 0, 40, 30));
    EXPECT_EQ(Render(panel).pixelColor(39, 29), QColor(Qt::black)) << "outline moves to the edge";
    panel.SetShadow(true);
    panel.SetShadowWidth(4);
    panel.resize(50, 50);
    EXPECT_EQ(panel.mask(), TShadowPanel::ShapeFor(QSize(50, 50), true, 4));
}

class ActivatedForm : public QWidget
{
    Q_OBJECT
public:
    int activations = 0;
public slots:
    void FormActivate() { ++activations; }
};

TEST(TFormPanel, HostsAFormBorderlessFillingThePanelAndActivatesItOnce)
{
    QWidget window;
    auto* panel = new TFormPanel(&window);
    panel->resize(304, 315);
    auto* form = new ActivatedForm;
    form->setWindowTitle("browser");
    panel->SetForm(form);
    window.show();
    EXPECT_EQ(form->parentWidget(), panel);
    EXPECT_FALSE(form->isWindow());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->activations, 1);
    panel->resize(320, 300);
    panel->layout()->activate();
    EXPECT_EQ(form->geometry(), QRect(0, 0, 320, 300));
    panel->AlignOffset().SetAll(1, 2, 3, 4);
    panel->layout()->activate();
    EXPECT_EQ(form->geometry(), QRect(1, 2, 316, 294));
}

TEST(TFormPanel, ReleasedFormGoesBackToItsOwnerAndSurvivesThePanel)
{
    QWidget owner;
    QPointer<QWidget> form = new QWidget(&owner);
    {
        TFormPanel panel;
        panel.SetForm(form);
        EXPECT_EQ(form->parentWidget(), &panel);
    }
    ASSERT_FALSE(form.isNull());
    EXPECT_EQ(form->parentWidget(), &owner);
    EXPECT_FALSE(form->isVisible());

    TFormPanel panel;
    QPointer<QWidget> orphan = new QWidget;
    panel.SetForm(orphan);
    delete orphan.data(); // destroyed elsewhere: forgotten
    EXPECT_EQ(panel.Form(), nullptr);
    QPointer<QWidget> owned = new QWidget;
    panel.SetForm(owned);
    panel.SetForm(nullptr);
    EXPECT_TRUE(owned.isNull()) << "a form without an owner was the panel's to free";
}

TEST(TFormPanel, TrapHelpLendsTheHostedHelpContextOnlyToAParentWithout)
{
    QWidget window;
    auto* panel = new TFormPanel(&window);
    panel->SetTrapHelp(true);
    auto* form = new QWidget(&window);
    form->setProperty(TFormPanel::HelpContextProperty, 6100);
    panel->SetForm(form);
    EXPECT_EQ(window.property(TFormPanel::HelpContextProperty).toInt(), 6100);
    panel->SetForm(nullptr);
    EXPECT_EQ(window.property(TFormPanel::HelpContextProperty).toInt(), 0);

    window.setProperty(TFormPanel::HelpContextProperty, 6007);
    panel->SetForm(form);
    EXPECT_EQ(window.property(TFormPanel::HelpContextProperty).toInt(), 6007);
    panel->SetForm(nullptr);
    EXPECT_EQ(window.property(TFormPanel::HelpContextProperty).toInt(), 6007);
}

#include "TPanelsTest.moc"
