#pragma once

#include <QUuid>

class QObject;

// The interfaces of the change notification: a broadcaster tells its
// listeners that something happened to an object (the Sender), named by a
// GUID. Registration is always two-way, so either side can be torn down first.

class IInterface
{
public:
    static constexpr QUuid IID{0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

    // The object's implementation of the interface `iid`, or nullptr.
    virtual void* QueryInterface(const QUuid& iid) = 0;
    virtual int _AddRef() = 0;
    virtual int _Release() = 0;

protected:
    virtual ~IInterface() = default;
};

class IListener;

class IBroadcaster : public virtual IInterface
{
public:
    static constexpr QUuid IID{0xD945C5B0, 0x29DA, 0x11D3, 0xAC, 0xA5, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A};

    virtual void Notify(QObject* sender, const QUuid& id) = 0;
    virtual void AddListener(IListener* listener) = 0;
    virtual void RemoveListener(IListener* listener) = 0;
};

class IListener : public virtual IInterface
{
public:
    static constexpr QUuid IID{0xD945C5B1, 0x29DA, 0x11D3, 0xAC, 0xA5, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A};

    virtual void Notify(QObject* sender, const QUuid& id) = 0;
    virtual void AddBroadcaster(IBroadcaster* broadcaster) = 0;
    virtual void RemoveBroadcaster(IBroadcaster* broadcaster) = 0;
};

// Update bracketing of a change notifier (no interface identifier).
class IChangeNotify : public virtual IInterface
{
public:
    virtual void Changed() = 0;
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
};

// The interface `I` of an object, or nullptr when it has none.
template <typename I>
I* Supports(IInterface* object)
{
    return object ? static_cast<I*>(object->QueryInterface(I::IID)) : nullptr;
}

// Notification identifiers.
inline constexpr QUuid ntfDestroying{0xFF0E0940, 0x2D29, 0x11D3, 0xAC, 0xCC, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A};
inline constexpr QUuid ntfPackChanged{0xFF0E0942, 0x2D29, 0x11D3, 0xAC, 0xCC, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A};
inline constexpr QUuid ntfCancelLoads{0xA916FC40, 0x6C6C, 0x11D3, 0x95, 0x51, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A};
inline constexpr QUuid ntfPictureChanged{0x1153AE63, 0x523C, 0x11D3, 0xAD, 0x37, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A};
inline constexpr QUuid ntfActiveControlChanged{0x1211E69A, 0x468C, 0x11D3, 0xAD, 0x18, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A};
inline constexpr QUuid ntfActiveFormChanged{0x1211E69B, 0x468C, 0x11D3, 0xAD, 0x18, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A};
