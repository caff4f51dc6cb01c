// The window's side of the early open, on its own: the program, which never hands over, then
// does not link the session, nor the sorting and its ICU collation with it.
#include "app/EarlyOpen.h"
#include "app/SortingSession.h"
#include "view/DecodeAhead.h"

void TEarlyOpen::HandOver(TSortingSession& session, TDecodeAhead* cache) {
  Prepared prepared = Take();
  // Only for the argument still waiting to be opened: the session drops the list otherwise.
  if (session.Temporary().GetSlot(Slot::PendingArguments) <= 0) return;
  if (cache)
    for (const Prepared::Decoded& d : prepared.decodes)
      cache->Store(d.picture, d.options, d.stamp, d.result);
  if (prepared.list) session.OfferListing(std::move(prepared.source), std::move(prepared.list));
}
