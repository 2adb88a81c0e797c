#include "widgets/UHistoryManager.h"

#include "support/ULog.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QRegularExpression>
#include <QSettings>

#include <algorithm>
#include <map>

namespace {

const QString KeyNotSetMessage = QStringLiteral("History用のキーがセットされていません");
const QString ItemPrefix = QStringLiteral("Item");

QString CleanAbsolutePath(const QString& path)
{
    return path.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString AcceleratorPrefix(int index)
{
    const QChar key = index < 10 ? QChar(u'0' + index) : QChar(u'A' + (index - 10));
    return QStringLiteral("&") + key + u' ';
}

QMenu* ParentMenu(const QAction* item)
{
    for (QObject* object : item->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(object))
            return menu;
    return nullptr;
}

} // namespace

EHistoryManager::EHistoryManager(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

THistoryManager::THistoryManager(QObject* parent)
    : QObject(parent)
{
}

THistoryManager::~THistoryManager()
{
    for (const QPointer<QAction>& item : std::as_const(createdItems))
        delete item.data();
}

void THistoryManager::SetStore(std::unique_ptr<QSettings> value)
{
    store = std::move(value);
    RebuildWhenConfigured();
}

void THistoryManager::SetRegistryKey(const QString& key)
{
    if (key == registryKey)
        return;
    registryKey = key;
    RebuildWhenConfigured();
}

void THistoryManager::SetLimit(int value)
{
    value = std::max(value, 0);
    if (value == limit)
        return;
    limit = value;
    RebuildWhenConfigured();
}

void THistoryManager::SetMenuItem(QAction* item)
{
    if (item == menuItem)
        return;
    FreeMenuItems();
    disconnect(aboutToShow);
    menuItem = item;
    // Another manager or another running copy may have changed the list
    // since the items were made: show what the store holds now.
    if (QMenu* menu = item ? ParentMenu(item) : nullptr)
        aboutToShow = connect(menu, &QMenu::aboutToShow, this, [this] {
            try {
                RebuildMenu();
            } catch (...) {
                LogDroppedError("THistoryManager menu");
            }
        });
    RebuildWhenConfigured();
}

void THistoryManager::SetUseAccelerator(bool value)
{
    if (value == useAccelerator)
        return;
    useAccelerator = value;
    RebuildWhenConfigured();
}

void THistoryManager::SetClearHistoryCaption(const QString& caption)
{
    clearHistoryCaption = caption;
}

bool THistoryManager::SamePath(const QString& a, const QString& b)
{
    return CleanAbsolutePath(a) == CleanAbsolutePath(b);
}

QString THistoryManager::EntryCaption(const QString& path, int index, bool accelerator)
{
    QString caption = path;
    caption.replace(u'&', QStringLiteral("&&"));
    return accelerator ? AcceleratorPrefix(index) + caption : caption;
}

QString THistoryManager::EntryGroup() const
{
    const qsizetype split = registryKey.lastIndexOf(u'/');
    if (!store || split <= 0 || split == registryKey.size() - 1)
        throw EHistoryManager(KeyNotSetMessage);
    return registryKey;
}

QStringList THistoryManager::Load()
{
    const QString group = EntryGroup();
    store->sync();
    store->beginGroup(group);
    // Entries by number: Item10 comes after Item9.
    static const QRegularExpression itemName(QStringLiteral("^Item(\\d{1,9})$"));
    std::map<int, QString> byNumber;
    for (const QString& key : store->childKeys()) {
        const QRegularExpressionMatch match = itemName.match(key);
        if (match.hasMatch())
            byNumber.emplace(match.captured(1).toInt(), key);
    }
    QStringList entries;
    for (const auto& [number, key] : byNumber) {
        if (entries.size() >= limit)
            break;
        entries.append(store->value(key).toString());
    }
    store->endGroup();
    return entries;
}

void THistoryManager::Save(const QStringList& entries)
{
    const QString group = EntryGroup();
    // Rewriting the whole group leaves no stale higher-numbered values.
    store->remove(group);
    store->beginGroup(group);
    for (qsizetype i = 0; i < entries.size(); ++i)
        store->setValue(ItemPrefix + QString::number(i), entries[i]);
    store->endGroup();
    store->sync();
    RebuildMenu();
}

void THistoryManager::Add(const QString& path)
{
    QStringList entries = Load();
    entries.removeIf([&](const QString& entry) { return SamePath(entry, path); });
    entries.prepend(path);
    while (entries.size() > limit)
        entries.removeLast();
    Save(entries);
}

void THistoryManager::Remove(const QString& path)
{
    QStringList entries = Load();
    if (entries.removeIf([&](const QString& entry) { return SamePath(entry, path); }) > 0)
        Save(entries);
}

QStringList THistoryManager::Items()
{
    return Load();
}

void THistoryManager::RebuildWhenConfigured()
{
    if (store && menuItem && !registryKey.isEmpty())
        RebuildMenu();
}

void THistoryManager::FreeMenuItems()
{
    // The item whose click is being dispatched may be among them: it leaves
    // its menu now and is deleted once control is back in the event loop.
    for (const QPointer<QAction>& item : std::as_const(createdItems)) {
        if (!item)
            continue;
        for (QObject* object : item->associatedObjects())
            if (auto* widget = qobject_cast<QWidget*>(object))
                widget->removeAction(item);
        item->deleteLater();
    }
    createdItems.clear();
}

void THistoryManager::RebuildMenu()
{
    if (!menuItem)
        return;
    FreeMenuItems();
    const QStringList entries = Load();
    menuItem->setVisible(false);
    QMenu* menu = ParentMenu(menuItem);
    if (entries.isEmpty() || !menu)
        return;

    const QList<QAction*> existing = menu->actions();
    const qsizetype k = existing.indexOf(menuItem);
    QAction* before = k + 1 < existing.size() ? existing[k + 1] : nullptr;
    auto insert = [&](QAction* item) {
        menu->insertAction(before, item);
        createdItems.append(item);
        return item;
    };
    auto separator = [&] {
        auto* item = new QAction(menu);
        item->setSeparator(true);
        insert(item);
    };
    if (k > 0)
        separator();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString path = entries[i];
        auto* item = insert(new QAction(EntryCaption(path, static_cast<int>(i), useAccelerator), menu));
        item->setData(path);
        connect(item, &QAction::triggered, this, [this, path] { EntryClick(path); });
    }
    if (!clearHistoryCaption.isEmpty()) {
        separator();
        auto* clear = insert(new QAction(clearHistoryCaption, menu));
        connect(clear, &QAction::triggered, this, &THistoryManager::ClearClick);
    }
}

void THistoryManager::EntryClick(const QString& path)
{
    Add(path);
    emit OnMenuClick(path);
}

void THistoryManager::ClearClick()
{
    Save({});
    emit OnClearClick();
}
