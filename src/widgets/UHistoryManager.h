#pragma once

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <stdexcept>

class QAction;
class QMenu;
class QSettings;

// Raised when a history manager has no place in its store to keep the list.
class EHistoryManager : public std::runtime_error
{
public:
    explicit EHistoryManager(const QString& message);
    QString Message() const { return QString::fromUtf8(what()); }
};

// A most-recent-first list of file paths kept in a settings store and shown
// as menu items right after a hidden placeholder item.
//
// The store is the only copy that counts: every operation reloads the list
// from it (QSettings::sync() picks up what another manager or another running
// copy of the program wrote) and every change is written back at once. Menu
// items carry their path rather than a position in the list, and the menu is
// rebuilt from the store each time it is about to show, so a click always
// opens the entry it shows.
//
// Store layout: below RegistryKey (a settings group such as
// "1/OpenMovieHistory"), one string value per entry, Item0 (the most recent),
// Item1, ... and nothing else.
class THistoryManager : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultLimit = 10;

    explicit THistoryManager(QObject* parent = nullptr);
    ~THistoryManager() override;

    // The settings store; the manager owns it. Nothing is kept without one.
    void SetStore(std::unique_ptr<QSettings> store);

    // "parent group/" + the group that holds the entries; both parts must be
    // non-empty.
    const QString& RegistryKey() const { return registryKey; }
    void SetRegistryKey(const QString& key);
    // Most entries kept.
    int Limit() const { return limit; }
    void SetLimit(int value);
    // The placeholder item: entries are inserted into its menu right after
    // it, and it is hidden.
    QAction* MenuItem() const { return menuItem; }
    void SetMenuItem(QAction* item);
    // Prefixes each entry's caption with "&0 " ... "&9 ", "&A " ...
    bool UseAccelerator() const { return useAccelerator; }
    void SetUseAccelerator(bool value);
    // Caption of a final item that clears the history; none when empty.
    const QString& ClearHistoryCaption() const { return clearHistoryCaption; }
    void SetClearHistoryCaption(const QString& caption);

    // Puts path at the top (an entry naming the same file moves there) and
    // drops entries beyond Limit.
    void Add(const QString& path);
    // Takes the entry naming the same file as path out, if there is one.
    void Remove(const QString& path);
    // The entries as stored now, most recent first.
    QStringList Items();
    // Builds the menu items again from the store. Nothing without MenuItem.
    void RebuildMenu();

    // Whether two entries name the same file: their cleaned absolute paths
    // are equal, letter case included (Clip.avi and clip.avi are different
    // files here).
    static bool SamePath(const QString& a, const QString& b);
    // An entry's caption: "&" doubled so that it shows instead of marking an
    // accelerator, after the accelerator prefix when one is used.
    static QString EntryCaption(const QString& path, int index, bool useAccelerator);

signals:
    // The user picked an entry; it has been moved to the top already.
    void OnMenuClick(const QString& path);
    // The user picked the clear item; the history is empty now.
    void OnClearClick();

private:
    QStringList Load();
    void Save(const QStringList& entries);
    void RebuildWhenConfigured();
    void FreeMenuItems();
    void EntryClick(const QString& path);
    void ClearClick();
    QString EntryGroup() const;

    std::unique_ptr<QSettings> store;
    QString registryKey;
    int limit = DefaultLimit;
    QPointer<QAction> menuItem;
    bool useAccelerator = false;
    QString clearHistoryCaption;
    QList<QPointer<QAction>> createdItems;
    QMetaObject::Connection aboutToShow;
};
