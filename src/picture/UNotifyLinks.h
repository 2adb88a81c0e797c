#pragma once

#include "picture/INotify.h"

#include <QList>
#include <QtGlobal>

#include <stdexcept>
#include <type_traits>

// The bookkeeping both ends of a notification link share: a broadcaster keeps
// its listeners and a listener its broadcasters the same way. Each end holds a
// reference to the other and tells it of the link; the other end calls back,
// which finds the link already made (or gone) and stops there.
namespace NotifyLinks {

// Links `peer` (held, then told through `tell(self)`); nothing for null or a peer already linked.
template <typename TPeer, typename TSelf>
void Add(QList<TPeer*>& peers, TPeer* peer, void (TPeer::*tell)(TSelf*), std::type_identity_t<TSelf>* self)
{
    if (!peer || peers.contains(peer))
        return;
    peers.append(peer);
    peer->_AddRef();
    (peer->*tell)(self);
}

// Unlinks `peer` (told through `tell(self)`, then released); nothing for null or a peer not linked.
template <typename TPeer, typename TSelf>
void Remove(QList<TPeer*>& peers, TPeer* peer, void (TPeer::*tell)(TSelf*), std::type_identity_t<TSelf>* self)
{
    if (!peer || !peers.removeOne(peer))
        return;
    (peer->*tell)(self);
    peer->_Release();
}

// Asks each peer in turn to unlink; raises "fall into infinity loop." when one does not.
template <typename TPeer, typename TSelf>
void RemoveAll(QList<TPeer*>& peers, void (TPeer::*tell)(TSelf*), std::type_identity_t<TSelf>* self)
{
    while (!peers.isEmpty()) {
        const qsizetype before = peers.size();
        (peers.first()->*tell)(self);
        if (peers.size() == before)
            throw std::runtime_error("fall into infinity loop.");
    }
}

// Drops the references still held without telling anyone: the last step of a
// destructor after RemoveAll failed.
template <typename TPeer>
void ReleaseAll(QList<TPeer*>& peers)
{
    for (TPeer* peer : std::as_const(peers))
        peer->_Release();
    peers.clear();
}

} // namespace NotifyLinks
