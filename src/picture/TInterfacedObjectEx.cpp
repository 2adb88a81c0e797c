#include "picture/TInterfacedObjectEx.h"

#include <stdexcept>

int TInterfacedObjectEx::_AddRef()
{
    return ++refCount;
}

int TInterfacedObjectEx::_Release()
{
    const int result = --refCount;
    if (result < 0)
        throw std::runtime_error("FRefCount is minus value");
    if (result == 0 && autoFree)
        delete this;
    return result;
}

void* TInterfacedObjectEx::QueryOwnInterface(const QUuid& iid)
{
    return iid == IInterface::IID ? static_cast<IInterface*>(this) : nullptr;
}

TAutoFreeInterface::TAutoFreeInterface(std::function<void()> onFree) : onFree(std::move(onFree))
{
    SetAutoFree(true);
}

TAutoFreeInterface::~TAutoFreeInterface()
{
    if (onFree)
        onFree();
}

void* TInterfaceImplement::QueryInterface(const QUuid& iid)
{
    if (controller)
        return controller->QueryInterface(iid);
    return QueryOwnInterface(iid);
}
