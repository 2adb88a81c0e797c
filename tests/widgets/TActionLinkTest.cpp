#include "widgets/TActionLink.h"

#include <QAction>
#include <QToolButton>
#include <gtest/gtest.h>

TEST(TActionLink, ButtonKeepsItsOwnCaptionAndHintAndTakesTheRestFromTheAction)
{
    QAction pause(QStringLiteral("一時停止"));
    pause.setToolTip(QStringLiteral("動画を一時停止します"));
    QToolButton own, plain;
    own.setText(QStringLiteral("停止"));
    TActionLink::Bind(&own, &pause);
    TActionLink::Bind(&plain, &pause);
    EXPECT_EQ(own.text(), QStringLiteral("停止"));
    EXPECT_EQ(own.toolTip(), QStringLiteral("動画を一時停止します"));
    EXPECT_EQ(plain.text(), QStringLiteral("一時停止"));

    QAction noHint(QStringLiteral("全選択"));
    QToolButton button;
    TActionLink::Bind(&button, &noHint);
    EXPECT_TRUE(button.toolTip().isEmpty()) << "an action without a hint gives none";
}

TEST(TActionLink, ButtonFollowsEnabledAndVisibleAndClicksTriggerTheAction)
{
    QAction play(QStringLiteral("再生"));
    QWidget window;
    auto* button = new QToolButton(&window);
    TActionLink::Bind(button, &play);
    window.show();
    int triggered = 0;
    QObject::connect(&play, &QAction::triggered, [&] { ++triggered; });
    button->click();
    EXPECT_EQ(triggered, 1);
    play.setEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    button->click();
    EXPECT_EQ(triggered, 1);
    play.setVisible(false);
    EXPECT_FALSE(button->isVisible());
    play.setVisible(true);
    EXPECT_TRUE(button->isVisible());
}
