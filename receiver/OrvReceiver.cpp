#include "receiver/OrvReceiver.h"

#include "receiver/ArrivalClock.h"

OrvReceiver::OrvReceiver(const TD::OP_NodeInfo*) {}

OrvReceiver::~OrvReceiver()
{
    disconnect();
}

void OrvReceiver::connect()
{
    store.startConnect();
    loop.start(ip, port, multicast);
}

void OrvReceiver::disconnect()
{
    loop.stop();
}

void OrvReceiver::read(ReceiverNumbers& out) const
{
    store.read(out);
}

void OrvReceiver::read(ReceiverSnapshot& out) const
{
    store.read(out);
}

void OrvReceiver::read(DeckHistory& out, int firstDeck, int lastDeck) const
{
    store.read(out, firstDeck, lastDeck);
}

void OrvReceiver::read(EventState& out) const
{
    store.read(out);
}

void OrvReceiver::read(ReceiverHealth& out) const
{
    store.read(out, orvreceiver::steadyNow());
}

Deck OrvReceiver::getDeck(int deckNumber) const
{
    return store.deck(deckNumber);
}

Meta OrvReceiver::getMeta(int deckNumber) const
{
    return store.meta(deckNumber);
}

Control OrvReceiver::getControl() const
{
    return store.control();
}

bool OrvReceiver::isConnected() const
{
    return store.connected();
}
