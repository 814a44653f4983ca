// The DDE names the phone server Quillon answers to, for the hosts that talk to
// it. A server registers the service QUILLON_SERVICE and its own instance name
// ("Tovik3"), so a host can reach every server or exactly one.
//
// Topic QUILLON_TOPIC_INSTANCE: item QUILLON_TOPIC_INSTANCE gives the server's
// instance number as text; item QUILLON_ITEM_BOOK_CLIENT ("41") and
// QUILLON_ITEM_SMS_CLIENT ("40") give "1" while a phone book host (SMS tool) holds
// a conversation on topic QUILLON_TOPIC_BOOK (QUILLON_TOPIC_SMS) with the server,
// and fail (DMLERR_NOTPROCESSED) while none does.
//
// Topic QUILLON_TOPIC_BOOK, all CF_TEXT, each value ending in a zero byte:
//   request QUILLON_ITEM_GROUPS  the caller-group line of the phone (CGroups::FillFromText)
//   request QUILLON_ITEM_COUNT   the number of phone book slots, in decimal
//   request "1" ... "<count>"    the slot's entry line in the phone text form
//                                (CEntry::FillFromText), "EMPTY" for an empty slot
//   poke    "1" ... "<count>"    a changed entry line (CEntry::GetAsText, its closing
//                                line break dropped) or "EMPTY";
//                                the server writes its book file anew and acknowledges
//                                (DDE_FACK), or refuses a slot it does not have
//                                (DMLERR_NOTPROCESSED)
// A poke of item QUILLON_ITEM_COUNT is not taken: the phone's memory has its size.
#pragma once

#define QUILLON_SERVICE "Quillon"
#define QUILLON_TOPIC_INSTANCE "Instance"
#define QUILLON_TOPIC_BOOK "Phonebook"
#define QUILLON_TOPIC_SMS "SMS"
#define QUILLON_ITEM_BOOK_CLIENT "41"
#define QUILLON_ITEM_SMS_CLIENT "40"
#define QUILLON_ITEM_GROUPS "Groups"
#define QUILLON_ITEM_COUNT "Count"
// The named event a server sets once it has connected to the phone.
#define QUILLON_CONNECT_EVENT "QuillonConnectEvent"
