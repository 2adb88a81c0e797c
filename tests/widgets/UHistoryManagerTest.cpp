#include "TMenuText.h"
#include "widgets/UHistoryManager.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Key = QStringLiteral("1/OpenMovieHistory");
const QString Clear = QStringLiteral("履歴の消去");

class HistoryManagerTest : public testing::Test
{
protected:
    // Each store is a separate QSettings on the same file, as two managers
    // or two running copies of the program have.
    std::unique_ptr<QSettings> Store() const
    {
        return std::make_unique<QSettings>(folder.filePath("Kadrix.conf"), QSettings::IniFormat);
    }

    // A manager on its own menu; with leading, the placeholder is not the
    // menu's first item.
    std::unique_ptr<THistoryManager> Manager(QMenu& menu, bool leading = false, const QString& clear = Clear)
    {
        if (leading)
            menu.addAction(QStringLiteral("Open"));
        QAction* placeholder = menu.addAction(QStringLiteral("placeholder"));
        auto manager = std::make_unique<THistoryManager>();
        manager->SetRegistryKey(Key);
        manager->SetClearHistoryCaption(clear);
        manager->SetMenuItem(placeholder);
        manager->SetStore(Store());
        return manager;
    }

    QStringList StoredKeys() const
    {
        auto store = Store();
        store->beginGroup(Key);
        QStringList keys = store->childKeys();
        keys.sort();
        return keys;
    }

    QTemporaryDir folder;
};

} // namespace

TEST_F(HistoryManagerTest, ElevenAddsKeepTheTenNewestFirstAsItem0ToItem9)
{
    QMenu menu;
    auto history = Manager(menu);
    QStringList expected, keys;
    for (int i = 0; i < 11; ++i) {
        history->Add(QStringLiteral("/v/m%1.avi").arg(i));
        expected.prepend(QStringLiteral("/v/m%1.avi").arg(i));
        keys.append(QStringLiteral("Item%1").arg(std::min(i, 9)));
    }
    expected.removeLast();
    keys.removeDuplicates();
    keys.sort();
    EXPECT_EQ(history->Items(), expected);
    EXPECT_EQ(StoredKeys(), keys);
    // Values are read by number: a stray Item10 comes after Item9, beyond the limit.
    Store()->setValue(Key + "/Item10", "/v/stray.avi");
    EXPECT_EQ(history->Items(), expected);
    history->Remove("/v/m10.avi");
    EXPECT_EQ(StoredKeys(), keys.mid(0, 9)); // rewritten without stale values
}

TEST_F(HistoryManagerTest, EntriesAreMatchedByTheirCleanedPathWithLetterCase)
{
    struct Case
    {
        QStringList before; // most recent first
        QString added;
        QString removed;
        QStringList after;
    };
    const Case cases[] = {
        {{"/v/a.avi", "/v/b.avi"}, "/v/b.avi", {}, {"/v/b.avi", "/v/a.avi"}},
        {{"/v/a.avi"}, "/v/./x/../a.avi", {}, {"/v/./x/../a.avi"}},
        // Different files on a case-sensitive file system.
        {{"/v/Clip.avi"}, "/v/clip.avi", {}, {"/v/clip.avi", "/v/Clip.avi"}},
        {{"/v/Clip.avi", "/v/clip.avi"}, {}, "/v/clip.avi", {"/v/Clip.avi"}},
        {{"/v/a.avi"}, {}, "/v/A.AVI", {"/v/a.avi"}},
    };
    for (const Case& c : cases) {
        QMenu menu;
        auto history = Manager(menu);
        for (auto it = c.before.rbegin(); it != c.before.rend(); ++it)
            history->Add(*it);
        if (!c.added.isEmpty())
            history->Add(c.added);
        if (!c.removed.isEmpty())
            history->Remove(c.removed);
        EXPECT_EQ(history->Items(), c.after) << c.added.toStdString() << c.removed.toStdString();
        Store()->clear();
    }
}

TEST_F(HistoryManagerTest, PathsSurviveTheStoreUnchanged)
{
    const QStringList paths = {"/v/R&B.avi", "/v/a,b.avi", "@v.avi", "/v/ lead", "/動画/テスト.mp4",
                               "/v/back\\slash=1;x.avi", "/v/\"quoted\".avi"};
    QMenu menu;
    auto history = Manager(menu);
    for (auto it = paths.rbegin(); it != paths.rend(); ++it)
        history->Add(*it);
    QMenu other;
    EXPECT_EQ(Manager(other)->Items(), paths);
}

TEST_F(HistoryManagerTest, MenusShowEntriesSeparatorsAndTheClearItem)
{
    struct Case
    {
        QStringList entries;
        bool leading;
        QString clear;
        bool accelerator;
        QStringList shown;
    };
    const Case cases[] = {
        {{}, false, Clear, false, {}},
        {{}, true, Clear, false, {"Open"}},
        {{"/v/a.avi", "/v/R&B.avi"}, false, Clear, false, {"/v/a.avi", "/v/R&B.avi", "-", Clear}},
        {{"/v/a.avi"}, true, Clear, false, {"Open", "-", "/v/a.avi", "-", Clear}},
        {{"/v/a.avi"}, false, {}, false, {"/v/a.avi"}},
        {{"/v/a.avi", "/v/R&B.avi"}, false, {}, true, {"0 /v/a.avi", "1 /v/R&B.avi"}},
    };
    for (const Case& c : cases) {
        QMenu menu;
        auto history = Manager(menu, c.leading, c.clear);
        history->SetUseAccelerator(c.accelerator);
        for (auto it = c.entries.rbegin(); it != c.entries.rend(); ++it)
            history->Add(*it);
        EXPECT_EQ(ShownItems(menu), c.shown) << c.shown.join('|').toStdString();
        Store()->clear();
    }
}

TEST_F(HistoryManagerTest, AnOutdatedItemOpensTheEntryItShows)
{
    QMenu fileMenu, popup;
    auto file = Manager(fileMenu);
    auto button = Manager(popup);
    file->Add("/v/b.avi");
    file->Add("/v/a.avi");
    EXPECT_EQ(ShownItems(popup), QStringList());
    emit popup.aboutToShow(); // shows what the other manager stored since
    EXPECT_EQ(ShownItems(popup), QStringList({"/v/a.avi", "/v/b.avi", "-", Clear}));
    // The list changes under the built popup: its second item no longer
    // matches the second entry.
    file->Add("/v/c.avi");
    QSignalSpy picked(button.get(), &THistoryManager::OnMenuClick);
    QPointer<QAction> item = ShownItem(popup, "/v/b.avi");
    ASSERT_TRUE(item);
    item->trigger();
    ASSERT_EQ(picked.size(), 1);
    EXPECT_EQ(picked[0][0].toString(), "/v/b.avi");
    EXPECT_EQ(file->Items(), QStringList({"/v/b.avi", "/v/c.avi", "/v/a.avi"}));
    // The clicked item outlives its own dispatch and is freed afterwards.
    EXPECT_TRUE(item);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(item);
    EXPECT_EQ(ShownItems(popup).first(), "/v/b.avi");
}

TEST_F(HistoryManagerTest, ClearingEmptiesTheStoreAndTheMenu)
{
    QMenu menu;
    auto history = Manager(menu);
    history->Add("/v/a.avi");
    QSignalSpy cleared(history.get(), &THistoryManager::OnClearClick);
    ShownItem(menu, Clear)->trigger();
    EXPECT_EQ(cleared.size(), 1);
    EXPECT_TRUE(history->Items().isEmpty());
    EXPECT_TRUE(StoredKeys().isEmpty());
    EXPECT_EQ(ShownItems(menu), QStringList());
}

TEST_F(HistoryManagerTest, AKeyWithoutBothPartsIsRefused)
{
    for (const QString& key : {QString(), QStringLiteral("OpenMovieHistory"), QStringLiteral("1/"),
                               QStringLiteral("/OpenMovieHistory")}) {
        THistoryManager history;
        history.SetStore(Store());
        history.SetRegistryKey(key);
        try {
            history.Add("/v/a.avi");
            ADD_FAILURE() << key.toStdString();
        } catch (const EHistoryManager& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("History用のキーがセットされていません"));
        }
    }
}
