#pragma once

#include "picture/INotify.h"

#include <functional>

// Reference-counted object with an auto-free flag. With the flag set the last
// release deletes the object; without it (the default) the count only goes
// down and the owner deletes the object explicitly. Releasing more often than
// referencing raises "FRefCount is minus value".
class TInterfacedObjectEx : public virtual IInterface
{
public:
    TInterfacedObjectEx() = default;
    TInterfacedObjectEx(const TInterfacedObjectEx&) = delete;
    TInterfacedObjectEx& operator=(const TInterfacedObjectEx&) = delete;
    ~TInterfacedObjectEx() override = default;

    void* QueryInterface(const QUuid& iid) override { return QueryOwnInterface(iid); }
    int _AddRef() override;
    int _Release() override;

    int RefCount() const { return refCount; }

protected:
    void SetAutoFree(bool value) { autoFree = value; }
    virtual void* QueryOwnInterface(const QUuid& iid);

private:
    int refCount = 0;
    bool autoFree = false;
};

// An auto-free object for scopes: `onFree` runs when the last reference is
// released (for example to restore a canvas setting after drawing).
class TAutoFreeInterface : public TInterfacedObjectEx
{
public:
    explicit TAutoFreeInterface(std::function<void()> onFree = {});
    ~TAutoFreeInterface() override;

private:
    std::function<void()> onFree;
};

// An object whose interface queries may be answered by a controller: an
// object that embeds a notifier answers for it. Its owner deletes it.
class TInterfaceImplement : public TInterfacedObjectEx
{
public:
    explicit TInterfaceImplement(IInterface* controller = nullptr) : controller(controller) {}

    void* QueryInterface(const QUuid& iid) override;

private:
    IInterface* controller;
};
